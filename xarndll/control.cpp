#include "xarndll/control.h"

#include <array>
#include <charconv>
#include <stdexcept>
#include <string_view>

#include "xarndll/capture/card_taps.h"
#include "xarndll/sim/bus/node.h"
#include "xarndll/sim/functions.h"
#include "xarndll/sim/registry.h"

namespace xarnsim {
namespace {

std::optional<uint32_t> parseNumber(std::string_view text, int base, uint32_t max) {
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (text.empty() || ec != std::errc() || ptr != end || value > max) return std::nullopt;
  return value;
}

std::optional<bool> parseFlag(std::string_view text) {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

struct Option {
  std::string_view name;
  std::string_view values;
  std::string_view meaning;
  // Applies VALUE; false when it is not acceptable.
  bool (*apply)(SimCard& card, CardContext& context, std::string_view value);
};

bool applyFlag(bool& target, std::string_view value) {
  auto flag = parseFlag(value);
  if (flag) target = *flag;
  return flag.has_value();
}

bool applyMillis(uint32_t& target, std::string_view value) {
  auto ms = parseNumber(value, 10, 24 * 3600 * 1000);
  if (ms) target = *ms;
  return ms.has_value();
}

// What an option reports when it could not do what it was asked, beyond a bad value.
struct OptionFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::optional<bool> parseSwitch(std::string_view text) {
  if (text == "on") return true;
  if (text == "off") return false;
  return std::nullopt;
}

std::optional<int> parseConnector(std::string_view text) {
  if (text.size() == 2 && (text[0] == 'J' || text[0] == 'j') && text[1] >= '1' && text[1] <= '4')
    return text[1] - '1';
  return std::nullopt;
}

bus::Node& onBus(SimCard& card) {
  if (!card.busNode()) throw OptionFailure("the card is on no shared bus (see --bus)");
  return *card.busNode();
}

const std::array kOptions{
    Option{"extended-channels", "0|1",
           "1: GDB channels run to 65535 (the context's flag, set now and by DUVEX_InitDLL)",
           [](SimCard& card, CardContext& context, std::string_view value) {
             if (!applyFlag(card.options().extendedChannels, value)) return false;
             context.extendedChannels = card.options().extendedChannels ? 1 : 0;
             return true;
           }},
    Option{"state-word", "HHHH|off", "force the state word the card reports (hexadecimal)",
           [](SimCard& card, CardContext&, std::string_view value) {
             if (value == "off") {
               card.hooks().forcedState.reset();
               return true;
             }
             auto word = parseNumber(value, 16, 0xFFFF);
             if (word) card.hooks().forcedState = static_cast<uint16_t>(*word);
             return word.has_value();
           }},
    Option{"self-test-ms", "N", "duration of the self test in card milliseconds (3000)",
           [](SimCard& card, CardContext&, std::string_view value) {
             return applyMillis(card.options().selfTestMillis, value);
           }},
    Option{"firmware-ms", "N",
           "firmware programming time in card milliseconds after the acknowledgement (5000)",
           [](SimCard& card, CardContext&, std::string_view value) {
             return applyMillis(card.options().firmwareMillis, value);
           }},
    Option{"firmware-ack", "0|1", "0: the card never acknowledges the firmware handshake",
           [](SimCard& card, CardContext&, std::string_view value) {
             return applyFlag(card.options().firmwareAcknowledge, value);
           }},
    Option{"wrap-loop", "external|local",
           "loop of the wrap test: external plug (0x800A) or the card's own (0x80FA)",
           [](SimCard& card, CardContext&, std::string_view value) {
             if (value != "external" && value != "local") return false;
             card.options().localWrap = value == "local";
             return true;
           }},
    Option{"monitor-replay", "FILE|off",
           "BUS_MON hears the local-bus words of capture FILE, at their recorded times, "
           "instead of its own partners (off: its partners again)",
           [](SimCard& card, CardContext&, std::string_view value) {
             if (value == "off") {
               card.catchUp();
               card.monitor().setReplay(std::nullopt);
               return true;
             }
             card.catchUp();  // what the monitor heard until now stays as it was
             std::string why;
             std::optional<monitor::Replay> replay = monitor::readReplay(std::string(value), why);
             if (!replay) throw OptionFailure(why);
             card.monitor().setReplay(std::move(replay));
             return true;
           }},
    Option{"bus-partners", "on|off",
           "on a shared bus: off stops invented partners standing in for absent cards",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto on = parseSwitch(value);
             if (on) onBus(card).setPartners(*on);
             return on.has_value();
           }},
    Option{"bus-break", "J1|J2|J3|J4", "on a shared bus: cut this card's connector",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto line = parseConnector(value);
             if (line) onBus(card).setBroken(*line, true);
             return line.has_value();
           }},
    Option{"bus-heal", "J1|J2|J3|J4", "on a shared bus: mend this card's connector",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto line = parseConnector(value);
             if (line) onBus(card).setBroken(*line, false);
             return line.has_value();
           }},
    Option{"bus-noise", "J1|J2|J3|J4 N",
           "on a shared bus: N of every million words on the connector are damaged (0: none)",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto space = value.find(' ');
             if (space == std::string_view::npos) return false;
             auto line = parseConnector(value.substr(0, space));
             auto rate = parseNumber(value.substr(space + 1), 10, 1'000'000);
             if (line && rate) onBus(card).setNoise(*line, *rate);
             return line && rate;
           }},
    Option{"bus-wait", "N",
           "on a shared bus: wait (up to 60 s of the host's time) until N cards are on it",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto count = parseNumber(value, 10, bus::kMostNodes);
             if (!count || *count == 0) return false;
             if (!onBus(card).waitForNodes(static_cast<int>(*count), 60'000))
               throw OptionFailure("fewer than " + std::to_string(*count) +
                                   " cards joined the bus within 60 s");
             return true;
           }},
    Option{"serial", "HEX", "the card's serial number (2F41A)",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto serial = parseNumber(value, 16, 0xFFFFFFFF);
             if (serial) card.setSerialNumber(*serial);
             return serial.has_value();
           }},
    Option{"firmware-rev", "N", "the card's firmware revision number, 1 = A (3)",
           [](SimCard& card, CardContext&, std::string_view value) {
             auto revision = parseNumber(value, 10, 0xFFFF);
             if (revision) card.setFirmwareRevision(static_cast<uint16_t>(*revision));
             return revision.has_value();
           }},
};

}  // namespace

