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
  void write(uint32_t address, Tick tick) {
    uint64_t micros = tick / kTicksPerMicro;
    micros = micros > epochMicros_ ? micros - epochMicros_ : 0;
    uint64_t second = micros / kMicrosPerSecond;
    if (second != second_) {
      TimeTag t = toTimeTag(second * kMicrosPerSecond);
      upToSeconds_ = {t.days, t.hours, t.minutes, t.seconds};
      second_ = second;
    }
    auto within = static_cast<uint32_t>(micros - second * kMicrosPerSecond);
    const uint16_t words[6] = {upToSeconds_[0],
                               upToSeconds_[1],
                               upToSeconds_[2],
                               upToSeconds_[3],
                               static_cast<uint16_t>(within / 1000),
                               static_cast<uint16_t>(within % 1000)};
    memory_.writeWords(address, words, 6);
  }

 private:
  CardMemory& memory_;
  const uint64_t& epochMicros_;
  uint64_t second_ = ~0ull;                // the second the cached words belong to
  std::array<uint16_t, 4> upToSeconds_{};  // days, hours, minutes, seconds
};

}  // namespace xarnsim
