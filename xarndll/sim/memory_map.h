// The card's address map: where every structure lives in the 2 MB card memory. One table, read
// like an emulator's address map: name, modes that use it, base byte address, entry size in
// bytes, entry count. docs/card-memory-map.md is the same table in prose.
//
// Conventions for whoever fills a region:
//  - Words are 16 bits at even byte addresses. A 32-bit value (a 24-bit bus word, a command word,
//    a time in half microseconds) takes two words: bits 15..0 at the lower address, bits 31..16
//    at the next one.
//  - All-zero memory is the empty state of every structure: a zeroed queue header is an empty
//    queue, a zeroed table entry an unused one.
//  - The regions of different modes do not overlap, so entering a mode never disturbs another
//    mode's configuration.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace xarnsim::map {

// Mode masks: bit N set means operating mode N uses the region.
inline constexpr uint8_t modeBit(int mode) { return static_cast<uint8_t>(1u << mode); }
inline constexpr uint8_t kLdbBct = modeBit(1);
inline constexpr uint8_t kLdbMrt = modeBit(2);
inline constexpr uint8_t kBusMon = modeBit(3);
inline constexpr uint8_t kGdbBct = modeBit(4);
inline constexpr uint8_t kGdbMrt = modeBit(5);
inline constexpr uint8_t kMdmMrt = modeBit(6);
inline constexpr uint8_t kLdb = kLdbBct | kLdbMrt;
inline constexpr uint8_t kAllModes = kLdb | kBusMon | kGdbBct | kGdbMrt | kMdmMrt;

struct Region {
  std::string_view name;
  uint8_t modes;
  uint32_t base;        // byte address, even
  uint32_t entryBytes;  // even
  uint32_t count;
  std::string_view contents;

  constexpr uint32_t bytes() const { return entryBytes * count; }
  constexpr uint32_t end() const { return base + bytes(); }  // first byte after the region
  constexpr uint32_t entry(uint32_t index) const { return base + index * entryBytes; }
  constexpr bool contains(uint32_t address) const { return address >= base && address < end(); }
};

// Card memory and the extent of a setup-file image.
inline constexpr uint32_t kMemoryBytes = 0x200000;
inline constexpr uint32_t kMemoryWords = kMemoryBytes / 2;
inline constexpr uint32_t kImageFirst = 0x000008;  // first word a setup file saves
inline constexpr uint32_t kImageLast = 0x1FFEFE;   // last word a setup file saves
inline constexpr uint32_t kImageWords = (kImageLast - kImageFirst) / 2 + 1;
static_assert(kImageWords == 1048444);
// Every piece of configuration lies below this address, well inside the image.
inline constexpr uint32_t kConfigurationLimit = 2 * kImageWords;

// ---- Common to every mode: registers, fixed words, the firmware buffer, identity and clock.
inline constexpr Region kStateRegister{"state register",        kAllModes, 0x000000, 2, 1,
                                       "state word (read-only)"};
inline constexpr Region kModeRegister{
    "mode register", kAllModes, 0x000002, 2, 1, "operating mode 0..6 (read-only)"};
inline constexpr Region kFirmwareControl{
    "firmware control",
    kAllModes,
    0x000004,
    2,
    1,
    "handshake word 0x19E4, written last; the card clears it when programming ends"};
inline constexpr Region kFirmwareAcknowledge{
    "firmware acknowledge",
    kAllModes,
    0x000006,
    2,
    1,
    "handshake word 0x2B71; the card clears it to acknowledge"};
inline constexpr Region kFirmwareKeys{
    "firmware keys", kAllModes, 0x000008, 2, 2, "handshake words 0x4E96, 0x7D28"};
inline constexpr Region kMonitorBusSelect{
    "monitor bus select", kAllModes, 0x000020, 2, 1, "bits 0..3 enable connectors J1..J4"};
inline constexpr Region kGdbBcMode{
    "GDB BC mode word", kAllModes, 0x000022, 2, 1, "bit 15 set: passive bus controller"};
inline constexpr Region kWrapTx{
    "wrap-test TX word",
    kAllModes,
    0x000048,
    2,
    2,
    "high word (bit 14 sync, bits 7..0 data 23..16), then low word (data 15..0)"};
inline constexpr Region kWrapRx{
    "wrap-test RX word", kAllModes, 0x00004C, 2, 2, "the word the loop-back returned, same form"};
inline constexpr Region kSetupRecord{
    "setup record", kAllModes, 0x000080, 42, 1, "SetupRecord of the last DUVEX_SetupDLL"};
inline constexpr Region kRunControl{
    "run control", kAllModes, 0x000100, 256, 1, "run parameters and counters of the running mode"};
