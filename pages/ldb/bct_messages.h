// The bus controller's message page: one message definition at a time, read from the card,
// edited and written back, with its data words, error injection, time tag and status.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/ldb_fields.h"
#include "ui/page.h"
#include "ui/snap.h"

namespace ldb {

// What the page keeps for the life of the program.
struct BctMessagesState {
  uint16_t rt = 0;
  uint16_t commandCode = 0;
  int errorTypeIndex = 0;
  uint16_t sev = 0;
  uint16_t direction = 0;
  uint16_t bus = 0;
  uint16_t messageNumber = 0;
  bool snap = false;
  int pageOffset = 0;  // 0 to 448 in steps of 64
  BcMessageRecord record{};
  ErrorInjectionRecord error{};
  MessageBufferRecord buffer{};
};

class BCTmessages final : public ui::Page {
 public:
  BCTmessages(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;
  void timer(int id) override;

 private:
  void get();
  void showRecord();
  void showData();
  void update();
  void initTxData();
  void toggleBus();
  void toggleSev();
  void toggleDirection();
  void cycleErrorType();
  void stepMessageNumber(winsys::ScrollAction action);
  void stepPage(winsys::ScrollAction action);
  uint32_t readDecimal(int id);
  uint16_t readBox();

  BctMessagesState& state_;
  ui::DataWords& words_;  // the station's shared data words
  ui::Snap snap_;
  uint16_t error_ = 0;
  int shownOffset_ = 0;  // where the box's words belong in the data
  int shownCount_ = 0;
};

}  // namespace ldb
