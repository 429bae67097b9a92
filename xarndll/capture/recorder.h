// Records what a card sends and hears into pcapng capture files (docs/capture-format.md): one
// packet per transfer, time-stamped on the card's clock, one interface per bus connector, the
// station's version and the card's mode in each section header. A size limit closes the file; with
// a ring the recording goes on in the next file and only the newest files stay. What is recorded
// reaches the file on stop, on the way out and at least once a second of wall time, always in
// whole blocks.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "xarndll/capture/bus_activity.h"
#include "xarndll/sim/sim_card.h"
#include "xarndll/sim/wire_tap.h"

namespace xarncap {

// Packet payload layout (docs/capture-format.md).
inline constexpr uint8_t kPayloadVersion = 1;
inline constexpr size_t kHeaderBytes = 16;
inline constexpr size_t kWordBytes = 16;

inline constexpr bool globalBus(uint16_t mode) {
  return mode == xarnsim::kModeGdbBct || mode == xarnsim::kModeGdbMrt;
}
// The interface of a word's connector (WireWord::bus) in the card's mode.
inline constexpr uint32_t interfaceOf(uint16_t mode, uint8_t bus) {
  if (mode == xarnsim::kModeBusMon) return kInterfaceMonitor + (bus & 3u);
  if (globalBus(mode)) return kInterfaceGdb + (bus & 1u);
  return kInterfaceLdb + (bus & 1u);
}

struct RecordOptions {
  std::string path;
  uint64_t limitBytes = 0;  // 0: no limit
  uint32_t ring = 0;        // files kept with a limit; 0: stop at the limit
  std::string application;  // the recording program and its version, for the section header
};

struct RecordingState {
  bool active = false;
  std::string file;         // the file being written (the last one written once stopped)
  uint64_t bytes = 0;       // in that file
  uint64_t totalBytes = 0;  // in every file of the recording
  uint64_t packets = 0;     // transfers recorded
  std::string error;        // why the recording stopped early, if it did
};

class Recorder final : public xarnsim::WireTap {
 public:
  Recorder(const xarnsim::SimCard& card, RecordOptions options);
  ~Recorder() override;
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // Opens the first file; false with a reason when it cannot.
  bool open(std::string& error);
  void stop();
  RecordingState state() const { return state_; }

  void word(const xarnsim::WireWord& word) override;
  void transfer(const xarnsim::WireTransfer& transfer) override;
  void caughtUp() override;
  bool wantsEveryTransfer() const override { return state_.active; }

 private:
  std::string fileName(uint64_t index) const;
  bool openFile(std::string& error);
  void startSection(uint16_t mode);
  void flush();
  void fail(const std::string& why);
  uint64_t cardNanoseconds(xarnsim::Tick tick) const;

  const xarnsim::SimCard& card_;
  RecordOptions options_;
  RecordingState state_;
  int fd_ = -1;
  uint64_t fileIndex_ = 0;
  std::deque<std::string> ring_;  // the ring's files, oldest first
  uint16_t sectionMode_ = 0xFFFF;
  std::string pending_;  // whole blocks not yet written
  std::string payload_;
  std::vector<xarnsim::WireWord> words_;
  uint64_t lastNanoseconds_ = 0;
  std::chrono::steady_clock::time_point lastFlush_;
  uint32_t sinceClockCheck_ = 0;
};

// A mode's name as the section header gives it ("LDB_BCT"); "NONE" outside the six modes.
const char* modeName(uint16_t mode);

}  // namespace xarncap
