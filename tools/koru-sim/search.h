// Searching a log forward from a point, and showing what a search saw.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace koru::scn {

// The index of the first entry at or after `from` that `match` accepts.
template <typename T, typename Match>
std::optional<size_t> FindFrom(const std::vector<T>& log, size_t from, const Match& match) {
  for (size_t i = from; i < log.size(); ++i) {
    if (match(log[i])) return i;
  }
  return std::nullopt;
}

// The index of the first entry before `end` that `match` accepts.
template <typename T, typename Match>
std::optional<size_t> FindBefore(const std::vector<T>& log, size_t end, const Match& match) {
  for (size_t i = 0; i < end && i < log.size(); ++i) {
    if (match(log[i])) return i;
  }
  return std::nullopt;
}

// "N WHAT FROM" and the first few of them, for a search that found
// nothing: `shown` holds every entry already written as the reader sees it.
std::string DescribeSearched(const std::vector<std::string>& shown, size_t from,
                             const std::string& what, const std::string& where);

}  // namespace koru::scn
