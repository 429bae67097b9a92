// What listens to a card's wire tap: a recording, the activity meter, or both.
#pragma once

#include <memory>

#include "xarndll/capture/activity.h"
#include "xarndll/capture/recorder.h"

namespace xarncap {

class CardTaps final : public xarnsim::WireTap {
 public:
  std::unique_ptr<Recorder> recorder;
  std::unique_ptr<ActivityMeter> meter;

  bool empty() const { return !recorder && !meter; }

  void word(const xarnsim::WireWord& word) override {
    if (recorder) recorder->word(word);
    if (meter) meter->word(word);
  }
  void transfer(const xarnsim::WireTransfer& transfer) override {
    if (recorder) recorder->transfer(transfer);
    if (meter) meter->transfer(transfer);
  }
  void caughtUp() override {
    if (recorder) recorder->caughtUp();
  }
  bool wantsEveryTransfer() const override {
    return meter || (recorder && recorder->wantsEveryTransfer());
  }
};

}  // namespace xarncap
