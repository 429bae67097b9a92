// One message between the partner bus controller and an MDM unit: which message a step of the
// unit's cycle is, what the unit does with it, what it answers, what the error injection of the
// message type does to the answer, and how long it all takes on the local bus.
// docs/bus-protocol.md ("The MDM units") is the prose of this file.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/ldb/ldb_bus.h"

namespace xarnsim::mdm {

// Message type codes, as the MDM queue carries them.
enum MessageType : uint16_t {
  kRcp = 0,  // reset command pointer: the unit starts its PROM sequence
  kEps = 1,  // end of PROM sequence
  kOti = 2,  // output to IOM
  kIfi = 3,  // input from IOM
  kRbt = 4,  // return BSR
  kMrs = 5,  // master reset
  kRcw = 6,  // return command word
  kLbt = 7,  // loop-back test
  kBt1 = 8,  // BITE tests 1 to 4
  kBt2 = 9,
  kBt3 = 10,
  kBt4 = 11,
  kIll = 12,  // a PROM entry that makes no sense
};
inline constexpr int kInjectedTypes = 12;  // RCP..BT4 have an error injection each

// The maintenance message of each cycle, in turn.
inline constexpr std::array<MessageType, 6> kMaintenance = {kMrs, kRcw, kLbt, kBt1, kBt2, kBt3};

// Error injection codes of the MDM units (the local-bus word errors and five of their own).
inline constexpr uint16_t kErrorParity = ldb::kErrorParity;
inline constexpr uint16_t kErrorSync = ldb::kErrorSync;
inline constexpr uint16_t kErrorManchester = ldb::kErrorManchester;
inline constexpr uint16_t kErrorBitCount = ldb::kErrorBitCount;
inline constexpr uint16_t kErrorNone = ldb::kErrorNone;
inline constexpr uint16_t kErrorNoResponse = 0x0300;
inline constexpr uint16_t kErrorWordCountPlus = 0x0500;
inline constexpr uint16_t kErrorWordCountMinus = 0x0900;
inline constexpr uint16_t kErrorSev = 0x1100;
inline constexpr uint16_t kErrorRtAddress = 0x2100;

// Error flags of the MDM queue; bits 4..0 are the local bus's word errors.
inline constexpr uint16_t kFlagWc = 1 << 5;   // the answer had more or fewer data words
inline constexpr uint16_t kFlagTa = 1 << 6;   // the answer came from another address
inline constexpr uint16_t kFlagPp = 1 << 7;   // PROM parity: entry and IOM disagree
inline constexpr uint16_t kFlagId = 1 << 8;   // the status word indicates an error (SEV)
inline constexpr uint16_t kFlagIc = 1 << 9;   // illegal command
inline constexpr uint16_t kFlagBh = 1 << 10;  // the unit answered busy
inline constexpr uint16_t kFlagIg = 1 << 11;  // the unit ignored the command: no answer

// Status word bits 14..0 of a unit's answer.
inline constexpr uint32_t kStatusPowerInterrupt = 0x4000;
inline constexpr uint32_t kStatusServiceRequest = 0x2000;
inline constexpr uint32_t kStatusEnhanced = 0x1000;
inline constexpr uint32_t kStatusSevMask = 0x0007;

inline constexpr int kMaxDataWords = 32;
inline constexpr int kMaxPartnerWords = 15;  // the longest output: 15 channels

struct Message {
  uint16_t type = kIll;
  uint16_t iom = 0;
  uint16_t start = 0;
  uint16_t count = 0;
  uint16_t errors = 0;
  uint32_t command = 0;
  uint32_t status = 0;  // the unit's status word; 0 when it stayed silent
  bool answered = false;
  uint16_t partnerWords = 0;
  uint16_t answerWords = 0;
  std::array<uint16_t, kMaxDataWords> partner{};  // the words the partner sends
  std::array<uint16_t, kMaxDataWords> answer{};   // the unit's data words after its status word
  ldb::Tick length = 0;  // from the start of the command word to the end of the last word
};

// Bus time a unit's slot takes: room for the longest message and the gap after it.
ldb::Tick slotLength(const ldb::Timing& timing);

// One unit as the partner sees it, over card memory.
class Unit {
 public:
  Unit(CardMemory& memory, int rt) : memory_(memory), rt_(rt) {}

  bool enabled() const;
  // The non-blank command entries of the PROM, in entry order, into `sequence`.
  void readSequence(std::vector<uint16_t>& sequence) const;
  // Messages in one cycle of a unit whose PROM sequence has `entries` entries.
  uint32_t cycleLength(uint32_t entries) const;

  // The message at `position` of cycle number `cycle`, and what the unit answers; nothing in
  // card memory changes.
  void describe(const std::vector<uint16_t>& sequence, uint32_t position, uint32_t cycle,
                const ldb::Timing& timing, Message& out) const;
  // A command of another card's bus controller on a shared bus, with the `sent` data words
  // (16-bit values) that came after it; nothing in card memory changes.
  void respond(uint32_t command, const uint16_t* data, uint16_t sent, const ldb::Timing& timing,
               Message& out) const;
  // What the message leaves in the unit: received data, the last command and its time (`tag`
  // counts from the card's last initialisation).
  void apply(const Message& message, uint64_t tagMicros);

 private:
  void describeEntry(uint16_t entry, bool enhanced, Message& m) const;
  bool classify(uint16_t mode, uint16_t channels, bool enhanced, Message& m) const;
  void finish(const ldb::Timing& timing, Message& m) const;
  void exchange(uint32_t cycle, Message& m) const;
  void inject(Message& m) const;

  CardMemory& memory_;
  int rt_;
};

}  // namespace xarnsim::mdm
