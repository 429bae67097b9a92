// Test hooks of the simulated card, outside the 43 driver functions. The console and the tests
// use them; the station core never does. Function names are the driver's C names
// ("DUVEX_SetupDLL", "rWDLL", ...). Every call works on the context's card, creating it first
// when the context has none, like a driver call would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "card/xarndll.h"
#include "xarndll/capture/bus_activity.h"
#include "xarndll/status.h"

namespace xarnsim {

using Clock = std::function<uint64_t()>;  // microseconds, monotonic

// The card's time source; an empty function restores the host's steady clock. Card time goes on
// from where it was: only the source's later advances move the card.
void setTimeSource(CardContext* card, Clock clock);

// The next COUNT calls of FUNCTION return STATUS and do nothing else (rWDLL returns STATUS as
// the word). A count of 0 or less cancels a pending failure. False for an unknown name.
bool failNext(CardContext* card, const std::string& function, uint16_t status, int count);
bool knownFunction(const std::string& function);

// DUVEX_RdStatusDLL (and the state register) report WORD whatever the card's state;
// nullopt stops forcing.
void forceStateWord(CardContext* card, std::optional<uint16_t> word);

// Each call as "NAME(card, ARG, ...) = RESULT": numbers in decimal, pointers as "&" ("null" when
// null). An empty sink turns tracing off. Calls with a null context reach no card and no trace.
void setTrace(CardContext* card, std::function<void(const std::string&)> sink);

// Calls of FUNCTION since the card was created or since the last reset (0 for an unknown name).
uint64_t callCount(CardContext* card, const std::string& function);
void resetCallCounts(CardContext* card);

// Simulator options; optionHelp() lists them one per line. False, with a message in ERROR, for
// an unknown name or a bad value.
bool setOption(CardContext* card, const std::string& name, const std::string& value,
               std::string& error);
std::string optionHelp();

// A card word read or written as the driver would, but not counted, traced or failed: the
// console's peek, poke and expect-word.
uint16_t peek(CardContext* card, uint32_t address);
void poke(CardContext* card, uint32_t address, uint16_t value);

// Brings the card up to its time source's "now", as every driver call does first: a console
// on a shared bus does it after each "tick", so that the bus goes on while no page calls.
void catchUp(CardContext* card);

// The shared bus the context's card is on (XARN_BUS when the card was made); empty when alone.
std::string busName(CardContext* card);
// Why NAME cannot name a shared bus; empty when it can.
std::string busNameProblem(const std::string& name);

// Recording the card's traffic to pcapng capture files (docs/capture-format.md). A limit of 0
// bytes means none; with a limit, `ring` files (at least 2) go round, else the recording stops at
// the limit. `application` names the recording program and its version in the files.
struct RecordSettings {
  std::string path;
  uint64_t limitBytes = 0;
  uint32_t ring = 0;
  std::string application;
};
struct RecordingStatus {
  bool active = false;
  std::string file;         // being written, or written last
  uint64_t bytes = 0;       // in that file
  uint64_t totalBytes = 0;  // in all files of the recording
  uint64_t packets = 0;
  std::string error;  // why it stopped by itself
};
// Starts a recording (stopping one under way first); false with a reason when it cannot.
bool startRecording(CardContext* card, const RecordSettings& settings, std::string& error);
// Stops the recording, writing out what it holds; the status of the recording that ended.
RecordingStatus stopRecording(CardContext* card);
RecordingStatus recordingStatus(CardContext* card);

// Live bus activity (bus_activity.h): counted from `countActivity(card, true)` on, until it is
// turned off. While it counts, the card simulates every transfer, as for a recording.
void countActivity(CardContext* card, bool on);
// The activity up to the card's "now"; nullopt while nothing counts.
std::optional<xarncap::Activity> busActivity(CardContext* card);

// Frees the context's simulated card, as DUVEX_CloseDLL does; the context's next call gets a
// fresh card.
void release(CardContext* card);
// Simulated cards alive in this process: one per context that has made a call and not been
// closed.
std::size_t cardCount();

}  // namespace xarnsim
