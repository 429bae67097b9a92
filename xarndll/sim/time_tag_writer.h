// Time tags written into card memory: the six words of a TimeTag (days to microseconds) for a
// moment of a bus, counted from the card's last initialisation. Every bus stamps its queue
// entries and records this way; words come in their thousands a second, so the days-to-seconds
// part is worked out once a second.
#pragma once

#include <array>
#include <cstdint>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/card_time.h"

namespace xarnsim {

class TimeTagWriter {
 public:
  // `epochMicros`: where the time tags count from, kept by the bus (it changes with each run).
  TimeTagWriter(CardMemory& memory, const uint64_t& epochMicros)
      : memory_(memory), epochMicros_(epochMicros) {}

  // Writes the time tag of bus time `tick` as six card words at `address`.
  // Word by word: a block copy of words just worked out waits for them to reach memory first.
  void write(uint32_t address, Tick tick) {
    uint16_t words[kWords];
    fill(tick, words);
    for (uint32_t i = 0; i < kWords; ++i) memory_.write(address + 2 * i, words[i]);
  }

  // The six words of the time tag of bus time `tick`, for a caller that writes them with others.
  static constexpr uint32_t kWords = 6;
  void fill(Tick tick, uint16_t* out) {
    uint64_t micros = tick / kTicksPerMicro;
    micros = micros > epochMicros_ ? micros - epochMicros_ : 0;
    if (micros < second_ || micros - second_ >= kMicrosPerSecond) {
      second_ = micros / kMicrosPerSecond * kMicrosPerSecond;
      TimeTag t = toTimeTag(second_);
      upToSeconds_ = {t.days, t.hours, t.minutes, t.seconds};
    }
    auto within = static_cast<uint32_t>(micros - second_);
    out[0] = upToSeconds_[0];
    out[1] = upToSeconds_[1];
    out[2] = upToSeconds_[2];
    out[3] = upToSeconds_[3];
    out[4] = static_cast<uint16_t>(within / 1000);
    out[5] = static_cast<uint16_t>(within % 1000);
  }

 private:
  CardMemory& memory_;
  const uint64_t& epochMicros_;
  uint64_t second_ = ~0ull;                // the first microsecond of the cached words' second
  std::array<uint16_t, 4> upToSeconds_{};  // days, hours, minutes, seconds
};

}  // namespace xarnsim
