// Formatting the sweep's table.
#include "sweep_table.h"

#include <map>

namespace koru::sweep {
namespace {

struct Cell {
  int survived = 0;
  int total = 0;
};

struct Row {
  Cell once;
  Cell always;
  std::vector<std::string> notes;
};

std::string Text(const Cell& cell) {
  if (cell.total == 0) return "-";
  return std::to_string(cell.survived) + "/" + std::to_string(cell.total);
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

void Add(Row& row, const RunResult& result) {
  Cell& cell = result.fault.mode == Mode::Always ? row.always : row.once;
  ++cell.total;
  if (result.reasons.empty()) ++cell.survived;
  const char* mode = ModeName(result.fault.mode);
  if (!result.lifeAfterFault.empty() && result.lifeAfterFault != "running, connected") {
    row.notes.push_back(std::string(mode) + ": " + result.lifeAfterFault);
  }
  if (!result.reasons.empty()) {
    row.notes.push_back(std::string(mode) + " FAILED: " + Joined(result.reasons, "; "));
  }
}

}  // namespace

void PrintTable(std::ostream& out, const std::vector<RunResult>& results) {
  std::map<std::string, Row> rows;
  int survived = 0;
  for (const RunResult& result : results) {
    Add(rows[result.fault.api], result);
    if (result.reasons.empty()) ++survived;
  }
  out << "| call | once | always | after the faulty demo (when not running and connected) |\n"
      << "| --- | --- | --- | --- |\n";
  for (const auto& [api, row] : rows) {
    out << "| " << api << " | " << Text(row.once) << " | " << Text(row.always) << " | "
        << Joined(row.notes, "; ") << " |\n";
  }
  out << "\n"
      << rows.size() << " calls, " << survived << "/" << results.size() << " runs survived\n";
}

}  // namespace koru::sweep
