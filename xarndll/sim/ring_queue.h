// A queue kept in card memory: a header region and an entry region from the memory map. The
// header's words are: 0 entries held, 1 index of the oldest entry, 2..3 entries dropped because
// the queue was full (32 bits), 4..5 the mark of the listing being read (see listingIndex). A
// zeroed header is an empty queue, so clearing memory empties it.
#pragma once

#include <cstdint>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/status.h"

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
    uint32_t address = entries_.entry(claim());
    memory_.fill(address, entries_.entryBytes / 2, 0);
    return address;
  }
  // push() for a caller that writes every word of the entry: its words, in place and not zeroed.
  uint16_t* pushInPlace() { return memory_.entryWords(entries_, claim()); }

  // Accounts `count` pushes whose entries later pushes overwrite anyway, without writing them:
  // the header ends as that many push() calls leave it (a catch-up over a long stretch).
  void skip(uint64_t count) {
    if (count == 0 || capacity() == 0) return;
    uint64_t total = size() + count;
    uint64_t held = total < capacity() ? total : capacity();
    uint64_t lost = total - held;
    memory_.write(header_, static_cast<uint16_t>(held));
    memory_.write(header_ + 2, static_cast<uint16_t>((head() + lost % capacity()) % capacity()));
    memory_.write32(header_ + 4, static_cast<uint32_t>(dropped() + lost));
  }

  // Entries are numbered in the order they were pushed since the queue was last emptied: the
  // oldest held is number dropped(), the newest pushedCount() - 1 (both modulo 2^32).
  uint32_t pushedCount() const { return dropped() + size(); }

  // Listings read newest first. `back` counts back from the newest entry (0 the newest); the
  // result is the entry's index from the oldest, or size() when the queue no longer holds it. A
  // listing starts at 0: that read marks how many entries had been pushed, and the later reads
  // count back from the mark, so traffic that arrives while a listing runs neither repeats nor
  // skips an entry of it (entries that fall off the old end end it early).
  uint32_t listingIndex(uint32_t back) {
    if (back == 0) memory_.write32(header_ + kMarkOffset, pushedCount());
    uint32_t index = memory_.read32(header_ + kMarkOffset) - 1 - back - dropped();
    return index < size() ? index : size();
  }

  void popFront() {
    uint32_t n = size();
    if (n == 0) return;
    memory_.write(header_ + 2, static_cast<uint16_t>((head() + 1) % capacity()));
    memory_.write(header_, static_cast<uint16_t>(n - 1));
  }

  // Takes the newest entry away.
  void popBack() {
    uint32_t n = size();
    if (n > 0) memory_.write(header_, static_cast<uint16_t>(n - 1));
  }

  void clear() { memory_.fill(header_, 6, 0); }

 private:
  // Every region of the memory map has entries (checked where the map is written), so the
  // capacity is never 0.
  uint32_t head() const {
    uint32_t h = memory_.read(header_ + 2);
    return h < capacity() ? h : h % capacity();  // NOLINT(clang-analyzer-core.DivideZero)
  }

  // The header of a queue one entry longer (a full one drops its oldest); the new entry's index.
  uint32_t claim() {
    uint32_t n = size();
    uint32_t first = head();
    if (n == capacity()) {
      first = first + 1 == capacity() ? 0 : first + 1;
      memory_.write(header_ + 2, static_cast<uint16_t>(first));
      memory_.write32(header_ + 4, dropped() + 1);
      --n;
    }
    memory_.write(header_, static_cast<uint16_t>(n + 1));
    uint32_t slot = first + n;
    return slot >= capacity() ? slot - capacity() : slot;
  }

  static constexpr uint32_t kMarkOffset = 8;  // header words 4..5

  CardMemory& memory_;
  uint32_t header_;
  map::Region entries_;
};

// The position-and-end-flag reading of the GDB and MDM queues, one entry a call, newest first:
// a reader that stops after any number of entries has seen the latest traffic. End flag 0:
// `fill` copies the entry at *position (0 is the newest, see listingIndex), the position counts
// up and the flag stays 0; past the oldest entry the flag becomes 1 and the position stays. End
// flag 2: the queue is emptied. Reading takes nothing away. Any other end flag answers 251 and
// does nothing.
inline constexpr uint16_t kEndFlagRead = 0;
inline constexpr uint16_t kEndFlagEnd = 1;
inline constexpr uint16_t kEndFlagClear = 2;

template <class Fill>
uint16_t readAtPosition(RingQueue& queue, uint16_t* position, uint16_t* endFlag, Fill&& fill) {
  if (!position || !endFlag) return kStatusBadArgument;
  switch (*endFlag) {
    case kEndFlagClear:
      queue.clear();
      return kStatusOk;
    case kEndFlagRead: {
      uint32_t index = queue.listingIndex(*position);
      if (index >= queue.size()) {
        *endFlag = kEndFlagEnd;
        return kStatusOk;
      }
      fill(queue.entryAddress(index));
      ++*position;
      return kStatusOk;
    }
    default:
      return kStatusBadArgument;
  }
}

}  // namespace xarnsim