inline constexpr Region kFirmwareBuffer{
    "firmware buffer", kAllModes, 0x002000, 2, 32768, "firmware image loaded before command 15"};
inline constexpr Region kCardIdentity{
    "card identity",
    kAllModes,
    0x1FFF00,
    32,
    1,
    "read-only: serial (2 words), checksum high, low, firmware revision, driver text (10 words)"};
inline constexpr Region kCardClock{
    "card clock", kAllModes, 0x1FFF40, 12, 1, "read-only TimeTag: card time since DUVEX_InitDLL"};

// ---- GDB command queues: fixed low addresses, cleared word by word by the GDB HALT.
inline constexpr Region kGdbHighQueueHeader{"GDB high queue header", kGdbBct, 0x000E00, 32, 1,
                                            "queue header"};
inline constexpr Region kGdbHighQueue{
    "GDB high queue", kGdbBct, 0x000E20, 16, 30, "high-priority command queue entries"};
inline constexpr Region kGdbLowQueueHeader{"GDB low queue header", kGdbBct, 0x001000, 32, 1,
                                           "queue header"};
inline constexpr Region kGdbLowQueue{
    "GDB low queue", kGdbBct, 0x001020, 16, 30, "low-priority command queue entries"};
inline constexpr uint32_t kGdbHaltClearFirst = 0x000E00;
inline constexpr uint32_t kGdbHaltClearLast = 0x0011FE;

// ---- LDB_BCT and LDB_MRT.
inline constexpr Region kLdbMessages{
    "LDB messages",
    kLdbBct,
    0x012000,
    2112,
    99,
    "message 1..99: 32 header words, then 512 data words of two words each"};
inline constexpr Region kLdbFrame{
    "LDB frame", kLdbBct, 0x045100,
    256,         1,       "duration (2 words), reserved, message count, 100 message numbers"};
inline constexpr Region kLdbBcQueueHeader{"LDB BC queue header", kLdbBct, 0x045200, 32, 1,
                                          "queue header"};
inline constexpr Region kLdbBcQueue{
    "LDB BC queue", kLdbBct, 0x045220, 16, 1024, "bus-controller message queue entries"};
inline constexpr Region kLdbRawQueueHeader{"LDB raw queue header", kLdb, 0x049300, 32, 1,
                                           "queue header"};
inline constexpr Region kLdbRawQueue{
    "LDB raw queue", kLdb, 0x049320, 32, 2048, "raw bus word queue entries"};
inline constexpr Region kLdbTerminals{
    "LDB terminals",
    kLdbMrt,
    0x059400,
    4224,
    32,
    "RT 0..31: 64 header words, then TX and RX buffers of 512 two-word data words"};
inline constexpr Region kLdbRtQueueHeader{"LDB RT queue header", kLdbMrt, 0x07A400, 32, 1,
                                          "queue header"};
inline constexpr Region kLdbRtQueue{
    "LDB RT queue", kLdbMrt, 0x07A420, 32, 1024, "terminal command queue entries"};

// ---- BUS_MON.
inline constexpr Region kMonTrigger{
    "monitor trigger",
    kBusMon,
    0x082500,
    128,
    1,
    "trigger record words, then the RT filter (a word an RT, non-zero: excluded)"};
inline constexpr Region kMonStackHeader{
    "monitor stack header", kBusMon, 0x082600, 32, 1, "stack header and capture counters"};
inline constexpr Region kMonStack{
    "monitor stack", kBusMon, 0x082620, 32, 8192, "captured bus words, a ring of the newest 8192"};

// ---- GDB_BCT.
inline constexpr Region kGdbTable100{"GDB table 100 Hz",
                                     kGdbBct,
                                     0x0C2700,
                                     32,
                                     100,
                                     "entry 1..100: operation, then the 12-word command"};
inline constexpr Region kGdbTable10{"GDB table 10 Hz",         kGdbBct, 0x0C3400, 32, 1000,
                                    "entry 1..1000, same form"};
inline constexpr Region kGdbTable1{"GDB table 1 Hz",           kGdbBct, 0x0CB100, 32, 10000,
                                   "entry 1..10000, same form"};
inline constexpr Region kGdbUplinkHeader{"GDB uplink header", kGdbBct, 0x119300, 32, 1,
                                         "queue header"};
inline constexpr Region kGdbUplink{"GDB uplink queue", kGdbBct, 0x119320, 32, 512,
                                   "uplink transfers"};
inline constexpr Region kGdbDownlinkHeader{"GDB downlink header", kGdbBct, 0x11D400, 32, 1,
                                           "queue header"};
inline constexpr Region kGdbDownlink{"GDB downlink queue", kGdbBct, 0x11D420, 32, 512,
                                     "downlink transfers"};

