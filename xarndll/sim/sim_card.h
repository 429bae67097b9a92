// One simulated card: its memory, its clock, its state machine (mode, run, self test, wrap
// test, firmware programming) and the test hooks the control API sets. The driver functions in
// exports.cpp are thin wrappers over the operations below.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "card/xarndll.h"
#include "xarndll/sim/card_memory.h"
#include "xarndll/sim/event_queue.h"
#include "xarndll/sim/functions.h"
#include "xarndll/sim/gdb/gdb_engine.h"
#include "xarndll/sim/ldb/ldb_engine.h"
#include "xarndll/sim/mdm/mdm_engine.h"
#include "xarndll/sim/monitor/monitor_engine.h"
#include "xarndll/sim/wire_tap.h"

namespace xarnsim {

namespace bus {
class Node;
}

inline constexpr uint16_t kModeNone = 0;
inline constexpr uint16_t kModeLdbBct = 1;
inline constexpr uint16_t kModeLdbMrt = 2;
inline constexpr uint16_t kModeBusMon = 3;
inline constexpr uint16_t kModeGdbBct = 4;
inline constexpr uint16_t kModeGdbMrt = 5;
inline constexpr uint16_t kModeMdmMrt = 6;

inline constexpr uint16_t kCommandRun = 10;
inline constexpr uint16_t kCommandHalt = 11;
inline constexpr uint16_t kCommandSelfTest = 13;
inline constexpr uint16_t kCommandWrapTest = 14;
inline constexpr uint16_t kCommandFirmware = 15;

// State words the card reports besides 0x10 x mode (+1 while running).
inline constexpr uint16_t kStateSelfTest = 0x000F;
inline constexpr uint16_t kStateSelfTestPassed = 0x800F;
inline constexpr uint16_t kStateWrapPassed = 0x800A;
inline constexpr uint16_t kStateLocalWrapPassed = 0x80FA;
inline constexpr uint16_t kQualifierPassive = 0x9000;  // GDB_BCT running passive
inline constexpr uint16_t kQualifierActive = 0xA000;   // GDB_BCT running active

// Firmware handshake words, in the order the loader writes them (0x0004 last).
inline constexpr uint16_t kHandshakeAcknowledge = 0x2B71;  // at 0x0006
inline constexpr uint16_t kHandshakeKey1 = 0x4E96;         // at 0x0008
inline constexpr uint16_t kHandshakeKey2 = 0x7D28;         // at 0x000A
inline constexpr uint16_t kHandshakeControl = 0x19E4;      // at 0x0004

// The identity a new simulated card reports.
inline constexpr uint32_t kDefaultSerialNumber = 0x2F41A;
inline constexpr uint16_t kDefaultFirmwareRevision = 3;  // revision C
inline constexpr uint32_t kFactoryFirmwareChecksum = 0x00174E2B;
inline constexpr const char* kDriverRevisionText = "XARNDLL SIM 1.0";

struct CardOptions {
  bool extendedChannels = false;  // copied to the context by DUVEX_InitDLL
  uint32_t selfTestMillis = 3000;
  uint32_t firmwareMillis = 5000;  // programming time after the acknowledgement
  bool firmwareAcknowledge = true;
  bool localWrap = false;  // wrap test through the card's internal loop (0x80FA)
};

struct CallHooks {
  struct Failure {
    uint16_t status = 0;
    int remaining = 0;
  };
  std::array<uint64_t, kFunctionCount> counts{};
  std::array<Failure, kFunctionCount> failures{};
  std::function<void(const std::string&)> trace;
  std::optional<uint16_t> forcedState;

  // The status to return instead of running the call, while a failure is pending.
  std::optional<uint16_t> takeFailure(Fn fn) {
    Failure& f = failures[static_cast<std::size_t>(fn)];
    if (f.remaining <= 0) return std::nullopt;
    --f.remaining;
    return f.status;
  }
};

class SimCard {
 public:
  using Clock = std::function<uint64_t()>;  // microseconds, monotonic

  SimCard();
  ~SimCard();
  SimCard(const SimCard&) = delete;
  SimCard& operator=(const SimCard&) = delete;

  // A driver call's hold on the card: on a shared bus, nobody else touches the bus until the
  // call ends.
  class Hold {
   public:
    explicit Hold(std::weak_ptr<bus::Node> node) : node_(std::move(node)) {}
    Hold(Hold&&) noexcept = default;
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
    Hold& operator=(Hold&&) = delete;
    ~Hold();

