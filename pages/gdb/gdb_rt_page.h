// The GDB_MRT terminal page: one simulated terminal and one of its channels: the terminal's
// enable, error injection and unsolicited word, the channel's enables, response word, response
// type, response time and masks.
#pragma once

#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace gdb {

enum class Step : uint8_t { None, Down, Up };

// What the page keeps for the life of the program.
struct RtPageState {
  uint16_t rt = 0;
  uint16_t channel = 0;
  Step rtStep = Step::None;
  Step channelStep = Step::None;
  int errorTypeIndex = 0;
  int responseTypeIndex = 0;
  GdbRtSimRecord terminal{};
  GdbRtChanRecord record{};
};

class GRRdialog final : public ui::Page {
 public:
  GRRdialog(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void read();
  uint16_t readNumbers(uint16_t& error);
  void showTerminal();
  void showChannel();
  void update();
  void stepErrorType();
  void stepResponseType();

  RtPageState& state_;
};

}  // namespace gdb
