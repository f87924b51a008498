// Integer and floating-point conversions of the format engine.
#include "format_engine_numbers.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace sim::strings {
namespace {

char Conversion(const Directive& directive) { return static_cast<char>(directive.conversion); }

void SetPrefix(NumberField* field, const char* text) {
  field->prefixLength = std::strlen(text);
  std::memcpy(field->prefix, text, field->prefixLength);
}

// Only signed conversions carry '+' or ' ' for a value that is not negative.
void SetSign(const Directive& directive, bool negative, NumberField* field) {
  if (negative) {
    SetPrefix(field, "-");
  } else if (directive.plus) {
    SetPrefix(field, "+");
  } else if (directive.space) {
    SetPrefix(field, " ");
  }
}

unsigned Base(char conversion) {
  if (conversion == 'o') return 8;
  if (conversion == 'x' || conversion == 'X') return 16;
  return 10;
}

// The digits of `magnitude`, last first. The base is a constant here, so
// that the division is a multiplication: every trace line has numbers.
template <unsigned kBase>
size_t ReversedDigits(uint64_t magnitude, const char* digitSet, char* reversed) {
  size_t count = 0;
  for (uint64_t rest = magnitude; rest != 0; rest /= kBase)
    reversed[count++] = digitSet[rest % kBase];
  return count;
}

size_t ReversedDigits(unsigned base, uint64_t magnitude, const char* digitSet, char* reversed) {
  if (base == 10) return ReversedDigits<10>(magnitude, digitSet, reversed);
  if (base == 16) return ReversedDigits<16>(magnitude, digitSet, reversed);
  return ReversedDigits<8>(magnitude, digitSet, reversed);
}

// As in C, a zero with precision 0 has no digits at all.
void SetDigits(const Directive& directive, uint64_t magnitude, NumberField* field) {
  const char conversion = Conversion(directive);
  const char* digitSet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
  char reversed[24];
  size_t count = ReversedDigits(Base(conversion), magnitude, digitSet, reversed);
  if (magnitude == 0 && directive.precision != 0) reversed[count++] = '0';
  for (size_t i = 0; i < count; ++i) field->digits[i] = reversed[count - 1 - i];
  field->digitsLength = count;
}

void SetAlternateForm(const Directive& directive, uint64_t magnitude, NumberField* field) {
  const char conversion = Conversion(directive);
  if ((conversion == 'x' || conversion == 'X') && magnitude != 0) {
    SetPrefix(field, conversion == 'x' ? "0x" : "0X");
  } else if (conversion == 'o' && field->zeros == 0 &&
             (field->digitsLength == 0 || field->digits[0] != '0')) {
    field->zeros = 1;
  }
}

void CopyText(const char* text, NumberField* field) {
  field->digitsLength = std::strlen(text);
  std::memcpy(field->digits, text, field->digitsLength);
}

void ToUpper(NumberField* field) {
  for (size_t i = 0; i < field->digitsLength; ++i) {
    char& ch = field->digits[i];
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
}

std::chars_format FloatFormat(char conversion) {
  if (conversion == 'e' || conversion == 'E') return std::chars_format::scientific;
  if (conversion == 'g' || conversion == 'G') return std::chars_format::general;
  return std::chars_format::fixed;
}

}  // namespace

void IntegerField(const Directive& directive, uint64_t magnitude, bool negative,
                  NumberField* field) {
  const char conversion = Conversion(directive);
  if (conversion == 'd' || conversion == 'i') SetSign(directive, negative, field);
  SetDigits(directive, magnitude, field);
  const auto precision = static_cast<size_t>(directive.precision < 0 ? 0 : directive.precision);
  field->zeros = precision > field->digitsLength ? precision - field->digitsLength : 0;
  if (directive.alternate) SetAlternateForm(directive, magnitude, field);
  field->zeroPadAllowed = directive.precision < 0;
}

bool FloatField(const Directive& directive, double value, NumberField* field) {
  const char conversion = Conversion(directive);
  SetSign(directive, std::signbit(value), field);
  const double magnitude = std::fabs(value);
  if (std::isinf(magnitude) || std::isnan(magnitude)) {
    CopyText(std::isinf(magnitude) ? "inf" : "nan", field);
    field->zeroPadAllowed = false;
  } else {
    const int precision = directive.precision < 0 ? 6 : directive.precision;
    const auto [end, error] = std::to_chars(field->digits, field->digits + kNumberDigits, magnitude,
                                            FloatFormat(conversion), precision);
    if (error != std::errc()) return false;
    field->digitsLength = static_cast<size_t>(end - field->digits);
  }
  if (conversion == 'F' || conversion == 'E' || conversion == 'G') ToUpper(field);
  return true;
}

}  // namespace sim::strings
