// Reading directives under the wsprintf and the CRT rules.
#include "format_engine_directive.h"

#include <climits>
#include <cstring>
#include <type_traits>

namespace sim::strings {
namespace {

template <typename Char>
bool IsDigit(Char ch) {
  return ch >= '0' && ch <= '9';
}

// Whether the format continues with `text` at `at`.
template <typename Char>
bool Follows(const Char* at, const char* text) {
  for (; *text != '\0'; ++at, ++text) {
    if (*at != static_cast<Char>(*text)) return false;
  }
  return true;
}

// A width or precision too large for an int stays at INT_MAX: the output is
// bounded by the buffer anyway.
template <typename Char>
const Char* ReadNumber(const Char* at, int* value) {
  *value = 0;
  for (; IsDigit(*at); ++at) {
    const int digit = static_cast<int>(*at - '0');
    *value = *value > (INT_MAX - digit) / 10 ? INT_MAX : *value * 10 + digit;
  }
  return at;
}

// wsprintf knows only - 0 #; a + or blank there ends the directive and
// prints as an unknown conversion.
template <typename Char>
const Char* ReadFlags(const Char* at, FormatRules rules, Directive* directive) {
  const bool crt = rules == FormatRules::Crt;
  for (;; ++at) {
    if (*at == '-') {
      directive->left = true;
    } else if (*at == '0') {
      directive->zero = true;
    } else if (*at == '#') {
      directive->alternate = true;
    } else if (crt && *at == '+') {
      directive->plus = true;
    } else if (crt && *at == ' ') {
      directive->space = true;
    } else {
      return at;
    }
  }
}

// wsprintf has no '*': there it is the conversion character and prints as
// itself.
template <typename Char>
const Char* ReadWidth(const Char* at, FormatRules rules, Arguments& args, Directive* directive) {
  if (*at != '*' || rules != FormatRules::Crt) return ReadNumber(at, &directive->width);
  const int width = args.Int();
  if (width < 0) {
    directive->left = true;
    directive->width = width == INT_MIN ? INT_MAX : -width;
  } else {
    directive->width = width;
  }
  return at + 1;
}

// A '.' without digits is precision 0; a negative '*' precision counts as none.
template <typename Char>
const Char* ReadPrecision(const Char* at, FormatRules rules, Arguments& args,
                          Directive* directive) {
  if (*at != '.') return at;
  ++at;
  if (*at != '*' || rules != FormatRules::Crt) return ReadNumber(at, &directive->precision);
  const int precision = args.Int();
  directive->precision = precision < 0 ? -1 : precision;
  return at + 1;
}

template <typename Char>
const Char* ReadWsprintfSize(const Char* at, Directive* directive) {
  if (Follows(at, "I64")) {
    directive->size = ArgSize::Int64;
    return at + 3;
  }
  if (Follows(at, "ll")) {
    directive->size = ArgSize::Int64;
    return at + 2;
  }
  if (*at == 'l') {
    directive->size = ArgSize::Long;
    return at + 1;
  }
  if (*at == 'h') {
    directive->size = ArgSize::Short;
    return at + 1;
  }
  return at;
}

template <typename Char>
const Char* ReadCrtSize(const Char* at, Directive* directive) {
  struct Prefix {
    const char* text;
    ArgSize size;
  };
  // Longest first, so that "ll" is not read as "l".
  static constexpr Prefix kPrefixes[] = {
      {"I64", ArgSize::Int64}, {"I32", ArgSize::Long},     {"hh", ArgSize::Byte},
      {"ll", ArgSize::Int64},  {"h", ArgSize::Short},      {"l", ArgSize::Long},
      {"w", ArgSize::Wide},    {"L", ArgSize::LongDouble}, {"I", ArgSize::Int64},
      {"j", ArgSize::Int64},   {"z", ArgSize::Int64},      {"t", ArgSize::Int64},
  };
  for (const Prefix& prefix : kPrefixes) {
    if (!Follows(at, prefix.text)) continue;
    directive->size = prefix.size;
    return at + std::strlen(prefix.text);
  }
  return at;
}

// A letter that cannot start a flag, a width, a precision or a size: the
// whole directive, as in "%d" and "%s".
template <typename Char>
bool IsBareConversion(Char ch) {
  switch (ch) {
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 's':
    case 'S':
    case 'c':
    case 'C':
      return true;
    default:
      return false;
  }
}

}  // namespace

template <typename Char>
const Char* ParseDirective(const Char* at, FormatRules rules, Arguments& args,
                           Directive* directive) {
  if (IsBareConversion(*at)) {
    directive->conversion = static_cast<char32_t>(*at);
    return at + 1;
  }
  at = ReadFlags(at, rules, directive);
  at = ReadWidth(at, rules, args, directive);
  at = ReadPrecision(at, rules, args, directive);
  at = rules == FormatRules::Crt ? ReadCrtSize(at, directive) : ReadWsprintfSize(at, directive);
  directive->conversion = static_cast<char32_t>(static_cast<std::make_unsigned_t<Char>>(*at));
  return *at != 0 ? at + 1 : at;
}

template const char* ParseDirective<char>(const char*, FormatRules, Arguments&, Directive*);
template const wchar_t* ParseDirective<wchar_t>(const wchar_t*, FormatRules, Arguments&,
                                                Directive*);

}  // namespace sim::strings
