// The two sources of a storm's decisions.
#include "choices.h"

namespace koru::storm {

uint32_t SeededChoices::Below(uint32_t count) { return static_cast<uint32_t>(random_() % count); }

uint32_t ByteChoices::NextByte() { return next_ < size_ ? data_[next_++] : 0; }

uint32_t ByteChoices::Below(uint32_t count) {
  uint32_t value = NextByte();
  if (count > 256) value = (value << 8) | NextByte();
  return value % count;
}

}  // namespace koru::storm
