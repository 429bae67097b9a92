#include "xarndll/sim/gdb/gdb_engine.h"

namespace xarnsim::gdb {
namespace {
constexpr uint16_t kModeBct = 4;
}  // namespace

void Engine::start(uint16_t mode, uint64_t nowMicros, uint64_t epochMicros) {
  stop();
  epochMicros_ = epochMicros;
  if (mode == kModeBct)
    controller_.start(micros(nowMicros));
  else
    terminals_.start(micros(nowMicros));
}

bool Engine::advance(uint64_t untilMicros) {
  Tick until = micros(untilMicros);
  if (controller_.running()) return controller_.advance(until);
  if (terminals_.running()) return terminals_.advance(until);
  return false;
}

}  // namespace xarnsim::gdb
