// The card's 2 MB of memory as plain words. Registers, read-only words and side effects belong
// to SimCard; this class only stores words and refuses addresses that are not word addresses.
// The words are the card's own, or a view of words kept elsewhere (a card on a shared bus keeps
// its memory where the other cards reach it).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>

#include "xarndll/sim/memory_map.h"

namespace xarnsim {

class WireTap;

class CardMemory {
 public:
  CardMemory() : own_(new uint16_t[map::kMemoryWords]()), words_(own_.get()) {}
  // A view of `words` (map::kMemoryWords of them), which outlive it.
  explicit CardMemory(uint16_t* words) : words_(words) {}
  CardMemory(const CardMemory&) = delete;
  CardMemory& operator=(const CardMemory&) = delete;

  // The memory moves to `words` (its contents copied there), or back into a store of its own
  // with a null `words`.
  void relocate(uint16_t* words) {
    if (!words) {
      if (own_) return;
      own_.reset(new uint16_t[map::kMemoryWords]);
      words = own_.get();
    }
    if (words == words_) return;
    std::copy_n(words_, map::kMemoryWords, words);
    words_ = words;
    if (own_ && own_.get() != words) own_.reset();
  }

  static constexpr bool isWordAddress(uint32_t address) {
    return address % 2 == 0 && address < map::kMemoryBytes;
  }

  // An odd or out-of-range address reads 0 and ignores the write.
  uint16_t read(uint32_t address) const { return isWordAddress(address) ? words_[address / 2] : 0; }
  bool write(uint32_t address, uint16_t value) {
    if (!isWordAddress(address)) return false;
    words_[address / 2] = value;
    return true;
  }

  // 32-bit values: bits 15..0 at `address`, bits 31..16 at `address + 2`.
  uint32_t read32(uint32_t address) const {
    return read(address) | static_cast<uint32_t>(read(address + 2)) << 16;
  }
  void write32(uint32_t address, uint32_t value) {
    write(address, static_cast<uint16_t>(value));
    write(address + 2, static_cast<uint16_t>(value >> 16));
  }

  // Block transfers of `count` words; the part outside memory reads 0 and is not written. The
  // bounds are checked once a block, not once a word: queues and tables move blocks all the time.
  void readWords(uint32_t address, uint16_t* out, uint32_t count) const {
    uint32_t inside = wordsInside(address, count);
    if (inside) std::copy_n(&words_[address / 2], inside, out);
    std::fill(out + inside, out + count, uint16_t{0});
  }
  void writeWords(uint32_t address, const uint16_t* in, uint32_t count) {
    uint32_t inside = wordsInside(address, count);
    if (inside) std::copy_n(in, inside, &words_[address / 2]);
  }
  void fill(uint32_t address, uint32_t count, uint16_t value) {
    uint32_t inside = wordsInside(address, count);
    if (inside) std::fill_n(&words_[address / 2], inside, value);
  }
  void clear(const map::Region& region) { fill(region.base, region.bytes() / 2, 0); }

  // The words of entry `index` (below the region's count) of `region`, for a bus that fills the
  // entries of a busy queue in place. Every region lies inside memory (memory_map.h).
  uint16_t* entryWords(const map::Region& region, uint32_t index) {
    return &words_[region.entry(index) / 2];
  }

  // Where the buses offer their traffic while the card is recorded (wire_tap.h); null: nowhere.
  // It sits with the memory because every bus of the card already holds the memory.
  WireTap* tap = nullptr;

 private:
  // How many of the `count` words from `address` on lie in memory (0 for an odd address).
  static uint32_t wordsInside(uint32_t address, uint32_t count) {
    if (!isWordAddress(address)) return 0;
    return std::min(count, map::kMemoryWords - address / 2);
  }

  std::unique_ptr<uint16_t[]> own_;
  uint16_t* words_;
};

}  // namespace xarnsim
