// The scenario lexer: words, quoted strings and their escapes, comments,
// key=value and the & that ends a step.
#include "lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "file_error.h"

namespace koru::scn {
namespace {

// Tokens in a compact form: word, "quoted", ~"contains", key=word, key="quoted".
std::vector<std::string> Shapes(const LexedLine& lexed) {
  std::vector<std::string> shapes;
  for (const Token& token : lexed.tokens) {
    std::string text = token.quoted ? "\"" + token.text + "\"" : token.text;
    if (token.contains) text = "~" + text;
    shapes.push_back(token.key.empty() ? text : token.key + "=" + text);
  }
  return shapes;
}

std::vector<std::string> Lex(const std::string& line) { return Shapes(LexLine(line)); }

std::string ErrorOf(const std::string& line) {
  try {
    LexLine(line);
  } catch (const FileError& error) {
    return error.what();
  }
  return "(no error)";
}

using Words = std::vector<std::string>;

TEST(Lexer, SplitsALineIntoTokens) {
  const struct {
    const char* line;
    Words tokens;
  } cases[] = {
      {"registry  VolumeLimit\t=   30", {"registry", "VolumeLimit", "=", "30"}},
      {"   ", {}},
      {"settle\r", {"settle"}},  // a CRLF file's carriage return is a blank
      {R"(expect trace "# not a comment")", {"expect", "trace", "\"# not a comment\""}},
      {R"(run "")", {"run", "\"\""}},  // an empty string is an argument
      {R"(path "C:\\Program Files\\Koru \"Audio\"")",
       {"path", R"("C:\Program Files\Koru "Audio"")"}},
      {"# a whole comment line", {}},
      {"settle # after the step", {"settle"}},
      {"settle# touching the word", {"settle"}},
      {R"(expect trace "x"# touching the string)", {"expect", "trace", "\"x\""}},
      {R"(expect service S path="\"C:\\A B\\x.exe\"" start=2)",
       {"expect", "service", "S", R"(path=""C:\A B\x.exe"")", "start=2"}},
      {R"(run "&")", {"run", "\"&\""}},
  };
  for (const auto& c : cases) EXPECT_EQ(Lex(c.line), c.tokens) << c.line;
}

TEST(Lexer, RejectsWhatIsNotALine) {
  const struct {
    const char* line;
    const char* error;
  } cases[] = {
      {R"(path "C:\Program")", R"(unknown escape \P (only \" and \\ are escapes))"},
      {R"(expect trace "tab\t")", R"(unknown escape \t (only \" and \\ are escapes))"},
      {R"(expect trace "open)", "unterminated quoted string"},
      {R"(expect trace "ends in escape\)", "unterminated quoted string"},
      {R"(expect trace "a"b)", "a quoted string must be followed by a blank"},
      {R"(expect trace a"b")", "a quoted string must be separated from the word before it"},
      {R"(expect trace ~ "x")", "~ must be followed by a quoted string"},
      {"fail X times=", "times= needs a value"},
      {"fail X ti.mes=1", "bad argument name \"ti.mes\""},
      {"run & install", "& may only end a step"},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
}

TEST(Lexer, StepLengthStopsBeforeTheComment) {
  std::string line = R"(expect trace "a # b"   # why)";
  LexedLine lexed = LexLine(line);
  EXPECT_EQ(line.substr(0, lexed.length), R"(expect trace "a # b"   )");
}

TEST(Lexer, AmpersandOnlyEndsAStep) {
  LexedLine lexed = LexLine("run install &   # two runs within one pause");
  EXPECT_TRUE(lexed.background);
  EXPECT_EQ(Shapes(lexed), (Words{"run", "install"}));
  EXPECT_FALSE(LexLine("run install").background);
  EXPECT_FALSE(LexLine(R"(run "&")").background) << "a quoted & is an argument";
}

}  // namespace
}  // namespace koru::scn
