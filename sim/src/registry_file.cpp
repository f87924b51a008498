// Saving the simulated registry to a text file and loading it back, so that
// the demo keeps its settings between runs.
#include "sim/registry.h"

#include <fstream>
#include <iterator>

#include "kernel.h"
#include "registry_text.h"
#include "registry_tree.h"

namespace sim::registry {

bool Save(const std::string& file) {
  std::string text;
  {
    auto lock = Lock();
    text = reg::FormatTree(reg::Registry());
  }
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

bool Load(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  std::optional<reg::Tree> tree = reg::ParseTree(text);
  if (!tree) return false;
  auto lock = Lock();
  reg::ReplaceRegistry(std::move(*tree));
  return true;
}

}  // namespace sim::registry
