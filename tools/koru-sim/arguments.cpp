// Reading and checking the arguments of a step.
#include "arguments.h"

#include "file_error.h"
#include "values.h"

namespace koru::scn {
namespace {

std::string Describe(const Token& token) {
  if (token.contains) return "~" + Quoted(token.text);
  if (token.quoted) return Quoted(token.text);
  return "\"" + token.text + "\"";
}

std::string Plural(size_t count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

// The forms the language writes with more than one token of a kind: a key
// given once per item (each jack of an endpoint), and bare flag words
// after the key=value arguments (an endpoint's muted and default).
bool Repeatable(const std::string& key) { return key == "jack"; }

bool TrailingFlag(const Token& token) {
  return !token.quoted && !token.contains && (token.text == "muted" || token.text == "default");
}

}  // namespace

Arguments::Arguments(std::vector<Token> tokens) {
  for (Token& token : tokens) {
    if (token.key.empty()) {
      if (!named_.empty() && !TrailingFlag(token)) {
        throw FileError("positional argument " + Describe(token) + " after key=value arguments");
      }
      positional_.push_back(std::move(token));
      continue;
    }
    if (Named(token.key) != nullptr && !Repeatable(token.key)) {
      throw FileError(token.key + "= given twice");
    }
    named_.push_back(std::move(token));
  }
}

const Token& Arguments::At(size_t i) const {
  if (i >= positional_.size()) throw FileError("missing argument " + std::to_string(i + 1));
  return positional_[i];
}

Arguments Arguments::From(size_t first) const {
  Arguments rest;
  if (first < positional_.size()) {
    rest.positional_.assign(positional_.begin() + static_cast<std::ptrdiff_t>(first),
                            positional_.end());
  }
  rest.named_ = named_;
  return rest;
}

void Arguments::ExpectCount(size_t min, size_t max) const {
  if (positional_.size() >= min && positional_.size() <= max) return;
  std::string wanted = min == max
                           ? Plural(min, "argument")
                           : "from " + std::to_string(min) + " to " + Plural(max, "argument");
  throw FileError("expected " + wanted + ", got " + std::to_string(positional_.size()));
}

const std::string& Arguments::Word(size_t i) const {
  const Token& token = At(i);
  if (token.quoted) throw FileError("expected a word, got " + Describe(token));
  return token.text;
}

bool Arguments::IsWord(size_t i, std::string_view word) const {
  return i < positional_.size() && !positional_[i].quoted && positional_[i].text == word;
}

const std::string& Arguments::Text(size_t i) const {
  const Token& token = At(i);
  if (!token.quoted || token.contains) {
    throw FileError("expected a \"quoted string\", got " + Describe(token));
  }
  return token.text;
}

uint32_t Arguments::Number(size_t i) const { return ParseNumber(Word(i)); }

void Arguments::AllowKeys(std::initializer_list<std::string_view> keys) const {
  for (const Token& token : named_) {
    bool known = false;
    for (std::string_view key : keys) known = known || token.key == key;
    if (!known) throw FileError("unknown argument " + token.key + "=");
  }
}

const Token* Arguments::Named(std::string_view key) const {
  for (const Token& token : named_) {
    if (token.key == key) return &token;
  }
  return nullptr;
}

std::vector<const Token*> Arguments::NamedAll(std::string_view key) const {
  std::vector<const Token*> all;
  for (const Token& token : named_) {
    if (token.key == key) all.push_back(&token);
  }
  return all;
}

std::optional<uint32_t> Arguments::NamedNumber(std::string_view key) const {
  const Token* token = Named(key);
  if (token == nullptr) return std::nullopt;
  if (token->quoted) throw FileError(token->key + "= expects a number, got " + Describe(*token));
  return ParseNumber(token->text);
}

std::optional<std::string> Arguments::NamedText(std::string_view key) const {
  const Token* token = Named(key);
  if (token == nullptr) return std::nullopt;
  return token->text;
}

}  // namespace koru::scn