void setTimeSource(CardContext* card, Clock clock) {
  if (card) cardFor(*card).setTimeSource(std::move(clock));
}

bool knownFunction(const std::string& function) { return functionByName(function).has_value(); }

bool failNext(CardContext* card, const std::string& function, uint16_t status, int count) {
  auto fn = functionByName(function);
  if (!card || !fn) return false;
  cardFor(*card).hooks().failures[static_cast<std::size_t>(*fn)] = {status, count > 0 ? count : 0};
  return true;
}

void forceStateWord(CardContext* card, std::optional<uint16_t> word) {
  if (card) cardFor(*card).hooks().forcedState = word;
}

void setTrace(CardContext* card, std::function<void(const std::string&)> sink) {
  if (card) cardFor(*card).hooks().trace = std::move(sink);
}

uint64_t callCount(CardContext* card, const std::string& function) {
  auto fn = functionByName(function);
  if (!card || !fn) return 0;
  return cardFor(*card).hooks().counts[static_cast<std::size_t>(*fn)];
}

void resetCallCounts(CardContext* card) {
  if (card) cardFor(*card).hooks().counts = {};
}

bool setOption(CardContext* card, const std::string& name, const std::string& value,
               std::string& error) {
  if (!card) {
    error = "no card context";
    return false;
  }
  for (const Option& option : kOptions) {
    if (option.name != name) continue;
    try {
      if (option.apply(cardFor(*card), *card, value)) return true;
    } catch (const OptionFailure& failure) {
      error = failure.what();
      return false;
    }
    error = "bad value '";
    error.append(value).append("' for ").append(name).append(" (expected ");
    error.append(option.values).append(")");
    return false;
  }
  error = "unknown simulator option '" + name + "'";
  return false;
}

