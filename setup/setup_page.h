// The card setup page: the card settings, and OK, which initialises the card, sets it up,
// saves the settings and lets the modes be entered.
#pragma once

#include "card/records.h"
#include "setup/card_settings.h"
#include "ui/page.h"

namespace setup {

// The station as the setup page sees it: besides what every page has, the card settings, the
// setup record made from them, and the word that lets the modes be entered.
class SetupContext : public ui::PageContext {
 public:
  virtual CardSettings& settings() = 0;
  virtual SetupRecord& setupRecord() = 0;
  virtual void markHardwareInitialised() = 0;
};

class SETUPdialog final : public ui::Page {
 public:
  SETUPdialog(SetupContext& station, winsys::Dialog& dialog)
      : Page(station, dialog), setup_(station) {}
  void init() override;
  void command(int id) override;
  void scroll(uint32_t param, winsys::ScrollAction action) override;

 private:
  void showAll();
  void ok();
  uint16_t readFields();

  SetupContext& setup_;
};

// Applies the settings to the card: mode 1 and the setup record. The status of the setup call.
uint16_t applySettings(SetupContext& station);

}  // namespace setup
