#include "xarndll/sim/mdm/mdm_protocol.h"

#include <algorithm>
#include <initializer_list>

#include "xarndll/sim/card_time.h"
#include "xarndll/sim/ldb/ldb_layout.h"
#include "xarndll/sim/mdm/mdm_layout.h"

namespace xarnsim::mdm {
namespace {

constexpr uint16_t kEnabled = 0x8000;
constexpr uint16_t kModeOutput = 0;
constexpr uint16_t kModeInput = 1;
constexpr uint16_t kModeReturnBsr = 2;
constexpr uint16_t kModeBite4 = 3;
constexpr uint16_t kRefused = kFlagIc | kFlagPp | kFlagBh;  // the unit moves no data
constexpr uint32_t kRtField = 31u << 19;

// What each IOM type can do, by its PROM type index.
struct IomTraits {
  bool fitted;
  bool input;
  bool output;
  bool readBack;  // an output module an enhanced unit can read back
  bool serial;    // four channels: the start address is the channel
  uint16_t wordsPerChannel;
};
constexpr std::array<IomTraits, 8> kIomTypes = {{
    {false, false, false, false, false, 1},  // NO_IOM
    {true, true, false, false, false, 1},    // DI_IOM
    {true, true, false, false, false, 1},    // AI16_IOM
    {true, true, false, false, false, 2},    // AI32_IOM: a channel is two words
    {true, false, true, true, false, 1},     // DO_IOM
    {true, true, true, false, true, 1},      // SIO_IOM
    {true, true, false, false, false, 1},    // TAC_IOM
    {true, false, true, true, false, 1},     // AO_IOM
}};

// The count a message's command carries, for the types whose count is their own (OTI and IFI
// count the entry's words; ILL keeps the entry's number of channels).
constexpr std::array<uint16_t, kIll> kFixedCount = {0, 0, 0, 0, 2, 0, 1, 1, 1, 5, 1, 12};

// The words the partner sends: its address, the unit's cycle number and the word's place.
uint16_t partnerWord(int rt, uint32_t cycle, uint32_t place) {
  return static_cast<uint16_t>((rt & 31) << 11 | (cycle & 0x3F) << 5 | (place & 31));
}

// A BITE4 constant is a signed 10-bit value; it goes on the bus as a 16-bit one.
uint16_t signExtend10(uint16_t value) {
  value &= 0x3FF;
  return value & 0x200 ? static_cast<uint16_t>(value | 0xFC00) : value;
}

bool blank(const CardMemory& memory, uint32_t at) {
  for (uint32_t w = 0; w < prom::kCommandEntry; w += 2)
    if (memory.read(at + w) != 0) return false;
  return true;
}

// Where an IOM's data word `word` lives, or for a serial IOM word `word` of channel `start`.
uint32_t dataAddress(int rt, const Message& m, bool serialChannel, uint32_t area, uint32_t word) {
  uint32_t base = iomBase(rt, m.iom);
  if (serialChannel) return base + area + m.start * iom::kChannelBytes + 2 * word;
  return base + iom::kData + 2 * (m.start + word);
}

}  // namespace

ldb::Tick slotLength(const ldb::Timing& t) {
  constexpr ldb::Tick kWords = 1 + kMaxPartnerWords + 1 + kMaxDataWords;
  constexpr ldb::Tick kGap = 40;  // 20 us between messages
  return kWords * t.word + (kWords - 2) * t.gap + std::max(t.response, t.timeout) + kGap;
}

bool Unit::enabled() const { return memory_.read(unitBase(rt_) + unit::kEnable) == kEnabled; }

void Unit::readSequence(std::vector<uint16_t>& sequence) const {
  sequence.clear();
  uint32_t at = promBase(rt_) + prom::kCommands;
  for (int e = 0; e < kMdmPromCommandEntries; ++e, at += prom::kCommandEntry)
    if (!blank(memory_, at)) sequence.push_back(static_cast<uint16_t>(prom::kFirstCommand + e));
}

// RCP, the PROM sequence, EPS and one maintenance message; with SRB every message is followed
// by the partner's answer to the service request.
uint32_t Unit::cycleLength(uint32_t entries) const {
  uint32_t length = entries + 3;
  return memory_.read(unitBase(rt_) + unit::kSrb) ? 2 * length : length;
}

void Unit::describe(const std::vector<uint16_t>& sequence, uint32_t position, uint32_t cycle,
                    const ldb::Timing& timing, Message& m) const {
  uint32_t base = unitBase(rt_);
  bool srb = memory_.read(base + unit::kSrb) != 0;
  bool enhanced = memory_.read(base + unit::kEnhanced) != 0;
  m.iom = m.start = m.count = 0;
  m.errors = 0;
  m.partnerWords = m.answerWords = 0;
  auto entries = static_cast<uint32_t>(sequence.size());
  uint32_t step = srb ? position / 2 : position;
  if (srb && position % 2) {
    m.type = kRbt;
  } else if (step == 0) {
    m.type = kRcp;
  } else if (step <= entries) {
    describeEntry(sequence[step - 1], enhanced, m);
  } else if (step == entries + 1) {
    m.type = kEps;
  } else {
    m.type = kMaintenance[cycle % kMaintenance.size()];
  }
  if (m.type != kOti && m.type != kIfi && m.type != kIll) m.count = kFixedCount[m.type];
  m.command = ldb::commandWord(static_cast<uint32_t>(rt_), m.type,
                               (m.iom & 15u) << 10 | (m.start & 31u) << 5 | (m.count & 31u));
  exchange(cycle, m);
  finish(timing, m);
}

// A command of another card's bus controller on a shared bus: the message type, IOM, start and
// count are the command word's (bits 18..15, 13..10, 9..5 and 4..0), the data words after it
// the controller's. The unit answers as it answers its partner.
void Unit::respond(uint32_t command, const uint16_t* data, uint16_t sent, const ldb::Timing& timing,
                   Message& m) const {
  m = Message{};
  m.command = command & 0xFFFFFF;
  m.type = std::min<uint16_t>(static_cast<uint16_t>(command >> 15 & 15), kIll);
  m.iom = static_cast<uint16_t>(command >> 10 & 15);
  m.start = static_cast<uint16_t>(command >> 5 & 31);
  m.count = static_cast<uint16_t>(command & 31);
  if (m.type == kOti || m.type == kIfi) {
    classify(m.type == kOti ? kModeOutput : kModeInput, m.count,
             memory_.read(unitBase(rt_) + unit::kEnhanced) != 0, m);
  }
  exchange(0, m);
  uint16_t given = std::min(sent, m.partnerWords);
  std::copy_n(data, given, m.partner.begin());
  std::fill(m.partner.begin() + given, m.partner.begin() + m.partnerWords, uint16_t{0});
  if (m.type == kLbt) m.answer[0] = m.partner[0];
  finish(timing, m);
}

// The unit's status word, what refuses or damages its answer, and the message's length.
void Unit::finish(const ldb::Timing& timing, Message& m) const {
  uint32_t base = unitBase(rt_);
  bool srb = memory_.read(base + unit::kSrb) != 0;
  bool enhanced = memory_.read(base + unit::kEnhanced) != 0;
  bool power = memory_.read(base + unit::kPowerInterrupt) != 0;
  uint32_t flags = (power ? kStatusPowerInterrupt : 0) | (srb ? kStatusServiceRequest : 0) |
                   (enhanced ? kStatusEnhanced : 0);
  m.status = ldb::commandWord(static_cast<uint32_t>(rt_), m.type, flags);
  m.answered = true;
  if (m.type == kIll) m.errors |= kFlagIc;
  if (power) m.errors |= kFlagBh;
  if (m.errors & kRefused) m.answerWords = 0;
  inject(m);
  if (timing.response > timing.timeout) {  // every answer comes too late
    m.answered = false;
    m.errors |= kFlagIg;
  }
  if (!m.answered) {
    m.status = 0;
    m.answerWords = 0;
  }
  const ldb::Tick step2 = timing.word + timing.gap;
  m.length = timing.word + m.partnerWords * step2;
  if (m.answered)
    m.length += timing.response + timing.word + m.answerWords * step2;
  else
    m.length += timing.timeout;
}

// A command entry of the PROM: its mode, the IOM it addresses and that IOM's definition decide
// the message type; an entry that makes no sense is ILL.
void Unit::describeEntry(uint16_t entry, bool enhanced, Message& m) const {
  uint32_t at = promBase(rt_) + prom::kCommands +
                static_cast<uint32_t>(entry - prom::kFirstCommand) * prom::kCommandEntry;
  uint16_t mode = memory_.read(at + offsetof(MdmPromCommandEntry, mode));
  m.start = memory_.read(at + offsetof(MdmPromCommandEntry, startAddress));
  m.iom = memory_.read(at + offsetof(MdmPromCommandEntry, iomAddress));
  m.count = memory_.read(at + offsetof(MdmPromCommandEntry, channelCount));
  bool parity = memory_.read(at + offsetof(MdmPromCommandEntry, parity)) != 0;
  uint32_t definition = promBase(rt_) + m.iom * prom::kIomEntry;
  bool iomParity =
      m.iom < kIoms && memory_.read(definition + offsetof(MdmPromIomEntry, parity)) != 0;
  if (classify(mode, m.count, enhanced, m) && parity != iomParity) m.errors |= kFlagPp;
}

// What a message of `mode` to the entry's IOM (m.iom, from m.start, `channels` channels) is:
// m.type and m.count, kIll when it makes no sense. False for ILL and RBT, which move no IOM's
// words.
bool Unit::classify(uint16_t mode, uint16_t channels, bool enhanced, Message& m) const {
  m.type = kIll;
  if (m.iom >= kIoms || m.start >= kMaxDataWords) return false;
  uint32_t definition = promBase(rt_) + m.iom * prom::kIomEntry;
  uint16_t iomType = memory_.read(definition + offsetof(MdmPromIomEntry, iomType));
  if (iomType >= kIomTypes.size()) return false;
  const IomTraits& traits = kIomTypes[iomType];
  switch (mode) {
    case kModeReturnBsr:
      m.type = kRbt;
      return false;  // the BSR words are the unit's, not the IOM's
    case kModeBite4:
      if (!traits.fitted) return false;
      m.type = kBt4;
      return true;
    case kModeOutput:
    case kModeInput: {
      bool can =
          mode == kModeOutput ? traits.output : traits.input || (enhanced && traits.readBack);
      uint32_t words = channels * traits.wordsPerChannel;
      uint32_t room = traits.serial ? kMdmSioWords : kMaxDataWords - m.start;
      bool fits = traits.serial ? m.start < kMdmSioChannels : true;
      if (!can || channels == 0 || !fits || words > room) return false;
      m.type = mode == kModeOutput ? kOti : kIfi;
      m.count = static_cast<uint16_t>(words);
      return true;
    }
    default:
      return false;
  }
}

// The words each message carries: the partner's data words and the unit's answer.
void Unit::exchange(uint32_t cycle, Message& m) const {
  uint32_t unitAt = unitBase(rt_);
  uint32_t biteAt = biteBase(rt_);
  bool serial = false;
  if (m.type == kOti || m.type == kIfi) {
    uint32_t definition = promBase(rt_) + m.iom * prom::kIomEntry;
    serial = kIomTypes[memory_.read(definition + offsetof(MdmPromIomEntry, iomType))].serial;
  }
  auto answerWith = [&](std::initializer_list<uint16_t> words) {
    for (uint16_t w : words) m.answer[m.answerWords++] = w;
  };
  switch (m.type) {
    case kOti:
      for (uint16_t i = 0; i < m.count; ++i)
        m.partner[i] = partnerWord(rt_, cycle, serial ? i : m.start + i);
      m.partnerWords = m.count;
      break;
    case kIfi:
      for (uint16_t i = 0; i < m.count; ++i)
        m.answer[i] = memory_.read(dataAddress(rt_, m, serial, iom::kSioTransmit, i));
      m.answerWords = m.count;
      break;
    case kRbt:
      answerWith(
          {memory_.read(unitAt + unit::kPrimaryBsr), memory_.read(unitAt + unit::kSecondaryBsr)});
      break;
    case kRcw: {
      // The echo is the command as received; only the operator's RCW word has bit 0 clear.
      bool override = memory_.read(biteAt + bite::kRcwOverride) != 0;
      uint16_t word = override
                          ? static_cast<uint16_t>(memory_.read(biteAt + bite::kRcwWord) & 0xFFFE)
                          : static_cast<uint16_t>(m.command);
      answerWith({word});
      break;
    }
    case kLbt:
      m.partner[0] = partnerWord(rt_, cycle, 31);
      m.partnerWords = 1;
      answerWith({m.partner[0]});
      break;
    case kBt1:
      answerWith({memory_.read(biteAt + bite::kBsr1)});
      break;
    case kBt2:
      for (uint16_t i = 0; i < bite::kBite2RxWords; ++i) m.partner[i] = partnerWord(rt_, cycle, i);
      m.partnerWords = bite::kBite2RxWords;
      answerWith({memory_.read(biteAt + bite::kBsr2)});
      break;
    case kBt3:
      answerWith({memory_.read(biteAt + bite::kBsr3)});
      break;
    case kBt4:
      for (uint32_t i = 0; i < bite::kBite4Words; ++i)
        m.answer[m.answerWords++] = memory_.read(biteAt + bite::kBite4 + 2 * i);
      answerWith({signExtend10(memory_.read(biteAt + bite::kPositive)),
                  signExtend10(memory_.read(biteAt + bite::kNegative))});
      break;
    default:  // RCP, EPS, MRS, ILL: the status word alone
      break;
  }
}

// The error injection of the message type acts on the unit's answer.
void Unit::inject(Message& m) const {
  uint32_t base = unitBase(rt_);
  if (m.type >= kInjectedTypes || memory_.read(base + unit::kDefined) == 0) return;
  uint32_t at = base + unit::kErrors + m.type * sizeof(MdmErrorInjection);
  uint16_t code = memory_.read(at + offsetof(MdmErrorInjection, errorType));
  uint16_t size = memory_.read(at + offsetof(MdmErrorInjection, sizePosition));
  switch (code) {
    case kErrorParity:
    case kErrorManchester:  // size/position: the word of the answer, 0 the status word
      if (size <= m.answerWords) m.errors |= ldb::applyInjection({0, code, size}, size == 0).errors;
      break;
    case kErrorSync:
    case kErrorBitCount:
      m.errors |= ldb::applyInjection({0, code, size}, true).errors;
      break;
    case kErrorNoResponse:
      m.answered = false;
      m.errors |= kFlagIg;
      break;
    case kErrorWordCountPlus: {
      auto extra = std::min<uint16_t>(size, static_cast<uint16_t>(kMaxDataWords - m.answerWords));
      std::fill_n(m.answer.begin() + m.answerWords, extra, uint16_t{0});
      m.answerWords = static_cast<uint16_t>(m.answerWords + extra);
      if (extra) m.errors |= kFlagWc;
      break;
    }
    case kErrorWordCountMinus: {
      auto drop = std::min(size, m.answerWords);
      m.answerWords = static_cast<uint16_t>(m.answerWords - drop);
      if (drop) m.errors |= kFlagWc;
      break;
    }
    case kErrorSev:
      m.status |= size & kStatusSevMask;
      if (size & kStatusSevMask) m.errors |= kFlagId;
      break;
    case kErrorRtAddress:
      m.status = (m.status & ~kRtField) | (size & 31u) << 19;
      if ((size & 31u) != static_cast<uint32_t>(rt_)) m.errors |= kFlagTa;
      break;
    default:  // "No Errors", or a code the unit does not know
      break;
  }
}

void Unit::apply(const Message& m, uint64_t tagMicros) {
  uint32_t base = unitBase(rt_);
  memory_.write32(base + unit::kLastCommand, m.command);
  ldb::writeTimeTag(memory_, base + unit::kLastTime, toTimeTag(tagMicros));
  if (m.errors & kRefused) return;
  if (m.type == kOti) {
    uint32_t definition = promBase(rt_) + m.iom * prom::kIomEntry;
    bool serial = kIomTypes[memory_.read(definition + offsetof(MdmPromIomEntry, iomType))].serial;
    for (uint16_t i = 0; i < m.partnerWords; ++i)
      memory_.write(dataAddress(rt_, m, serial, iom::kSioReceive, i), m.partner[i]);
  } else if (m.type == kBt2) {
    memory_.writeWords(biteBase(rt_) + bite::kBite2Rx, m.partner.data(), bite::kBite2RxWords);
  }
}

}  // namespace xarnsim::mdm
