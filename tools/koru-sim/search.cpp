// Descriptions of what a failed search went through.
#include "search.h"

namespace koru::scn {
namespace {

constexpr size_t kShown = 5;

}  // namespace

std::string DescribeSearched(const std::vector<std::string>& shown, size_t from,
                             const std::string& what, const std::string& where) {
  size_t count = from < shown.size() ? shown.size() - from : 0;
  if (count == 0) return "no " + what + " " + where;
  std::string text = std::to_string(count) + " " + what + " " + where + ", none matching:";
  for (size_t i = from; i < shown.size() && i < from + kShown; ++i) {
    text += "\n      " + std::to_string(i + 1) + ": " + shown[i];
  }
  if (count > kShown) text += "\n      ... and " + std::to_string(count - kShown) + " more";
  return text;
}

}  // namespace koru::scn
