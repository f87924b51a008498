// One directive of a printf format ("%-08.3ld" and the like) as the format
// engine reads it, and the argument list it reads from.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "format_engine.h"

namespace sim::strings {

// What a size prefix asks for. The widths are Windows': long is 32 bits.
enum class ArgSize {
  Default,
  Byte,        // hh
  Short,       // h: also narrow text
  Long,        // l: 32 bits; also wide text
  Wide,        // w: wide text
  Int64,       // ll, I64, and the pointer-sized I, j, z, t
  LongDouble,  // L
};

struct Directive {
  bool left = false;       // -
  bool zero = false;       // 0
  bool alternate = false;  // #
  bool plus = false;       // +
  bool space = false;      // blank
  int width = 0;
  int precision = -1;  // none
  ArgSize size = ArgSize::Default;
  char32_t conversion = 0;  // 0 when the format ends inside a directive
};

// The caller's variable arguments, read in order. Owns a copy of the list so
// that the engine can read it from any helper.
class Arguments {
 public:
  explicit Arguments(va_list args) { va_copy(list_, args); }
  ~Arguments() { va_end(list_); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  int Int() { return va_arg(list_, int); }
  long long Int64() { return va_arg(list_, long long); }
  double Double() { return va_arg(list_, double); }
  long double LongDouble() { return va_arg(list_, long double); }
  const void* Pointer() { return va_arg(list_, const void*); }
  const char* NarrowText() { return va_arg(list_, const char*); }
  const wchar_t* WideText() { return va_arg(list_, const wchar_t*); }

 private:
  va_list list_;
};

// Reads the directive that follows a '%' and returns where the format
// goes on. `*` widths and precisions (CRT rules only) take their arguments.
template <typename Char>
const Char* ParseDirective(const Char* at, FormatRules rules, Arguments& args,
                           Directive* directive);

}  // namespace sim::strings
