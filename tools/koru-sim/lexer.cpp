// The scenario language's lexer.
#include "lexer.h"

#include "file_error.h"

namespace koru::scn {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

bool IsKeyChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

class Lexer {
 public:
  explicit Lexer(std::string_view line) : line_(line) {}

  LexedLine Run() {
    LexedLine lexed;
    while (SkipBlanks()) lexed.tokens.push_back(NextToken());
    lexed.length = at_;
    MarkBackground(&lexed);
    return lexed;
  }

 private:
  // Returns false at the end of the line or at a comment.
  bool SkipBlanks() {
    while (at_ < line_.size() && IsBlank(line_[at_])) ++at_;
    return at_ < line_.size() && line_[at_] != '#';
  }

  Token NextToken() {
    Token token;
    if (line_[at_] == '~') {
      ++at_;
      if (at_ >= line_.size() || line_[at_] != '"') {
        throw FileError("~ must be followed by a quoted string");
      }
      token.contains = true;
      ReadString(&token);
      return token;
    }
    if (line_[at_] == '"') {
      ReadString(&token);
      return token;
    }
    ReadWord(&token);
    return token;
  }

  void ReadWord(Token* token) {
    size_t start = at_;
    while (at_ < line_.size() && !IsBlank(line_[at_]) && line_[at_] != '"' && line_[at_] != '#') {
      ++at_;
    }
    std::string_view word = line_.substr(start, at_ - start);
    size_t equals = word.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      if (at_ < line_.size() && line_[at_] == '"') {
        throw FileError("a quoted string must be separated from the word before it");
      }
      token->text = std::string(word);
      return;
    }
    token->key = std::string(word.substr(0, equals));
    for (char c : token->key) {
      if (!IsKeyChar(c)) throw FileError("bad argument name \"" + token->key + "\"");
    }
    token->text = std::string(word.substr(equals + 1));
    if (!token->text.empty()) {
      if (at_ < line_.size() && line_[at_] == '"') {
        throw FileError("a quoted string must be separated from the word before it");
      }
      return;
    }
    if (at_ >= line_.size() || line_[at_] != '"') {
      throw FileError(token->key + "= needs a value");
    }
    ReadString(token);
  }

  // At the opening quote; leaves `at_` after the closing one.
  void ReadString(Token* token) {
    token->quoted = true;
    ++at_;
    for (;;) {
      if (at_ >= line_.size()) throw FileError("unterminated quoted string");
      char c = line_[at_++];
      if (c == '"') break;
      if (c == '\\') c = Escaped();
      token->text.push_back(c);
    }
    if (at_ < line_.size() && !IsBlank(line_[at_]) && line_[at_] != '#') {
      throw FileError("a quoted string must be followed by a blank");
    }
  }

  char Escaped() {
    if (at_ >= line_.size()) throw FileError("unterminated quoted string");
    char c = line_[at_++];
    if (c != '"' && c != '\\') {
      throw FileError(std::string("unknown escape \\") + c + " (only \\\" and \\\\ are escapes)");
    }
    return c;
  }

  static bool IsAmpersand(const Token& token) {
    return token.key.empty() && !token.quoted && !token.contains && token.text == "&";
  }

  static void MarkBackground(LexedLine* lexed) {
    if (!lexed->tokens.empty() && IsAmpersand(lexed->tokens.back())) {
      lexed->tokens.pop_back();
      lexed->background = true;
    }
    for (const Token& token : lexed->tokens) {
      if (IsAmpersand(token)) throw FileError("& may only end a step");
    }
  }

  std::string_view line_;
  size_t at_ = 0;
};

}  // namespace

LexedLine LexLine(std::string_view line) { return Lexer(line).Run(); }

}  // namespace koru::scn
