// What both front ends share about the card's traffic: recording it to capture files (the
// console's `record`, the window's recording control) and the bus-activity table (the console's
// `stats` and `save stats`, the window's activity view).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "xarndll/capture/bus_activity.h"
#include "xarndll/control.h"

namespace cli {

// The program and station version the capture files' section headers name.
std::string recordingApplication(const std::string& program);

// `FILE [--limit MB] [--ring N]`: the settings, or nullopt with `why`.
std::optional<xarnsim::RecordSettings> parseRecordArguments(const std::vector<std::string>& args,
                                                            std::string& why);

// A size to a tenth of a megabyte (10^6 bytes): "1.5 MB"; and a recording's size for the status
// bar: "REC 1.5 MB".
std::string megabytes(uint64_t bytes);
std::string recordingSize(uint64_t bytes);

// The connectors of a card mode (1 to 6), in interface order; none outside the modes.
std::vector<uint32_t> modeInterfaces(int mode);

// The activity table: a row a connector of the mode ("J1", its load in percent over the last
// whole second), then a row a terminal address that sent or received in that second (address,
// messages, messages with errors).
struct ActivityRow {
  std::string name;
  double load = 0;
  uint32_t messages = 0;
  uint32_t errors = 0;
};
struct ActivityTable {
  uint64_t second = 0;
  std::vector<ActivityRow> connectors;
  std::vector<ActivityRow> addresses;
};
ActivityTable activityTable(const xarncap::Activity& activity, int mode);
std::vector<std::string> activityLines(const ActivityTable& table);
std::string activityCsv(const ActivityTable& table);

}  // namespace cli
