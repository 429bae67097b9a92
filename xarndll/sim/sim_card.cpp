#include "xarndll/sim/sim_card.h"

#include <chrono>
#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "xarndll/sim/bus/node.h"
#include "xarndll/sim/card_time.h"
#include "xarndll/sim/firmware.h"
#include "xarndll/sim/memory_map.h"
#include "xarndll/status.h"

namespace xarnsim {
namespace {

constexpr uint16_t kCardPci = 1;
constexpr uint16_t kCardTorb = 2;

// Word offsets inside the identity region.
constexpr uint32_t kIdSerial = map::kCardIdentity.base;
constexpr uint32_t kIdChecksumHigh = kIdSerial + 4;
constexpr uint32_t kIdChecksumLow = kIdSerial + 6;
constexpr uint32_t kIdFirmwareRevision = kIdSerial + 8;
constexpr uint32_t kIdDriverText = kIdSerial + 10;
constexpr uint32_t kIdFirmwareResult = kIdSerial + 30;  // outcome of the last upgrade

bool readOnly(uint32_t address) {
  return map::kStateRegister.contains(address) || map::kModeRegister.contains(address) ||
         map::kCardIdentity.contains(address) || map::kCardClock.contains(address);
}

bool handshakeWord(uint32_t address) {
  return map::kFirmwareControl.contains(address) || map::kFirmwareAcknowledge.contains(address) ||
         map::kFirmwareKeys.contains(address);
}

}  // namespace

SimCard::SimCard() {
  sourceLast_ = sourceNow();
  writeIdentity(kDefaultSerialNumber, kFactoryFirmwareChecksum, kDefaultFirmwareRevision);
}

// ---- Time

uint64_t SimCard::sourceNow() const {
  if (clock_) return clock_();
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(since).count());
}

SimCard::~SimCard() = default;

SimCard::Hold::~Hold() {
  if (auto node = node_.lock()) node->release();
}

// On a shared bus the card is not brought up to the old source's "now" first: that would move
// the bus by however long the host took since the last call.
void SimCard::setTimeSource(Clock clock) {
  if (!node_) catchUp();
  bool virtualTime = static_cast<bool>(clock);
  clock_ = std::move(clock);
  sourceLast_ = sourceNow();
  if (node_) node_->setPace(virtualTime ? bus::Pace::Virtual : bus::Pace::Wall);
}

// Card time only moves forward: a source that steps back (a new virtual clock) is taken as the
// new reference without moving the card.
uint64_t SimCard::sourceTarget() {
  uint64_t t = sourceNow();
  uint64_t target = t > sourceLast_ ? now_ + (t - sourceLast_) : now_;
  sourceLast_ = t;
  return target;
}

SimCard::Hold SimCard::enter() {
  uint64_t target = sourceTarget();
  if (!node_) {
    if (target > now_) advanceTo(target);
    if (tap_) tap_->caughtUp();
    return Hold({});
  }
  node_->enter(target);
  if (tap_) tap_->caughtUp();
  return Hold(node_);
}

// The card's clock counts from its last initialisation; a card on a shared bus whose setup
// says IRIG-B takes the bus's time instead, so that every such card stamps a word alike.
uint64_t SimCard::epoch() const {
  constexpr uint32_t kClockMode = map::kSetupRecord.base + offsetof(SetupRecord, clockMode);
  constexpr uint16_t kIrigB = 0x8000;
  if (node_ && (memory_.read(kClockMode) & kIrigB)) return 0;
  return initTime_;
}

bool SimCard::joinBus(const std::string& name, std::string& error) {
  if (node_) return true;
  bus::CardView view{[this](uint64_t micros) { advanceTo(std::max(micros, now_)); },
                     [this] { return now_; }, [this] { return mode_; }, [this] { return running_; },
                     [this] { return epoch(); }};
  node_ = bus::Node::join(name, clock_ ? bus::Pace::Virtual : bus::Pace::Wall, memory_,
                          std::move(view), error);
  if (!node_) return false;
  now_ = std::max(now_, node_->joinedAtMicros());
  ldb_.controller().attach(node_.get());
  ldb_.terminals().attach(node_.get());
  monitor_.attach(node_.get());
  mdm_.attach(node_.get());
  gdb_.controller().attach(node_.get());
  gdb_.terminals().attach(node_.get());
  return true;
}

