#include "xarndll/capture/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/atomic_file.h"
#include "xarndll/capture/pcapng.h"

namespace xarncap {
namespace {

using xarnsim::Tick;
using xarnsim::WireTransfer;
using xarnsim::WireWord;

constexpr std::array<const char*, 7> kModeNames = {"NONE",    "LDB_BCT", "LDB_MRT", "BUS_MON",
                                                   "GDB_BCT", "GDB_MRT", "MDM_MRT"};

constexpr std::array<const char*, kInterfaces> kInterfaceDescriptions = {
    "local data bus, primary", "local data bus, secondary", "monitor connector J1",
    "monitor connector J2",    "monitor connector J3",      "monitor connector J4",
    "global data bus A",       "global data bus B"};

constexpr std::chrono::seconds kFlushEvery{1};
constexpr uint32_t kPacketsBetweenClockChecks = 1024;

void put8(std::string& out, uint8_t v) { out += static_cast<char>(v); }
void put16(std::string& out, uint16_t v) {
  put8(out, static_cast<uint8_t>(v));
  put8(out, static_cast<uint8_t>(v >> 8));
}
void put32(std::string& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}
void put64(std::string& out, uint64_t v) {
  put32(out, static_cast<uint32_t>(v));
  put32(out, static_cast<uint32_t>(v >> 32));
}

}  // namespace

const char* modeName(uint16_t mode) { return mode < kModeNames.size() ? kModeNames[mode] : "NONE"; }

Recorder::Recorder(const xarnsim::SimCard& card, RecordOptions options)
    : card_(card), options_(std::move(options)), lastFlush_(std::chrono::steady_clock::now()) {}

Recorder::~Recorder() { stop(); }

// With a limit and a ring, the files are numbered: capture.pcapng gives capture_00001.pcapng,
// capture_00002.pcapng, ...
std::string Recorder::fileName(uint64_t index) const {
  if (options_.ring == 0) return options_.path;
  const std::string& path = options_.path;
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = path.size();
  char number[16];
  std::snprintf(number, sizeof number, "_%05llu", static_cast<unsigned long long>(index));
  return path.substr(0, dot) + number + path.substr(dot);
}

bool Recorder::open(std::string& error) {
  if (!openFile(error)) return false;
  state_.active = true;
  return true;
}

bool Recorder::openFile(std::string& error) {
  std::string name = fileName(++fileIndex_);
  int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = "cannot write " + name + ": " + std::strerror(errno);
    return false;
  }
  fd_ = fd;
  state_.file = name;
  state_.bytes = 0;
  if (options_.ring) {
    ring_.push_back(name);
    while (ring_.size() > options_.ring) {
      std::remove(ring_.front().c_str());
      ring_.pop_front();
    }
  }
  startSection(card_.mode());  // every file starts with its own section
  return true;
}

// A section a mode: a mode change while recording starts a new one.
void Recorder::startSection(uint16_t mode) {
  size_t before = pending_.size();
  appendSectionHeader(pending_, options_.application, std::string("mode ") + modeName(mode));
  for (uint32_t i = 0; i < kInterfaces; ++i)
    appendInterface(pending_, {kInterfaceNames[i], kInterfaceDescriptions[i]});
  state_.bytes += pending_.size() - before;
  state_.totalBytes += pending_.size() - before;
  sectionMode_ = mode;
}

uint64_t Recorder::cardNanoseconds(Tick tick) const {
  uint64_t ns = tick * (1000 / xarnsim::kTicksPerMicro);
  uint64_t epoch = card_.epochMicros() * 1000;
  return ns > epoch ? ns - epoch : 0;
}

void Recorder::word(const WireWord& word) {
  if (state_.active) words_.push_back(word);
}

void Recorder::transfer(const WireTransfer& t) {
  if (!state_.active) return;
  uint16_t mode = card_.mode();
  uint64_t start = words_.empty() ? lastNanoseconds_ : cardNanoseconds(words_.front().start);
  payload_.clear();
  put8(payload_, kPayloadVersion);
  put8(payload_, static_cast<uint8_t>(mode));
  put16(payload_, t.type);
  put16(payload_, t.number);
  put16(payload_, t.errors);
  put16(payload_, static_cast<uint16_t>(words_.size()));
  put16(payload_, t.extra);
  uint8_t bus = words_.empty() ? 0 : words_.front().bus;
  put8(payload_, bus);
  put8(payload_, 0);
  put16(payload_, 0);
  for (const WireWord& w : words_) {
    uint64_t at = cardNanoseconds(w.start);
    put32(payload_, static_cast<uint32_t>(at > start ? at - start : 0));
    put8(payload_, (w.flags & xarnsim::kWireCommandSync) ? 1 : 0);
    put8(payload_,
         static_cast<uint8_t>(((w.flags & xarnsim::kWireReceived) ? 1 : 0) | (w.role & 3u) << 4));
    put16(payload_, w.errors);
    put64(payload_, w.value);
  }
  words_.clear();
  lastNanoseconds_ = start;

  // Blocks this packet would add, and the limit: a full file is closed first.
  size_t packetBytes = 32 + payload_.size();
  bool newSection = mode != sectionMode_;
  if (options_.limitBytes && state_.bytes + packetBytes > options_.limitBytes && state_.bytes > 0 &&
      !newSection) {
    flush();
    ::close(fd_);
    fd_ = -1;
    std::string why;
    if (!options_.ring) return fail("the size limit is reached");
    if (!openFile(why)) return fail(why);
  }
  if (mode != sectionMode_) startSection(mode);
  appendPacket(pending_, interfaceOf(mode, bus), start, payload_);
  state_.bytes += packetBytes;
  state_.totalBytes += packetBytes;
  ++state_.packets;
  if (++sinceClockCheck_ >= kPacketsBetweenClockChecks) caughtUp();
}

void Recorder::caughtUp() {
  sinceClockCheck_ = 0;
  if (!state_.active || pending_.empty()) return;
  auto now = std::chrono::steady_clock::now();
  if (now - lastFlush_ >= kFlushEvery) flush();
}

void Recorder::flush() {
  lastFlush_ = std::chrono::steady_clock::now();
  if (fd_ < 0 || pending_.empty()) return;
  bool ok = base::writeAll(fd_, pending_);
  pending_.clear();
  if (!ok) fail(std::string("cannot write ") + state_.file + ": " + std::strerror(errno));
}

void Recorder::fail(const std::string& why) {
  state_.error = why;
  stop();
}

void Recorder::stop() {
  flush();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  state_.active = false;
  words_.clear();
}

}  // namespace xarncap
