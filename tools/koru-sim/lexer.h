// Cutting one line of a scenario file into its words and quoted strings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace koru::scn {

struct Token {
  std::string key;        // the key of key=value; empty for a positional word
  std::string text;       // the word, or the string with its escapes resolved
  bool quoted = false;    // written as "..."
  bool contains = false;  // written as ~"...": a text to look for inside messages
};

struct LexedLine {
  std::vector<Token> tokens;
  bool background = false;  // the step ended with "&"
  size_t length = 0;        // of the step's text, without a comment
};

// Words are separated by blanks; "..." is a string with \" and \\ as its
// only escapes; # starts a comment outside quotes; key=value and
// key="..." are named arguments; a lone & at the end marks a step that
// does not settle. Throws FileError.
LexedLine LexLine(std::string_view line);

}  // namespace koru::scn
