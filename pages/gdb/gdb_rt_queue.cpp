#include "pages/gdb/gdb_rt_queue.h"

#include <array>
#include <cstdio>

#include "ui/fields.h"
#include "ui/gdb_fields.h"

namespace gdb {
namespace {

constexpr uint16_t kNoResponse = 0xFFFF;

constexpr std::array<ui::FlagName, 4> kErrorFlags = {
    {{3, "Py "}, {2, "Mn "}, {1, "Lg "}, {0, "Sh "}}};

}  // namespace

// The data value in upper-case hexadecimal, 0 shown as "0".
std::string rtQueueLine(const GdbRtQueueEntry& e) {
  char fields[64];
  std::snprintf(fields, sizeof fields, "RT:%d\tCh:%d\tDt:%X\t", e.rtAddress, e.channel,
                e.dataValue);
  std::string line = e.response != kNoResponse ? " Resp:Yes\t" : " Resp:No\t";
  line += ui::syncText(e.sync);
  line += '\t';
  line += fields;
  if (e.errors == 0) return line + "NoErrs";
  return line + ui::flagNames(e.errors, kErrorFlags);
}

void GRQdialog::init() { open({20, 60, 100, 140, 180}); }

uint16_t GRQdialog::read(uint16_t* index, uint16_t* endFlag) {
  return DUVEX_RdGdbRtQDLL(card(), index, endFlag, &entry_);
}

std::string GRQdialog::line() const { return rtQueueLine(entry_); }

}  // namespace gdb
