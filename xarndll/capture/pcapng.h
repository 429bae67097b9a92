// The few blocks of a pcapng capture file the card's recordings need: a section header, one
// interface description per bus connector and an enhanced packet per transfer, little-endian,
// each block built whole in memory so that a file cut anywhere reads up to the last whole block.
// docs/capture-format.md describes the files; this is only the container.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xarncap {

// LINKTYPE_USER0: the link type of every interface of a card's recording.
inline constexpr uint16_t kLinkTypeUser0 = 147;
// Time stamps count nanoseconds (if_tsresol 9).
inline constexpr uint8_t kNanoseconds = 9;

struct Interface {
  std::string name;         // if_name
  std::string description;  // if_description
};

// Appends blocks to `out`.
void appendSectionHeader(std::string& out, std::string_view application, std::string_view comment);
void appendInterface(std::string& out, const Interface& interface);
void appendPacket(std::string& out, uint32_t interfaceId, uint64_t nanoseconds,
                  std::string_view payload);

// A capture read back: its packets in file order, and where reading stopped. A block cut short or
// damaged ends the reading; what came before it stays.
struct Packet {
  uint32_t interfaceId = 0;
  uint64_t nanoseconds = 0;
  std::string payload;
};
struct Capture {
  std::vector<std::string> sectionComments;  // one per section header, its opt_comment
  std::vector<Interface> interfaces;         // of the last section
  std::vector<Packet> packets;
  bool damaged = false;  // reading stopped before the end of the file
};
Capture parse(std::string_view bytes);

}  // namespace xarncap