void SimCard::setTap(std::unique_ptr<WireTap> tap) {
  catchUp();
  tap_ = std::move(tap);
  memory_.tap = tap_.get();
}

void SimCard::advanceTo(uint64_t target) {
  events_.runUntil(target, [this](uint64_t due) {
    advanceBus(due);
    now_ = due;
  });
  advanceBus(target);
  now_ = target;
}

// The bus runs up to each event before the event acts, so a halt falls between words.
void SimCard::advanceBus(uint64_t target) {
  if (!running_) return;
  BusEngine* bus = engine(mode_);
  if (!bus || !bus->advance(target)) running_ = false;
}

BusEngine* SimCard::engine(uint16_t mode) {
  switch (mode) {
    case kModeLdbBct:
    case kModeLdbMrt:
      return &ldb_;
    case kModeBusMon:
      return &monitor_;
    case kModeGdbBct:
    case kModeGdbMrt:
      return &gdb_;
    case kModeMdmMrt:
      return &mdm_;
    default:
      return nullptr;
  }
}

void SimCard::startBus() {
  test_ = Test::None;
  running_ = true;
  if (BusEngine* bus = engine(mode_)) bus->start(mode_, now_, epoch());
}

// ---- Words

uint16_t SimCard::readWord(uint32_t address) const {
  if (map::kStateRegister.contains(address)) return stateWord();
  if (map::kModeRegister.contains(address)) return mode_;
  if (map::kCardClock.contains(address)) return clockWord(address);
  return memory_.read(address);
}

bool SimCard::writeWord(uint32_t address, uint16_t value) {
  if (readOnly(address) || !memory_.write(address, value)) return false;
  if (running_) {
    if (BusEngine* bus = engine(mode_)) bus->memoryWritten();
  }
  if (firmware_ == Firmware::Armed && handshakeWord(address)) checkFirmwareHandshake();
  return true;
}

uint16_t SimCard::clockWord(uint32_t address) const {
  TimeTag t{};
  if (initialised_) t = toTimeTag(now_ - epoch());
  uint16_t words[6];
  std::memcpy(words, &t, sizeof words);
  return words[(address - map::kCardClock.base) / 2];
}

// ---- Identity (read-only words at the top of memory)

void SimCard::writeIdentity(uint32_t serial, uint32_t checksum, uint16_t revision) {
  memory_.write32(kIdSerial, serial);
  memory_.write(kIdChecksumHigh, static_cast<uint16_t>(checksum >> 16));
  memory_.write(kIdChecksumLow, static_cast<uint16_t>(checksum));
  memory_.write(kIdFirmwareRevision, revision);
  char text[kDriverRevisionChars] = {};
  std::strncpy(text, kDriverRevisionText, sizeof text - 1);
  for (int i = 0; i < kDriverRevisionChars; i += 2) {
    auto low = static_cast<uint8_t>(text[i]);
    auto high = static_cast<uint8_t>(text[i + 1]);
    memory_.write(kIdDriverText + static_cast<uint32_t>(i), static_cast<uint16_t>(low | high << 8));
  }
}

void SimCard::setSerialNumber(uint32_t serial) { memory_.write32(kIdSerial, serial); }

void SimCard::setFirmwareRevision(uint16_t revision) {
  memory_.write(kIdFirmwareRevision, revision);
}

uint16_t SimCard::readCardId(CardIdRecord* id) const {
  if (!id) return kStatusBadArgument;
  CardIdRecord r{};
  r.serialNumber = memory_.read32(kIdSerial);
  r.checksumHigh = memory_.read(kIdChecksumHigh);
  r.checksumLow = memory_.read(kIdChecksumLow);
  r.firmwareRevision = memory_.read(kIdFirmwareRevision);
  for (int i = 0; i < kDriverRevisionChars; i += 2) {
    uint16_t w = memory_.read(kIdDriverText + static_cast<uint32_t>(i));
    r.driverRevision[i] = static_cast<char>(w & 0xFF);
    r.driverRevision[i + 1] = static_cast<char>(w >> 8);
  }
  r.driverRevision[kDriverRevisionChars - 1] = '\0';
  std::memcpy(id, &r, sizeof r);
  return kStatusOk;
}

