// The format engine's pass over a format: literal text is copied, each
// conversion is read, converted and padded straight into the caller's buffer.
#include "format_engine.h"

#include <cstdint>
#include <string>
#include <type_traits>

#include "code_pages.h"
#include "format_engine_directive.h"
#include "format_engine_numbers.h"

namespace sim::strings {
namespace {

// The caller's buffer: stores up to capacity - 1 characters, remembers
// whether text was cut, and terminates on Finish.
template <typename Char>
class Output {
 public:
  Output(Char* buffer, size_t capacity) : buffer_(buffer), limit_(capacity - 1) {}

  void Put(Char ch) {
    if (stored_ == limit_) {
      truncated_ = true;
      return;
    }
    buffer_[stored_++] = ch;
  }

  // Stores as much of a run of `count` characters as fits, each made by
  // `make(i)`; what does not fit is cut. A huge width thus costs no more
  // than the buffer holds.
  template <typename Make>
  void PutRun(size_t count, Make make) {
    const size_t room = limit_ - stored_;
    const size_t fitting = count <= room ? count : room;
    for (size_t i = 0; i < fitting; ++i) buffer_[stored_ + i] = make(i);
    stored_ += fitting;
    if (fitting < count) truncated_ = true;
  }

  // A run of text already in the output's character type, copied whole.
  void PutCopy(const Char* text, size_t count) {
    const size_t room = limit_ - stored_;
    const size_t fitting = count <= room ? count : room;
    std::char_traits<Char>::copy(buffer_ + stored_, text, fitting);
    stored_ += fitting;
    if (fitting < count) truncated_ = true;
  }

  void Repeat(char ch, size_t count) {
    PutRun(count, [ch](size_t) { return static_cast<Char>(ch); });
  }

  void PutAscii(const char* text, size_t length) {
    PutRun(length, [text](size_t i) { return static_cast<Char>(text[i]); });
  }

  bool Full() const { return truncated_; }
  void Reject() { invalid_ = true; }

  FormatResult Finish() {
    buffer_[stored_] = 0;
    return {stored_, truncated_, invalid_};
  }

