// The card as up to 256 remote terminals of a global data bus (GDB_MRT): each terminal's record,
// a pool of channel records keyed by (RT, channel) and the RT queue in card memory, and a
// partner bus controller on the far side that polls every channel written to the pool.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "card/records.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/gdb/gdb_bus.h"
#include "xarndll/sim/gdb/gdb_wire.h"
#include "xarndll/sim/ring_queue.h"
#include "xarndll/sim/time_tag_writer.h"

namespace xarnsim::gdb {

inline constexpr uint16_t kRtEnabled = 0x8000;
inline constexpr uint16_t kNoResponse = 0xFFFF;
inline constexpr int kRequestKinds = 4;              // COMMAND, DISCRETE, MEASUREMENT, ANALOG
inline constexpr Tick kPollCycle = micros(100'000);  // the partner polls at 10 Hz

// What an RT-queue entry holds.
inline constexpr uint16_t kWordCommand = 0;  // the partner's command
inline constexpr uint16_t kWordResponse = 1;
inline constexpr uint16_t kWordIntermediate = 2;
inline constexpr uint16_t kWordUnsolicited = 3;

// Whether a channel of response type `type` answers a request of kind `kind` (0..3).
bool answersKind(uint16_t type, int kind);

class Terminals {
 public:
  // `extendedChannels` is the card's own flag: the channels it decodes from the pool.
  Terminals(CardMemory& memory, TimeTagWriter& tags, const bool& extendedChannels);

  // The driver's record calls; each returns a driver status.
  uint16_t readRt(uint16_t rt, GdbRtSimRecord& record) const;
  uint16_t writeRt(uint16_t rt, const GdbRtSimRecord& record);
  uint16_t readChannel(uint16_t rt, uint16_t channel, GdbRtChanRecord& record, bool extended) const;
  uint16_t writeChannel(uint16_t rt, uint16_t channel, const GdbRtChanRecord& record,
                        bool extended);
  uint16_t readQueue(uint16_t* index, uint16_t* endFlag, GdbRtQueueEntry& entry);

  // On a shared bus: the bus beyond the card (null: the card is alone).
  void attach(Wire* wire) { wire_ = wire; }

  // Where the card whose memory is `memory` keeps `channel` of terminal `rt` when it claims
  // them (the RT enabled, the channel in the pool); 0 when it does not.
  static uint32_t claim(const CardMemory& memory, uint16_t rt, uint16_t channel);
  // A controller of another card sends `request` to that card's channel at pool entry `entry`
  // (what claim() found; time tags counted from `epochMicros`). The terminal takes the word in
  // as it takes its partner's commands (RT queue, counters); `answer` is what the controller
  // receives within its wait.
  static void answer(CardMemory& memory, uint64_t epochMicros, uint32_t entry,
                     const Request& request, Answer& answer);

  void start(Tick now);
  void stop() { running_ = false; }
  bool running() const { return running_; }
  void invalidate() { stale_ = true; }
  bool advance(Tick until);

 private:
  struct Channel {
    uint16_t rt = 0;
    uint16_t number = 0;
    std::array<uint16_t, chan::kWords> words{};
    uint16_t word(uint32_t offset) const { return words[(offset - chan::kIntermediate) / 2]; }
  };
  struct Terminal {
    std::array<uint16_t, rt::kWords> words{};
    bool written = false;
    uint16_t word(uint32_t offset) const { return words[offset / 2]; }
  };
  // A word on the bus, from the start of its exchange.
  struct Word {
    Tick offset = 0;
    std::array<uint16_t, 7> fields{};  // response, sync, errors, RT, channel, data, what
  };
  struct Exchange {
    std::array<Word, 4> words;
    int count = 0;
    Tick length = 0;
    bool answered = false;
  };

  // The pool entry's address, 0 if none.
  static uint32_t find(const CardMemory& memory, uint16_t rt, uint16_t channel);
  static void readTerminal(const CardMemory& memory, uint16_t rt, Terminal& out);
  void plan();
  // The exchange a command word (`sync`, `data`: the request) starts; an answer that starts
  // more than `timeout` after the word's end, with no intermediate word first, is no answer.
  static void exchange(const Channel& c, const Terminal& t, uint16_t sync, uint16_t data,
                       Tick timeout, Exchange& out);
  // `kind`: the request kind (0..3) the recording names.
  static void record(CardMemory& memory, TimeTagWriter& tags, RingQueue& queue, const Exchange& ex,
                     uint16_t kind, Tick start);
  void count(uint64_t from, uint64_t to);
  void perform(uint64_t g);

  CardMemory& memory_;
  TimeTagWriter& tags_;
  const bool& extended_;
  RingQueue queue_;
  Wire* wire_ = nullptr;
  bool running_ = false;
  bool stale_ = true;
  Tick done_ = 0;
  uint64_t next_ = 0;
  std::vector<Channel> channels_;  // the pool's channels in (RT, channel) order
  std::array<Terminal, 256> terminals_{};
  Timeline timeline_;
};

}  // namespace xarnsim::gdb