// ---- GDB_MRT. Channels are too many to give each a slot (256 RTs x 65536 channels), so the
// channel records that were ever written live in a pool keyed by RT and channel.
inline constexpr Region kGdbRtSim{
    "GDB terminals", kGdbMrt, 0x121500, 32, 256, "RT 0..255: terminal settings"};
inline constexpr Region kGdbChannels{"GDB channel pool",
                                     kGdbMrt,
                                     0x123500,
                                     32,
                                     4096,
                                     "key (RT, channel), then the channel settings"};
inline constexpr Region kGdbRtQueueHeader{"GDB RT queue header", kGdbMrt, 0x143500, 32, 1,
                                          "queue header"};
inline constexpr Region kGdbRtQueue{
    "GDB RT queue", kGdbMrt, 0x143520, 32, 1024, "messages the simulated RTs handled"};

// ---- MDM_MRT.
inline constexpr Region kMdmRtSim{"MDM terminals",
                                  kMdmMrt,
                                  0x14B600,
                                  256,
                                  32,
                                  "RT 0..31: the 98-word record, then traffic counters"};
inline constexpr Region kMdmIom{
    "MDM I/O modules", kMdmMrt, 0x14D600, 640, 512, "RT x 16 + IOM: the 289-word module record"};
inline constexpr Region kMdmBite{"MDM BITE", kMdmMrt, 0x19D600,
                                 64,         32,      "RT 0..31: the 22-word BITE record"};
inline constexpr Region kMdmProm{"MDM PROM", kMdmMrt, 0x19DE00,
                                 5120,       32,      "RT 0..31: the 2544-word PROM image"};
inline constexpr Region kMdmQueueHeader{"MDM queue header", kMdmMrt, 0x1C5E00, 32, 1,
                                        "queue header"};
inline constexpr Region kMdmQueue{"MDM queue", kMdmMrt, 0x1C5E20,
                                  128,         1024,    "MDM messages and their data words"};

// The whole map, in address order.
inline constexpr std::array kRegions{
    kStateRegister,
    kModeRegister,
    kFirmwareControl,
    kFirmwareAcknowledge,
    kFirmwareKeys,
    kMonitorBusSelect,
    kGdbBcMode,
    kWrapTx,
    kWrapRx,
    kSetupRecord,
    kRunControl,
    kGdbHighQueueHeader,
    kGdbHighQueue,
    kGdbLowQueueHeader,
    kGdbLowQueue,
    kFirmwareBuffer,
    kLdbMessages,
    kLdbFrame,
    kLdbBcQueueHeader,
    kLdbBcQueue,
    kLdbRawQueueHeader,
    kLdbRawQueue,
    kLdbTerminals,
    kLdbRtQueueHeader,
    kLdbRtQueue,
    kMonTrigger,
    kMonStackHeader,
    kMonStack,
    kGdbTable100,
    kGdbTable10,
    kGdbTable1,
    kGdbUplinkHeader,
    kGdbUplink,
    kGdbDownlinkHeader,
    kGdbDownlink,
    kGdbRtSim,
    kGdbChannels,
    kGdbRtQueueHeader,
    kGdbRtQueue,
    kMdmRtSim,
    kMdmIom,
    kMdmBite,
    kMdmProm,
    kMdmQueueHeader,
    kMdmQueue,
    kCardIdentity,
    kCardClock,
};

// The region holding `address`, or nullptr.
constexpr const Region* regionAt(uint32_t address) {
  for (const Region& r : kRegions)
    if (r.contains(address)) return &r;
  return nullptr;
}

namespace detail {
constexpr bool wellFormed() {
  for (std::size_t i = 0; i < kRegions.size(); ++i) {
    const Region& r = kRegions[i];
    if (r.base % 2 || r.entryBytes % 2 || r.count == 0 || r.end() > kMemoryBytes) return false;
    if (i > 0 && kRegions[i - 1].end() > r.base) return false;  // sorted, no overlap
  }
  return true;
}
constexpr bool configurationInsideImage() {
  for (const Region& r : kRegions) {
    bool registerOrRom = r.base < kImageFirst || r.base >= kCardIdentity.base;
    if (!registerOrRom && r.end() > kConfigurationLimit) return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::wellFormed(), "regions must be even, sorted and must not overlap");
static_assert(detail::configurationInsideImage(), "configuration must lie inside the image");
static_assert(kGdbHighQueueHeader.base == kGdbHaltClearFirst);
static_assert(kGdbLowQueue.end() == kGdbHaltClearLast + 2);
static_assert(kFirmwareBuffer.end() == 0x012000);

}  // namespace xarnsim::map
