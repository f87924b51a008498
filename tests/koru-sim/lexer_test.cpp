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

TEST(Lexer, SplitsWordsOnBlanksAndTabs) {
  EXPECT_EQ(Lex("registry  VolumeLimit\t=   30"), (Words{"registry", "VolumeLimit", "=", "30"}));
  EXPECT_EQ(Lex("   "), Words{});
  EXPECT_EQ(Lex(""), Words{});
  EXPECT_EQ(Lex("settle\r"), Words{"settle"}) << "a CRLF file's carriage return is a blank";
}

TEST(Lexer, QuotedStringsKeepBlanksAndHashes) {
  EXPECT_EQ(Lex(R"(expect trace "Open mainKeyRoot status: 0")"),
            (Words{"expect", "trace", "\"Open mainKeyRoot status: 0\""}));
  EXPECT_EQ(Lex(R"(expect trace "# not a comment")"),
            (Words{"expect", "trace", "\"# not a comment\""}));
  EXPECT_EQ(Lex(R"(run "")"), (Words{"run", "\"\""})) << "an empty string is an argument";
}

TEST(Lexer, OnlyQuoteAndBackslashAreEscapes) {
  LexedLine lexed = LexLine(R"(path "C:\\Program Files\\Koru \"Audio\"")");
  ASSERT_EQ(lexed.tokens.size(), 2u);
  EXPECT_EQ(lexed.tokens[1].text, R"(C:\Program Files\Koru "Audio")");

  EXPECT_EQ(ErrorOf(R"(path "C:\Program")"), R"(unknown escape \P (only \" and \\ are escapes))");
  EXPECT_EQ(ErrorOf(R"(expect trace "tab\t")"),
            R"(unknown escape \t (only \" and \\ are escapes))");
}

TEST(Lexer, RejectsBadQuoting) {
  EXPECT_EQ(ErrorOf(R"(expect trace "open)"), "unterminated quoted string");
  EXPECT_EQ(ErrorOf(R"(expect trace "ends in escape\)"), "unterminated quoted string");
  EXPECT_EQ(ErrorOf(R"(expect trace "a"b)"), "a quoted string must be followed by a blank");
  EXPECT_EQ(ErrorOf(R"(expect trace a"b")"),
            "a quoted string must be separated from the word before it");
  EXPECT_EQ(ErrorOf(R"(expect trace ~ "x")"), "~ must be followed by a quoted string");
}

TEST(Lexer, CommentsStartOutsideQuotes) {
  EXPECT_EQ(Lex("# a whole comment line"), Words{});
  EXPECT_EQ(Lex("settle # after the step"), Words{"settle"});
  EXPECT_EQ(Lex("settle# touching the word"), Words{"settle"});
  EXPECT_EQ(Lex(R"(expect trace "x"# touching the string)"), (Words{"expect", "trace", "\"x\""}));
}

TEST(Lexer, StepLengthStopsBeforeTheComment) {
  std::string line = R"(expect trace "a # b"   # why)";
  LexedLine lexed = LexLine(line);
  EXPECT_EQ(line.substr(0, lexed.length), R"(expect trace "a # b"   )");
}

TEST(Lexer, TildeMarksATextToLookFor) {
  LexedLine lexed = LexLine(R"(expect no trace ~"failed")");
  ASSERT_EQ(lexed.tokens.size(), 4u);
  EXPECT_TRUE(lexed.tokens[3].contains);
  EXPECT_TRUE(lexed.tokens[3].quoted);
  EXPECT_EQ(lexed.tokens[3].text, "failed");
}

TEST(Lexer, KeyValueTakesWordsAndQuotedStrings) {
  EXPECT_EQ(Lex("fail RegCreateKeyExA skip=1 times=always error=0x5"),
            (Words{"fail", "RegCreateKeyExA", "skip=1", "times=always", "error=0x5"}));
  LexedLine lexed = LexLine(R"(expect service S path="\"C:\\A B\\x.exe\"" start=2)");
  ASSERT_EQ(lexed.tokens.size(), 5u);
  EXPECT_EQ(lexed.tokens[3].key, "path");
  EXPECT_TRUE(lexed.tokens[3].quoted);
  EXPECT_EQ(lexed.tokens[3].text, R"("C:\A B\x.exe")");
  EXPECT_EQ(lexed.tokens[4].key, "start");
  EXPECT_EQ(lexed.tokens[4].text, "2");
}

TEST(Lexer, ALoneEqualsSignIsAWord) {
  LexedLine lexed = LexLine("registry ServiceVersion = 0x0700");
  ASSERT_EQ(lexed.tokens.size(), 4u);
  EXPECT_EQ(lexed.tokens[2].key, "");
  EXPECT_EQ(lexed.tokens[2].text, "=");
}

TEST(Lexer, RejectsBadKeys) {
  EXPECT_EQ(ErrorOf("fail X times="), "times= needs a value");
  EXPECT_EQ(ErrorOf("fail X ti.mes=1"), "bad argument name \"ti.mes\"");
}

TEST(Lexer, AmpersandOnlyEndsAStep) {
  LexedLine lexed = LexLine("run install &   # two runs within one pause");
  EXPECT_TRUE(lexed.background);
  EXPECT_EQ(Shapes(lexed), (Words{"run", "install"}));

  EXPECT_FALSE(LexLine("run install").background);
  EXPECT_FALSE(LexLine(R"(run "&")").background) << "a quoted & is an argument";
  EXPECT_EQ(ErrorOf("run & install"), "& may only end a step");
}

}  // namespace
}  // namespace koru::scn
