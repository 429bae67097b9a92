// The frame page: the major frame's duration and its list of message numbers.
#pragma once

#include <array>
#include <cstdint>

#include "card/records.h"
#include "ui/page.h"

namespace ldb {

struct BctFrameState {
  FrameRecord record{};
  std::array<uint16_t, kFrameListEntries> list{};
};

class BCTframe final : public ui::Page {
 public:
  BCTframe(ui::PageContext& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;

 private:
  void get();
  void showFrame();
  void update();

  BctFrameState& state_;
};

}  // namespace ldb
