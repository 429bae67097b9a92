#include "pages/ldb/ldb_queue.h"

#include <array>
#include <cstdio>

#include "ui/fields.h"
#include "ui/ldb_fields.h"
#include "ui/queue_list.h"

namespace ldb {
namespace {

constexpr int kRefresh = 4;
constexpr int kBin = 7;
constexpr int kMsg = 8;
constexpr int kMaxLines = 15;
constexpr uint16_t kClearQueue = 0;
constexpr uint16_t kRead = 1;
constexpr uint16_t kReadRefresh = 2;
constexpr uint16_t kModeLdbBct = 1;

constexpr std::array<const char*, 4> kDirections = {" TX_PRI", " TX_SEC", " RX_PRI", " RX_SEC"};
constexpr std::array<ui::FlagName, 4> kWordFlags = {
    {{27, " Py"}, {26, " Mn"}, {25, " Lg"}, {24, " Sh"}}};
constexpr std::array<ui::FlagName, 8> kAlternateFlags = {{{15, " Gc"},
                                                          {14, " Gd"},
                                                          {13, " Bc"},
                                                          {12, " Bd"},
                                                          {11, " Py"},
                                                          {10, " Mn"},
                                                          {9, " Lg"},
                                                          {8, " Sh"}}};
constexpr std::array<ui::FlagName, 16> kCommandFlags = {{{15, " Pt"},
                                                         {14, " Rc"},
                                                         {13, " Is"},
                                                         {12, " Ck"},
                                                         {11, " Ig"},
                                                         {10, " Bh"},
                                                         {9, " Ov"},
                                                         {8, " Id"},
                                                         {7, " Nr"},
                                                         {6, " Ta"},
                                                         {5, " Wc"},
                                                         {4, " Sy"},
                                                         {3, " Py"},
                                                         {2, " Mn"},
                                                         {1, " Lg"},
                                                         {0, " Sh"}}};
constexpr std::array<ui::FlagName, 11> kMessageFlags = {{{10, " Bs"},
                                                         {9, " Ov"},
                                                         {8, " Id"},
                                                         {7, " Nr"},
                                                         {6, " Ta"},
                                                         {5, " Wc"},
                                                         {4, " Sy"},
                                                         {3, " Py"},
                                                         {2, " Mn"},
                                                         {1, " Lg"},
                                                         {0, " Sh"}}};

std::string alternateErrors(uint16_t alternate) {
  return alternate & 0xFF00 ? ui::flagNames(alternate, kAlternateFlags) : " NONE";
}

std::string format(const char* pattern, uint32_t value) {
  char text[32];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

std::string rawQueueLine(const BinQueueRecord& e) {
  std::string line = kDirections[e.word >> 30];
  line += '\t';
  line += ui::formatTimeTag(e.timeTag);
  line += format("\t%.06X", e.word & 0xFFFFFF);
  line += e.word >> 28 & 1 ? "\tCs" : "\tDs";
  line += ui::flagNames(e.word, kWordFlags);
  line += "\tALT_ERRS:";
  line += alternateErrors(e.alternateErrors);
  return line;
}

std::string messageQueueLine(const BcQueueRecord& e) {
  std::string line = format(" Msg %.03d  ", e.messageNumber);
  if ((e.errors & 0x07FF) == 0) line += "No Errors";
  return line + ui::flagNames(e.errors, kMessageFlags);
}

std::string commandQueueLine(const RtQueueRecord& e) {
  std::string line = format(" Cmd %.06X  ", e.command);
  if (e.errors == 0) line += "No Errors";
  line += ui::flagNames(e.errors, kCommandFlags);
  return line + "  ALT_ERRS:" + alternateErrors(e.alternateErrors);
}

void QUEdialog::init() {
  messages_.openedFlag = 1;
  commands_.openedFlag = 1;
  dialog_.setChecked(kRefresh, false);
  dialog_.setChecked(kMsg, true);
  dialog_.setChecked(kBin, false);
  open({35, 120, 154, 210});
}

// With Snap on the choice of queue is locked.
void QUEdialog::otherCommand(int id) {
  if ((id != kBin && id != kMsg) || snap()) return;
  bool bin = dialog_.isChecked(kBin);
  dialog_.setChecked(kBin, !bin);
  dialog_.setChecked(kMsg, bin);
}

QUEdialog::Queue QUEdialog::chosen() {
  if (dialog_.isChecked(kBin)) return Queue::Raw;
  return card()->operatingMode == kModeLdbBct ? Queue::Messages : Queue::Commands;
}

namespace {

// One operation on a queue whose record starts with the operation and valid words; the line of
// the entry it returned, if any.
template <typename Record>
bool readQueue(CardContext* card, uint16_t (*read)(CardContext*, Record*), Record& record,
               std::string (*format)(const Record&), uint16_t operation, uint16_t& status,
               std::string& line) {
  record.operation = operation;
  record.valid = 0;
  status = read(card, &record);
  if (record.valid != 1) return false;
  line = format(record);
  return true;
}

}  // namespace

bool QUEdialog::readEntry(Queue queue, uint16_t operation, std::string& line) {
  switch (queue) {
    case Queue::Raw:
      return readQueue(card(), DUVEX_RdBinQDLL, raw_, rawQueueLine, operation, lastStatus_, line);
    case Queue::Messages:
      return readQueue(card(), DUVEX_RdLdbBcQDLL, messages_, messageQueueLine, operation,
                       lastStatus_, line);
    case Queue::Commands:
      return readQueue(card(), DUVEX_RdLdbRtQDLL, commands_, commandQueueLine, operation,
                       lastStatus_, line);
  }
  return false;
}

// Each queue has its own number of calls per run of reads; never more than 15 lines. A failed
// read ends the run and says so: the queue may well hold entries.
void QUEdialog::update() {
  dialog_.listReset(kList);
  Queue queue = chosen();
  uint16_t operation = dialog_.isChecked(kRefresh) ? kReadRefresh : kRead;
  raw_.cleared = messages_.cleared = commands_.cleared = 0;
  int calls = queue == Queue::Raw ? 32 : queue == Queue::Messages ? 128 : 64;
  int lines = 0;
  std::string line;
  lastStatus_ = 0;
  for (int i = 0; i < calls && lines < kMaxLines && lastStatus_ == 0; ++i) {
    if (!readEntry(queue, operation, line)) continue;
    dialog_.listAdd(kList, line);
    ++lines;
  }
  if (lastStatus_ != 0)
    dialog_.listAdd(kList, ui::queueFailureLine(lastStatus_));
  else if (lines == 0)
    dialog_.listAdd(kList, "EMPTY");
}

void QUEdialog::clear() {
  dialog_.listReset(kList);
  raw_.cleared = messages_.cleared = commands_.cleared = 0;
  std::string unused;
  readEntry(chosen(), kClearQueue, unused);
}

}  // namespace ldb
