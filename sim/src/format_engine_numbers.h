// Numbers of the format engine as ASCII fields (sign or radix prefix, the
// zeros a precision asks for, digits), ready to be padded to their width.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format_engine_directive.h"

namespace sim::strings {

// Room for a double in fixed notation with a precision of several hundred
// digits; a conversion that needs more is rejected as invalid.
constexpr size_t kNumberDigits = 1100;

struct NumberField {
  char prefix[2] = {};
  size_t prefixLength = 0;
  size_t zeros = 0;
  char digits[kNumberDigits];
  size_t digitsLength = 0;
  // Whether the 0 flag may turn the width's padding into leading zeros: not
  // when an integer has a precision, nor for infinity and NaN.
  bool zeroPadAllowed = true;
};

// d i u o x X. `magnitude` and `negative` are the value already read at the
// argument's size.
void IntegerField(const Directive& directive, uint64_t magnitude, bool negative,
                  NumberField* field);

// f F e E g G (CRT rules). The # flag is not modelled. Returns false when the
// digits do not fit the field.
bool FloatField(const Directive& directive, double value, NumberField* field);

}  // namespace sim::strings
