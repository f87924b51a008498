// Where a storm's decisions come from: a generator seeded with the storm's
// seed, or the bytes of a fuzzer's input. Events are built from these
// decisions in one place (events.h), whatever their source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

namespace koru::storm {

class Choices {
 public:
  virtual ~Choices() = default;
  // A number from 0 to count - 1 (count > 0).
  virtual uint32_t Below(uint32_t count) = 0;
  // Whether the source has run dry; a generator never does.
  virtual bool Exhausted() const = 0;

  bool OneIn(uint32_t count) { return Below(count) == 0; }
};

class SeededChoices : public Choices {
 public:
  explicit SeededChoices(uint64_t seed) : random_(seed) {}
  uint32_t Below(uint32_t count) override;
  bool Exhausted() const override { return false; }

 private:
  std::mt19937_64 random_;
};

// Reads each decision from the next byte (two for counts above 256); once
// the bytes are used up every decision is 0.
class ByteChoices : public Choices {
 public:
  ByteChoices(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint32_t Below(uint32_t count) override;
  bool Exhausted() const override { return next_ >= size_; }

 private:
  uint32_t NextByte();

  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
};

}  // namespace koru::storm
