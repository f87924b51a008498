// The arguments of one step, as its verb reads them while the file is
// validated: positional words first, then key=value in any order.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lexer.h"

namespace koru::scn {

// Every accessor throws FileError with a message that names what was
// expected and what the line holds.
class Arguments {
 public:
  // Rejects a positional word after a named argument and a key given twice,
  // except the language's flag words and repeatable keys.
  explicit Arguments(std::vector<Token> tokens);

  size_t Count() const { return positional_.size(); }
  const Token& At(size_t i) const;
  // The positional words from `first` on, with every named argument: what
  // the rest of a verb of several words reads.
  Arguments From(size_t first) const;

  void ExpectCount(size_t min, size_t max) const;
  void ExpectCount(size_t count) const { ExpectCount(count, count); }
  // A bare word (not quoted).
  const std::string& Word(size_t i) const;
  // Whether position i holds exactly this bare word.
  bool IsWord(size_t i, std::string_view word) const;
  // A "quoted string", as UTF-8.
  const std::string& Text(size_t i) const;
  uint32_t Number(size_t i) const;

  // Rejects every key not in `keys`.
  void AllowKeys(std::initializer_list<std::string_view> keys) const;
  const Token* Named(std::string_view key) const;
  // Every value of a key that may be given more than once, in order.
  std::vector<const Token*> NamedAll(std::string_view key) const;
  std::optional<uint32_t> NamedNumber(std::string_view key) const;
  std::optional<std::string> NamedText(std::string_view key) const;

 private:
  Arguments() = default;

  std::vector<Token> positional_;
  std::vector<Token> named_;
};

}  // namespace koru::scn
