// A queue kept in card memory: a header region and an entry region from the memory map. The
// header's words are: 0 entries held, 1 index of the oldest entry, 2..3 entries dropped because
// the queue was full (32 bits). A zeroed header is an empty queue, so clearing memory empties it.
#pragma once

#include <cstdint>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/memory_map.h"

namespace xarnsim {

class RingQueue {
 public:
  RingQueue(CardMemory& memory, const map::Region& header, const map::Region& entries)
      : memory_(memory), header_(header.base), entries_(entries) {}

  uint32_t capacity() const { return entries_.count; }
  // A header that memory writes have corrupted is read as a valid one: counts are clamped.
  uint32_t size() const {
    uint32_t n = memory_.read(header_);
    return n < capacity() ? n : capacity();
  }
  bool empty() const { return size() == 0; }
  uint32_t dropped() const { return memory_.read32(header_ + 4); }

  // Byte address of the `index`-th oldest entry (index < size()).
  uint32_t entryAddress(uint32_t index) const {
    return entries_.entry((head() + index) % capacity());
  }

  // Appends an entry and returns its address for the caller to fill (it is zeroed first). A full
  // queue drops its oldest entry to make room, so the newest traffic is always kept.
  uint32_t push() {
    uint32_t n = size();
    if (n == capacity()) {
      memory_.write(header_ + 2, static_cast<uint16_t>((head() + 1) % capacity()));
      memory_.write32(header_ + 4, dropped() + 1);
      --n;
    }
    uint32_t address = entries_.entry((head() + n) % capacity());
    memory_.fill(address, entries_.entryBytes / 2, 0);
    memory_.write(header_, static_cast<uint16_t>(n + 1));
    return address;
  }

  void popFront() {
    uint32_t n = size();
    if (n == 0) return;
    memory_.write(header_ + 2, static_cast<uint16_t>((head() + 1) % capacity()));
    memory_.write(header_, static_cast<uint16_t>(n - 1));
  }

  void clear() { memory_.fill(header_, 4, 0); }

 private:
  uint32_t head() const { return memory_.read(header_ + 2) % capacity(); }

  CardMemory& memory_;
  uint32_t header_;
  map::Region entries_;
};

}  // namespace xarnsim