// ---- State

bool SimCard::busy() const {
  return test_ == Test::SelfTestRunning || firmware_ == Firmware::Programming;
}

uint16_t SimCard::stateWord() const {
  if (hooks_.forcedState) return *hooks_.forcedState;
  switch (test_) {
    case Test::SelfTestRunning:
      return kStateSelfTest;
    case Test::SelfTestPassed:
      return kStateSelfTestPassed;
    case Test::WrapPassed:
      return kStateWrapPassed;
    case Test::LocalWrapPassed:
      return kStateLocalWrapPassed;
    case Test::None:
      break;
  }
  auto word = static_cast<uint16_t>(0x10 * mode_ + (running_ ? 1 : 0));
  if (running_ && mode_ == kModeGdbBct)
    word |= (memory_.read(map::kGdbBcMode.base) & 0x8000) ? kQualifierPassive : kQualifierActive;
  return word;
}

uint16_t SimCard::readStatus(uint16_t* stateWord) const {
  if (!stateWord) return kStatusBadArgument;
  if (!initialised_ && !hooks_.forcedState) {
    *stateWord = 0;
    return kStatusNotInitialised;
  }
  *stateWord = this->stateWord();
  return kStatusOk;
}

void SimCard::halt() {
  for (BusEngine* bus : std::initializer_list<BusEngine*>{&ldb_, &monitor_, &gdb_, &mdm_})
    bus->stop();
  running_ = false;
  test_ = Test::None;
}

// Initialising resets the card's state and restarts its clock; memory keeps its contents, so a
// second initialisation loses no configuration.
uint16_t SimCard::init(CardContext& context, uint16_t cardType, uint16_t endian,
                       uint16_t serialPort) {
  bool typeOk =
      cardType == kCardPci || (cardType == kCardTorb && serialPort >= 1 && serialPort <= 4);
  if (!typeOk || endian > 1) return kStatusBadArgument;
  events_.clear();
  initialised_ = true;
  initTime_ = now_;
  mode_ = kModeNone;
  halt();
  firmware_ = Firmware::Idle;
  context.cardType = cardType;
  context.extendedChannels = options_.extendedChannels ? 1 : 0;
  return kStatusOk;
}

uint16_t SimCard::setup(uint16_t mode, const SetupRecord* record) {
  if (!initialised_) return kStatusNotInitialised;
  if (!record || mode < kModeLdbBct || mode > kModeMdmMrt) return kStatusBadArgument;
  if (record->marker != 0xFFFFFFFF) return kStatusBadArgument;
  if (busy()) return kStatusBusy;
  uint16_t words[sizeof(SetupRecord) / 2];
  std::memcpy(words, record, sizeof words);
  memory_.writeWords(map::kSetupRecord.base, words, sizeof words / 2);
  mode_ = mode;
  halt();
  return kStatusOk;
}

uint16_t SimCard::command(uint16_t code) {
  if (!initialised_) return kStatusNotInitialised;
  if (busy()) return kStatusBusy;
  if (code >= kModeLdbBct && code <= kModeMdmMrt) {
    mode_ = code;
    halt();
    return kStatusOk;
  }
  switch (code) {
    case kCommandRun:
      if (mode_ == kModeNone) return kStatusWrongMode;
      startBus();
      return kStatusOk;
    case kCommandHalt:
      halt();
      return kStatusOk;
    case kCommandSelfTest:
      startSelfTest();
      return kStatusOk;
    case kCommandWrapTest:
      wrapTest();
      return kStatusOk;
    case kCommandFirmware:
      halt();
      firmware_ = Firmware::Armed;
      checkFirmwareHandshake();
      return kStatusOk;
    default:
      return kStatusBadCommand;
  }
}

void SimCard::startSelfTest() {
  halt();
  test_ = Test::SelfTestRunning;
  events_.schedule(now_ + options_.selfTestMillis * kMicrosPerMilli,
                   [this] { test_ = Test::SelfTestPassed; });
}

