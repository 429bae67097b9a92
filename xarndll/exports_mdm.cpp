// The driver's C functions of the MDM units (MDM_MRT).
#include "card/xarndll.h"
#include "xarndll/sim/call_gate.h"
#include "xarndll/sim/mdm/mdm_calls.h"

using xarnsim::arg;
using xarnsim::Fn;
using xarnsim::gate;
using xarnsim::SimCard;
using xarnsim::mdm::call;
using xarnsim::mdm::Engine;

extern "C" {

// ---- MDM remote terminals. The two always-zero arguments of the unit calls are not used.

uint16_t DUVEX_RdMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2) {
  return gate(Fn::RdMdmRtSimDLL, card, {arg(rt), arg(record), arg(reserved1), arg(reserved2)},
              [&](SimCard& c) {
                return call(c, record,
                            [&](Engine& e, MdmRtSimRecord& r) { return e.readUnit(rt, r); });
              });
}

uint16_t DUVEX_WrMdmRtSimDLL(CardContext* card, uint16_t rt, MdmRtSimRecord* record,
                             uint16_t reserved1, uint16_t reserved2) {
  return gate(Fn::WrMdmRtSimDLL, card, {arg(rt), arg(record), arg(reserved1), arg(reserved2)},
              [&](SimCard& c) {
                return call(c, record,
                            [&](Engine& e, MdmRtSimRecord& r) { return e.writeUnit(rt, r); });
              });
}

uint16_t DUVEX_RdMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record) {
  return gate(Fn::RdMdmIOMDLL, card, {arg(rt), arg(iom), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmIomRecord& r) { return e.readIom(rt, iom, r); });
  });
}

uint16_t DUVEX_WrMdmIOMDLL(CardContext* card, uint16_t rt, uint16_t iom, MdmIomRecord* record) {
  return gate(Fn::WrMdmIOMDLL, card, {arg(rt), arg(iom), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmIomRecord& r) { return e.writeIom(rt, iom, r); });
  });
}

uint16_t DUVEX_RdMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record) {
  return gate(Fn::RdMdmBiteConfDLL, card, {arg(rt), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmBiteRecord& r) { return e.readBite(rt, r); });
  });
}

uint16_t DUVEX_WrMdmBiteConfDLL(CardContext* card, uint16_t rt, MdmBiteRecord* record) {
  return gate(Fn::WrMdmBiteConfDLL, card, {arg(rt), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmBiteRecord& r) { return e.writeBite(rt, r); });
  });
}

uint16_t DUVEX_RdMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record) {
  return gate(Fn::RdMdmPromDLL, card, {arg(rt), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmPromRecord& r) { return e.readProm(rt, r); });
  });
}

uint16_t DUVEX_WrMdmPromDLL(CardContext* card, uint16_t rt, MdmPromRecord* record) {
  return gate(Fn::WrMdmPromDLL, card, {arg(rt), arg(record)}, [&](SimCard& c) {
    return call(c, record, [&](Engine& e, MdmPromRecord& r) { return e.writeProm(rt, r); });
  });
}

// The queue number is always 1; end flag 0 reads the entry at the position, 2 clears.
uint16_t DUVEX_RdMdmQDLL(CardContext* card, uint16_t queue, uint16_t* position, uint16_t* endFlag,
                         MdmQueueEntry* entry) {
  return gate(Fn::RdMdmQDLL, card, {arg(queue), arg(position), arg(endFlag), arg(entry)},
              [&](SimCard& c) {
                return call(c, entry, [&](Engine& e, MdmQueueEntry& q) {
                  return e.readQueue(queue, position, endFlag, q);
                });
              });
}

}  // extern "C"