   private:
    // Weak: the call may close the card (DUVEX_CloseDLL), which leaves the bus and lets go.
    std::weak_ptr<bus::Node> node_;
  };

  // Time. enter() brings the card to the time source's "now" and holds it for the call; every
  // driver call does it first. catchUp() is enter() and let go.
  void setTimeSource(Clock clock);
  [[nodiscard]] Hold enter();
  void catchUp() { Hold hold = enter(); }

  // Joins the named shared bus: the card's memory moves there and its time becomes the bus's.
  // False, with a message, when the bus cannot be joined; the card then stays alone.
  bool joinBus(const std::string& name, std::string& error);
  bus::Node* busNode() { return node_.get(); }
  uint64_t cardTime() const { return now_; }        // microseconds since the card was created
  uint64_t epochMicros() const { return epoch(); }  // where the card's clock counts from

  // Recording: every bus offers its transfers to `tap` (null: none), which the card keeps.
  void setTap(std::unique_ptr<WireTap> tap);
  WireTap* tap() const { return tap_.get(); }

  // Card words as the driver sees them: registers are computed, read-only words refuse writes,
  // and the firmware handshake words react. False: the write was ignored.
  uint16_t readWord(uint32_t address) const;
  bool writeWord(uint32_t address, uint16_t value);
  CardMemory& memory() { return memory_; }
  const CardMemory& memory() const { return memory_; }

  // Driver operations; each returns a driver status.
  uint16_t init(CardContext& context, uint16_t cardType, uint16_t endian, uint16_t serialPort);
  uint16_t setup(uint16_t mode, const SetupRecord* record);
  uint16_t readStatus(uint16_t* stateWord) const;
  uint16_t command(uint16_t code);
  uint16_t readClock(TimeTag* clock) const;
  uint16_t readCardId(CardIdRecord* id) const;
  uint16_t readGdbBcMode(uint16_t* modeWord) const;
  uint16_t writeGdbBcMode(uint16_t modeWord);
  uint16_t clearMonitorStack();
  uint16_t runMonitor();

  // The local data bus: LDB_BCT runs `frames` frames (0: until halted).
  uint16_t runLdbController(uint16_t frames);

  // The simulators of the buses, one per bus.
  ldb::Engine& ldb() { return ldb_; }
  monitor::Engine& monitor() { return monitor_; }
  gdb::Engine& gdb() { return gdb_; }
  mdm::Engine& mdm() { return mdm_; }

  uint16_t stateWord() const;
  bool initialised() const { return initialised_; }
  uint16_t mode() const { return mode_; }
  bool running() const { return running_; }
  bool busy() const;  // self test in progress or firmware being programmed

  void setSerialNumber(uint32_t serial);
  void setFirmwareRevision(uint16_t revision);

  CardOptions& options() { return options_; }
  CallHooks& hooks() { return hooks_; }

 private:
  enum class Test { None, SelfTestRunning, SelfTestPassed, WrapPassed, LocalWrapPassed };
  enum class Firmware { Idle, Armed, Programming };

  uint64_t sourceNow() const;
  uint64_t epoch() const;
  uint64_t sourceTarget();
  void advanceTo(uint64_t target);
  void advanceBus(uint64_t target);
  BusEngine* engine(uint16_t mode);  // the bus simulator of `mode`, null for none
  void startBus();
  void halt();
  void startSelfTest();
  void wrapTest();
  void checkFirmwareHandshake();
  void finishFirmware();
  void writeIdentity(uint32_t serial, uint32_t checksum, uint16_t revision);
  uint16_t clockWord(uint32_t address) const;

  CardOptions options_;
  CardMemory memory_;
  ldb::Engine ldb_{memory_};
  monitor::Engine monitor_{memory_};
  gdb::Engine gdb_{memory_, options_.extendedChannels};
  mdm::Engine mdm_{memory_};
  EventQueue events_;
  Clock clock_;
  uint64_t now_ = 0;
  uint64_t sourceLast_ = 0;
  uint64_t initTime_ = 0;

  bool initialised_ = false;
  uint16_t mode_ = kModeNone;
  bool running_ = false;
  Test test_ = Test::None;
  Firmware firmware_ = Firmware::Idle;

  CallHooks hooks_;
  std::unique_ptr<WireTap> tap_;
  std::shared_ptr<bus::Node> node_;  // last: it leaves the bus before the memory goes
};

}  // namespace xarnsim