// The wrap test sends the word at 0x0048/0x004A on the primary TX connector and takes it back
// from the primary RX connector through the loop-back plug (or the card's internal loop). The
// simulated loop is perfect: the received word, sync bit included, equals the one sent.
void SimCard::wrapTest() {
  halt();
  constexpr uint16_t kHighBits = 0x40FF;  // sync and data bits 23..16
  memory_.write(map::kWrapRx.base, memory_.read(map::kWrapTx.base) & kHighBits);
  memory_.write(map::kWrapRx.base + 2, memory_.read(map::kWrapTx.base + 2));
  test_ = options_.localWrap ? Test::LocalWrapPassed : Test::WrapPassed;
}

// Command 15 arms the card; once the four handshake words hold their values (in either order
// with the command) the card acknowledges by clearing 0x0006, programs the image for a few
// seconds and then clears 0x0004.
void SimCard::checkFirmwareHandshake() {
  if (!options_.firmwareAcknowledge) return;
  bool complete = memory_.read(map::kFirmwareControl.base) == kHandshakeControl &&
                  memory_.read(map::kFirmwareAcknowledge.base) == kHandshakeAcknowledge &&
                  memory_.read(map::kFirmwareKeys.base) == kHandshakeKey1 &&
                  memory_.read(map::kFirmwareKeys.base + 2) == kHandshakeKey2;
  if (!complete) return;
  memory_.write(map::kFirmwareAcknowledge.base, 0);
  firmware_ = Firmware::Programming;
  events_.schedule(now_ + options_.firmwareMillis * kMicrosPerMilli, [this] { finishFirmware(); });
}

// The card programs only an image that passes its checks (firmware.h); a programmed image's
// revision and checksum (the 32-bit sum of the buffer words) then appear in the identity. The
// outcome, either way, is the identity's firmware result word.
void SimCard::finishFirmware() {
  firmware::Verdict verdict = firmware::examine(memory_);
  if (verdict.programmed()) {
    memory_.write(kIdChecksumHigh, static_cast<uint16_t>(verdict.checksum >> 16));
    memory_.write(kIdChecksumLow, static_cast<uint16_t>(verdict.checksum));
    memory_.write(kIdFirmwareRevision, verdict.revision);
  }
  memory_.write(kIdFirmwareResult, verdict.result);
  memory_.write(map::kFirmwareControl.base, 0);
  firmware_ = Firmware::Idle;
}

uint16_t SimCard::runLdbController(uint16_t frames) {
  if (!initialised_) return kStatusNotInitialised;
  if (busy()) return kStatusBusy;
  if (mode_ != kModeLdbBct) return kStatusWrongMode;
  test_ = Test::None;
  running_ = true;
  ldb_.startController(now_, epoch(), frames);
  return kStatusOk;
}

uint16_t SimCard::readClock(TimeTag* clock) const {
  if (!initialised_) return kStatusNotInitialised;
  if (!clock) return kStatusBadArgument;
  TimeTag t = toTimeTag(now_ - epoch());
  std::memcpy(clock, &t, sizeof t);
  return kStatusOk;
}

uint16_t SimCard::readGdbBcMode(uint16_t* modeWord) const {
  if (!initialised_) return kStatusNotInitialised;
  if (!modeWord) return kStatusBadArgument;
  *modeWord = memory_.read(map::kGdbBcMode.base);
  return kStatusOk;
}

uint16_t SimCard::writeGdbBcMode(uint16_t modeWord) {
  if (!initialised_) return kStatusNotInitialised;
  memory_.write(map::kGdbBcMode.base, modeWord);
  return kStatusOk;
}

uint16_t SimCard::clearMonitorStack() {
  if (!initialised_) return kStatusNotInitialised;
  if (busy()) return kStatusBusy;
  if (mode_ != kModeBusMon) return kStatusWrongMode;
  monitor_.clearStack();
  return kStatusOk;
}

uint16_t SimCard::runMonitor() {
  if (!initialised_) return kStatusNotInitialised;
  if (busy()) return kStatusBusy;
  if (mode_ != kModeBusMon) return kStatusWrongMode;
  startBus();
  return kStatusOk;
}

}  // namespace xarnsim
