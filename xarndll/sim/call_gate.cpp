#include "xarndll/sim/call_gate.h"

namespace xarnsim {

std::string formatCall(Fn fn, std::initializer_list<TraceArg> args, uint16_t result) {
  std::string line(functionName(fn));
  line += "(card";
  for (const TraceArg& a : args) {
    line += ", ";
    if (a.kind == TraceArg::Kind::Pointer)
      line += a.value ? "&" : "null";
    else
      line += std::to_string(a.value);
  }
  line += ") = ";
  line += std::to_string(result);
  return line;
}

}  // namespace xarnsim