 private:
  Char* buffer_;
  size_t limit_;
  size_t stored_ = 0;
  bool truncated_ = false;
  bool invalid_ = false;
};

// One unit of a text argument in the output's character type. wsprintf
// widens narrow text through CP_ACP; the CRT's "C" locale widens byte for
// byte. Narrowing (wsprintfA only) goes through CP_ACP with '?' for what
// Windows-1252 cannot hold.
template <typename Char, typename Unit>
Char ToOutput(Unit unit, FormatRules rules) {
  if constexpr (std::is_same_v<Char, Unit>) {
    return unit;
  } else if constexpr (std::is_same_v<Char, wchar_t>) {
    const auto byte = static_cast<unsigned char>(unit);
    return rules == FormatRules::Wsprintf ? WideFromCp1252(byte) : static_cast<wchar_t>(byte);
  } else {
    unsigned char byte = 0;
    return Cp1252FromWide(unit, &byte) ? static_cast<char>(byte) : '?';
  }
}

// Length of a text argument, reading no further than the precision allows
// (the text need not be terminated within it).
template <typename Unit>
size_t BoundedLength(const Unit* text, int precision) {
  if (precision < 0) return std::char_traits<Unit>::length(text);
  const auto limit = static_cast<size_t>(precision);
  size_t length = 0;
  while (length < limit && text[length] != 0) ++length;
  return length;
}

template <typename Char, typename Unit>
void PutText(Output<Char>& out, const Directive& directive, FormatRules rules, const Unit* text,
             size_t length) {
  const auto width = static_cast<size_t>(directive.width);
  const size_t padding = width > length ? width - length : 0;
  if (!directive.left) out.Repeat(directive.zero ? '0' : ' ', padding);
  if constexpr (std::is_same_v<Char, Unit>) {
    out.PutCopy(text, length);
  } else {
    out.PutRun(length, [text, rules](size_t i) { return ToOutput<Char>(text[i], rules); });
  }
  if (directive.left) out.Repeat(' ', padding);
}

// In a wide format %s and %c are wide and %S and %C narrow; in a narrow
// format the other way round. h always means narrow, l and w wide.
template <typename Char>
bool TakesWideText(const Directive& directive) {
  if (directive.size == ArgSize::Short) return false;
  if (directive.size == ArgSize::Long || directive.size == ArgSize::Wide) return true;
  const bool wideFormat = std::is_same_v<Char, wchar_t>;
  const bool swapped = directive.conversion == 'S' || directive.conversion == 'C';
  return wideFormat != swapped;
}

// A text argument, or "(null)" in its place; the precision applies to both.
template <typename Char, typename Unit>
void PutTextArgument(Output<Char>& out, const Directive& directive, FormatRules rules,
                     const Unit* text) {
  static constexpr char kNull[] = "(null)";
  if (text == nullptr) {
    PutText(out, directive, rules, kNull, BoundedLength(kNull, directive.precision));
  } else {
    PutText(out, directive, rules, text, BoundedLength(text, directive.precision));
  }
}

template <typename Char>
void PutString(Output<Char>& out, const Directive& directive, FormatRules rules, Arguments& args) {
  if (TakesWideText<Char>(directive)) {
    PutTextArgument(out, directive, rules, args.WideText());
  } else {
    PutTextArgument(out, directive, rules, args.NarrowText());
  }
}

// A character argument arrives promoted to int.
template <typename Char>
void PutChar(Output<Char>& out, const Directive& directive, FormatRules rules, Arguments& args) {
  const int value = args.Int();
  if (TakesWideText<Char>(directive)) {
    const auto unit = static_cast<wchar_t>(value);
    PutText(out, directive, rules, &unit, 1);
  } else {
    const auto unit = static_cast<char>(value);
    PutText(out, directive, rules, &unit, 1);
  }
}

int64_t ReadSigned(Arguments& args, ArgSize size) {
  switch (size) {
    case ArgSize::Byte:
      return static_cast<signed char>(args.Int());
    case ArgSize::Short:
      return static_cast<short>(args.Int());
    case ArgSize::Int64:
      return args.Int64();
    default:  // int, and long, which is 32 bits on Windows
      return args.Int();
  }
}

uint64_t ReadUnsigned(Arguments& args, ArgSize size) {
  switch (size) {
    case ArgSize::Byte:
      return static_cast<unsigned char>(args.Int());
    case ArgSize::Short:
      return static_cast<unsigned short>(args.Int());
    case ArgSize::Int64:
      return static_cast<uint64_t>(args.Int64());
    default:
      return static_cast<unsigned int>(args.Int());
  }
}

// Pads a number to its width: blanks outside the sign, or with the 0 flag
// zeros between the sign (or 0x) and the digits.
template <typename Char>
void PutNumber(Output<Char>& out, const Directive& directive, NumberField& field) {
  const size_t body = field.prefixLength + field.zeros + field.digitsLength;
  const auto width = static_cast<size_t>(directive.width);
  size_t padding = width > body ? width - body : 0;
  if (directive.zero && !directive.left && field.zeroPadAllowed) {
    field.zeros += padding;
    padding = 0;
  }
  if (!directive.left) out.Repeat(' ', padding);
  out.PutAscii(field.prefix, field.prefixLength);
  out.Repeat('0', field.zeros);
  out.PutAscii(field.digits, field.digitsLength);
  if (directive.left) out.Repeat(' ', padding);
}

// The decimal numbers of nearly every trace line ("%d", "%02d", "%u"): no
// precision, no flag but 0, a small width. Such a number is built right to
// left in a few bytes, with the same result as the general field.
constexpr int kPlainWidthLimit = 24;

bool IsPlainDecimal(const Directive& directive) {
  const bool decimal =
      directive.conversion == 'd' || directive.conversion == 'i' || directive.conversion == 'u';
  return decimal && directive.precision < 0 && !directive.left && !directive.alternate &&
         !directive.plus && !directive.space && directive.width < kPlainWidthLimit;
}

template <typename Char>
void PutPlainDecimal(Output<Char>& out, const Directive& directive, uint64_t magnitude,
                     bool negative) {
  char digits[24];
  char* const end = digits + sizeof digits;
  char* at = end;
  do {
    *--at = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const auto length = static_cast<int>(end - at);
  const int padding = directive.width - length - (negative ? 1 : 0);
  const auto fill = static_cast<size_t>(padding > 0 ? padding : 0);
  // Zeros go between the sign and the digits, blanks before the sign.
  if (!directive.zero) out.Repeat(' ', fill);
  if (negative) out.Put('-');
  if (directive.zero) out.Repeat('0', fill);
  out.PutAscii(at, static_cast<size_t>(length));
}

template <typename Char>
void PutSigned(Output<Char>& out, const Directive& directive, Arguments& args) {
  const int64_t value = ReadSigned(args, directive.size);
  const uint64_t magnitude =
      value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  if (IsPlainDecimal(directive)) return PutPlainDecimal(out, directive, magnitude, value < 0);
  NumberField field;
  IntegerField(directive, magnitude, value < 0, &field);
  PutNumber(out, directive, field);
}

template <typename Char>
void PutUnsigned(Output<Char>& out, const Directive& directive, Arguments& args) {
  const uint64_t magnitude = ReadUnsigned(args, directive.size);
  if (IsPlainDecimal(directive)) return PutPlainDecimal(out, directive, magnitude, false);
  NumberField field;
  IntegerField(directive, magnitude, false, &field);
  PutNumber(out, directive, field);
}

// The Windows CRT prints a pointer as all its hexadecimal digits, upper
// case, without a prefix.
template <typename Char>
void PutPointer(Output<Char>& out, const Directive& directive, Arguments& args) {
  Directive digits = directive;
  digits.conversion = 'X';
  digits.precision = 2 * sizeof(void*);
  digits.alternate = false;
  NumberField field;
  IntegerField(digits, reinterpret_cast<uintptr_t>(args.Pointer()), false, &field);
  PutNumber(out, digits, field);
}

// long double is double on Windows; the argument is read at the size the
// caller passed it with.
template <typename Char>
bool PutFloat(Output<Char>& out, const Directive& directive, Arguments& args) {
  const double value = directive.size == ArgSize::LongDouble
                           ? static_cast<double>(args.LongDouble())
                           : args.Double();
  NumberField field;
  if (!FloatField(directive, value, &field)) return false;
  PutNumber(out, directive, field);
  return true;
}

// The conversions only the CRT knows. Anything else, %n included (the
// Windows CRT refuses it by default), is rejected.
template <typename Char>
bool PutCrtConversion(Output<Char>& out, const Directive& directive, Arguments& args) {
  switch (directive.conversion) {
    case 'o':
      PutUnsigned(out, directive, args);
      return true;
    case 'p':
      PutPointer(out, directive, args);
      return true;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
      return PutFloat(out, directive, args);
    default:
      return false;
  }
}

// Renders one conversion; false when the rules reject it.
template <typename Char>
bool PutConversion(Output<Char>& out, const Directive& directive, FormatRules rules,
                   Arguments& args) {
  switch (directive.conversion) {
    case 0:  // the format ended inside a directive
      return true;
    case '%':
      out.Put('%');
      return true;
    case 'c':
    case 'C':
      PutChar(out, directive, rules, args);
      return true;
    case 's':
    case 'S':
      PutString(out, directive, rules, args);
      return true;
    case 'd':
    case 'i':
      PutSigned(out, directive, args);
      return true;
    case 'u':
    case 'x':
    case 'X':
      PutUnsigned(out, directive, args);
      return true;
    default:
      break;
  }
  if (rules == FormatRules::Crt) return PutCrtConversion(out, directive, args);
  // wsprintf prints a character it does not know as itself and takes no
  // argument for it: "%f" prints "f".
  out.Put(static_cast<Char>(directive.conversion));
  return true;
}

template <typename Char>
FormatResult Format(Char* buffer, size_t capacity, const Char* format, va_list args,
                    FormatRules rules) {
  Output<Char> out(buffer, capacity);
  Arguments arguments(args);
  const Char* const end = format + std::char_traits<Char>::length(format);
  for (const Char* at = format; at < end && !out.Full();) {
    if (*at != '%') {
      // Literal text up to the next directive, copied as one run.
      const Char* directive = std::char_traits<Char>::find(at, static_cast<size_t>(end - at), '%');
      const Char* literalEnd = directive != nullptr ? directive : end;
      out.PutCopy(at, static_cast<size_t>(literalEnd - at));
      at = literalEnd;
      continue;
    }
    Directive directive;
    at = ParseDirective(at + 1, rules, arguments, &directive);
    if (!PutConversion(out, directive, rules, arguments)) {
      out.Reject();
      break;
    }
  }
  return out.Finish();
}

}  // namespace

FormatResult FormatWsprintf(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
  return Format(buffer, capacity, format, args, FormatRules::Wsprintf);
}

FormatResult FormatWsprintf(char* buffer, size_t capacity, const char* format, va_list args) {
  return Format(buffer, capacity, format, args, FormatRules::Wsprintf);
}

FormatResult FormatCrt(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args) {
  return Format(buffer, capacity, format, args, FormatRules::Crt);
}

}  // namespace sim::strings
