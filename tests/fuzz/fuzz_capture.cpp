// Capture files played to the monitor: any bytes read up to their first damaged block, never
// past the input, and the monitor runs on whatever they give.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "xarndll/capture/pcapng.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::enterScratchDirectory();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  size_t payload = 0;
  for (const xarncap::Packet& p : xarncap::parse(bytes).packets) payload += p.payload.size();
  if (payload > size) __builtin_trap();

  static fuzz::Card card(3);  // BUS_MON
  fuzz::writeFile("FUZZ.pcapng", data, size);
  std::string why;
  xarnsim::setOption(card.get(), "monitor-replay", "FUZZ.pcapng", why);
  DUVEX_RunMonDLL(card.get());
  card.advance(200'000);
  MonMsg entry{};
  DUVEX_RdMonMsgDLL(card.get(), 0, &entry);
  DUVEX_CommandDLL(card.get(), 11);
  xarnsim::setOption(card.get(), "monitor-replay", "off", why);
  return 0;
}