std::string optionHelp() {
  std::string help;
  for (const Option& option : kOptions) {
    help += option.name;
    help += ' ';
    help += option.values;
    help += ": ";
    help += option.meaning;
    help += '\n';
  }
  return help;
}

uint16_t peek(CardContext* card, uint32_t address) {
  if (!card) return 0;
  SimCard& sim = cardFor(*card);
  SimCard::Hold hold = sim.enter();
  return sim.readWord(address);
}

void poke(CardContext* card, uint32_t address, uint16_t value) {
  if (!card) return;
  SimCard& sim = cardFor(*card);
  SimCard::Hold hold = sim.enter();
  sim.writeWord(address, value);
}

void catchUp(CardContext* card) {
  if (card) cardFor(*card).catchUp();
}

std::string busName(CardContext* card) {
  if (!card) return {};
  bus::Node* node = cardFor(*card).busNode();
  return node ? node->busName() : std::string();
}

std::string busNameProblem(const std::string& name) { return bus::SharedBus::nameProblem(name); }

namespace {

// The card's taps, made on first use; a card with no listener left has no tap, so that its buses
// go back to counting what nobody can see.
xarncap::CardTaps* tapsOf(SimCard& card, bool make) {
  auto* taps = dynamic_cast<xarncap::CardTaps*>(card.tap());
  if (!taps && make) {
    card.setTap(std::make_unique<xarncap::CardTaps>());
    taps = static_cast<xarncap::CardTaps*>(card.tap());
  }
  return taps;
}

void dropIfEmpty(SimCard& card) {
  xarncap::CardTaps* taps = tapsOf(card, false);
  if (taps && taps->empty()) card.setTap(nullptr);
}

RecordingStatus statusOf(const xarncap::RecordingState& s) {
  return RecordingStatus{s.active, s.file, s.bytes, s.totalBytes, s.packets, s.error};
}

}  // namespace

bool startRecording(CardContext* card, const RecordSettings& settings, std::string& error) {
  if (!card) {
    error = "no card context";
    return false;
  }
  if (settings.ring == 1 || (settings.ring && !settings.limitBytes)) {
    error = "a ring needs a size limit and at least 2 files";
    return false;
  }
  SimCard& sim = cardFor(*card);
  sim.catchUp();
  auto recorder = std::make_unique<xarncap::Recorder>(
      sim, xarncap::RecordOptions{settings.path, settings.limitBytes, settings.ring,
                                  settings.application});
  if (!recorder->open(error)) return false;
  tapsOf(sim, true)->recorder = std::move(recorder);
  return true;
}

RecordingStatus stopRecording(CardContext* card) {
  if (!card) return {};
  SimCard& sim = cardFor(*card);
  xarncap::CardTaps* taps = tapsOf(sim, false);
  if (!taps || !taps->recorder) return {};
  sim.catchUp();
  taps->recorder->stop();
  RecordingStatus status = statusOf(taps->recorder->state());
  taps->recorder.reset();
  dropIfEmpty(sim);
  return status;
}

RecordingStatus recordingStatus(CardContext* card) {
  if (!card) return {};
  SimCard& sim = cardFor(*card);
  xarncap::CardTaps* taps = tapsOf(sim, false);
  if (!taps || !taps->recorder) return {};
  sim.catchUp();
  return statusOf(taps->recorder->state());
}

void countActivity(CardContext* card, bool on) {
  if (!card) return;
  SimCard& sim = cardFor(*card);
  sim.catchUp();
  xarncap::CardTaps* taps = tapsOf(sim, on);
  if (!taps) return;
  if (on && !taps->meter) taps->meter = std::make_unique<xarncap::ActivityMeter>(sim);
  if (!on) taps->meter.reset();
  dropIfEmpty(sim);
}

std::optional<xarncap::Activity> busActivity(CardContext* card) {
  if (!card) return std::nullopt;
  SimCard& sim = cardFor(*card);
  xarncap::CardTaps* taps = tapsOf(sim, false);
  if (!taps || !taps->meter) return std::nullopt;
  sim.catchUp();
  return taps->meter->snapshot();
}

void release(CardContext* card) {
  if (card) releaseCard(*card);
}

}  // namespace xarnsim
