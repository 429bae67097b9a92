// The LDB_MRT page: one simulated remote terminal at a time, its mode, bus, protocol and data
// state, the last message it saw, its five response error injections and its TX and RX data.
#pragma once

#include <array>
#include <cstdint>

#include "card/records.h"
#include "ui/ldb_fields.h"
#include "ui/page.h"
#include "ui/snap.h"

namespace ldb {

// What the page keeps for the life of the program.
struct RtPageState {
  LdbRtRecord record{};
  std::array<ErrorInjectionRecord, kRtErrorCategories> errors{};
  MessageBufferRecord tx{};
  MessageBufferRecord rx{};
  ui::DataWords rxWords{};
  int actionIndex = 0;
  int stateIndex = 0;
  int category = 0;
  int errorTypeIndex = 0;
  bool snap = false;
  int pageOffset = 0;  // 0 to 480 in steps of 32
};

class RTPdialog final : public ui::Page {
 public:
  RTPdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;
  void timer(int id) override;

 private:
  void get();
  void showRecord();
  void showData();
  void update();
  void store();
  void initTxData();
  void stepCategory();
  void toggleMode();
  void cycleBusSelect();
  void cycleAction();
  void cycleState();
  void cycleErrorType();
  void toggleStateUpdate();
  void stepPage(winsys::ScrollAction action);
  struct Shown {
    int offset = 0;  // where a box's words belong in its data
    int count = 0;
  };
  uint16_t readBox(int id, ui::DataWords& words, const Shown& shown);

  RtPageState& state_;
  ui::DataWords& txWords_;
  ui::Snap snap_;
  uint16_t error_ = 0;
  Shown shownTx_;
  Shown shownRx_;
};

}  // namespace ldb
