// The frame page: the major frame's duration and its list of message numbers.
#pragma once

#include <array>
#include <cstdint>

#include "app/page.h"
#include "card/records.h"

namespace ldb {

struct BctFrameState {
  FrameRecord record{};
  std::array<uint16_t, kFrameListEntries> list{};
};

class BCTframe final : public app::Page {
 public:
  BCTframe(app::Station& station, winsys::Dialog& dialog);
  void init() override;
  void command(int id) override;

 private:
  void get();
  void showFrame();
  void update();

  BctFrameState& state_;
};

}  // namespace ldb
