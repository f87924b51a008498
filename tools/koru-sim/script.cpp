// Parsing a scenario file: every line lexed and compiled by its verb.
#include "script.h"

#include "blocks.h"
#include "file_error.h"
#include "lexer.h"
#include "values.h"

namespace koru::scn {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// One non-empty line into a step. Throws FileError.
Step CompileLine(int number, std::string_view line, LexedLine lexed) {
  Arguments args(std::move(lexed.tokens));
  if (args.At(0).quoted || args.At(0).contains) {
    throw FileError("a step begins with a verb, not with " + Quoted(args.At(0).text));
  }
  const Verb* verb = StepVerbs().Find(args.At(0).text);
  if (verb == nullptr) throw FileError("unknown verb \"" + args.At(0).text + "\"");
  Step step;
  step.line = number;
  step.text = std::string(Trimmed(line.substr(0, lexed.length)));
  step.compiled = CompileWith(*verb, args.From(1));
  step.background = lexed.background;
  if (step.background && !step.compiled.happens) {
    throw FileError("\"" + verb->name + "\" makes nothing happen, so it cannot end with &");
  }
  return step;
}

std::string Message(const FileError& error) {
  std::string message = error.what();
  if (!error.usage().empty()) message += " (usage: " + error.usage() + ")";
  return message;
}

}  // namespace

Script ParseScript(std::string_view text) {
  Script script;
  int number = 0;
  while (!text.empty()) {
    ++number;
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    try {
      LexedLine lexed = LexLine(line);
      if (lexed.tokens.empty()) {
        if (lexed.background) throw FileError("& alone is not a step");
        continue;
      }
      script.steps.push_back(CompileLine(number, line, std::move(lexed)));
    } catch (const FileError& error) {
      script.problems.push_back({number, Message(error)});
    }
  }
  UnrollBlocks(script);
  return script;
}

}  // namespace koru::scn
