#include "xarndll/capture/pcapng.h"

#include <cstring>

namespace xarncap {
namespace {

constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 0x00000001;
constexpr uint32_t kEnhancedPacket = 0x00000006;
constexpr uint32_t kByteOrderMagic = 0x1A2B3C4D;

constexpr uint16_t kOptEnd = 0;
constexpr uint16_t kOptComment = 1;
constexpr uint16_t kShbUserApplication = 4;
constexpr uint16_t kIfName = 2;
constexpr uint16_t kIfDescription = 3;
constexpr uint16_t kIfTsResolution = 9;

constexpr uint32_t kSnapLength = 0;  // no limit

void put16(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}
void put32(std::string& out, uint32_t v) {
  put16(out, static_cast<uint16_t>(v));
  put16(out, static_cast<uint16_t>(v >> 16));
}
void pad(std::string& out) {
  while (out.size() % 4) out += '\0';
}
void option(std::string& out, uint16_t code, std::string_view value) {
  put16(out, code);
  put16(out, static_cast<uint16_t>(value.size()));
  out += value;
  pad(out);
}
void endOptions(std::string& out) {
  put16(out, kOptEnd);
  put16(out, 0);
}

// A block: type, total length, body, total length again.
void block(std::string& out, uint32_t type, const std::string& body) {
  auto total = static_cast<uint32_t>(12 + body.size());
  put32(out, type);
  put32(out, total);
  out += body;
  put32(out, total);
}

uint32_t get32(std::string_view b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<size_t>(i)]);
  return v;
}
uint16_t get16(std::string_view b, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

// Options from `at` to `end`: calls `each(code, value)`; false when they run past the block.
template <class Each>
bool readOptions(std::string_view b, size_t at, size_t end, Each each) {
  while (at + 4 <= end) {
    uint16_t code = get16(b, at);
    uint16_t length = get16(b, at + 2);
    if (code == kOptEnd) return true;
    size_t padded = (length + 3u) & ~3u;
    if (at + 4 + padded > end) return false;
    each(code, b.substr(at + 4, length));
    at += 4 + padded;
  }
  return at == end;
}

}  // namespace

void appendSectionHeader(std::string& out, std::string_view application, std::string_view comment) {
  std::string body;
  put32(body, kByteOrderMagic);
  put16(body, 1);  // version 1.0
  put16(body, 0);
  put32(body, 0xFFFFFFFF);  // section length: not given
  put32(body, 0xFFFFFFFF);
  option(body, kShbUserApplication, application);
  option(body, kOptComment, comment);
  endOptions(body);
  block(out, kSectionHeader, body);
}

void appendInterface(std::string& out, const Interface& interface) {
  std::string body;
  put16(body, kLinkTypeUser0);
  put16(body, 0);
  put32(body, kSnapLength);
  option(body, kIfName, interface.name);
  option(body, kIfDescription, interface.description);
  option(body, kIfTsResolution, std::string_view(reinterpret_cast<const char*>(&kNanoseconds), 1));
  endOptions(body);
  block(out, kInterfaceDescription, body);
}

void appendPacket(std::string& out, uint32_t interfaceId, uint64_t nanoseconds,
                  std::string_view payload) {
  std::string body;
  body.reserve(20 + payload.size() + 3);
  put32(body, interfaceId);
  put32(body, static_cast<uint32_t>(nanoseconds >> 32));
  put32(body, static_cast<uint32_t>(nanoseconds));
  put32(body, static_cast<uint32_t>(payload.size()));
  put32(body, static_cast<uint32_t>(payload.size()));
  body += payload;
  pad(body);
  block(out, kEnhancedPacket, body);
}

Capture parse(std::string_view b) {
  Capture c;
  size_t at = 0;
  while (at < b.size()) {
    if (at + 12 > b.size()) break;
    uint32_t type = get32(b, at);
    uint32_t total = get32(b, at + 4);
    if (total < 12 || total % 4 || at + total > b.size() || get32(b, at + total - 4) != total)
      break;
    size_t body = at + 8;
    size_t end = at + total - 4;
    bool ok = true;
    if (type == kSectionHeader) {
      ok = end >= body + 16 && get32(b, body) == kByteOrderMagic;
      if (ok) {
        c.interfaces.clear();
        c.sectionComments.emplace_back();
        ok = readOptions(b, body + 16, end, [&](uint16_t code, std::string_view v) {
          if (code == kOptComment) c.sectionComments.back() = std::string(v);
        });
      }
    } else if (type == kInterfaceDescription) {
      Interface i;
      ok = end >= body + 8 && readOptions(b, body + 8, end, [&](uint16_t code, std::string_view v) {
             if (code == kIfName) i.name = std::string(v);
             if (code == kIfDescription) i.description = std::string(v);
           });
      c.interfaces.push_back(std::move(i));
    } else if (type == kEnhancedPacket) {
      ok = end >= body + 20;
      uint32_t captured = ok ? get32(b, body + 12) : 0;
      ok = ok && body + 20 + captured <= end && !c.sectionComments.empty();
      if (ok) {
        Packet p;
        p.interfaceId = get32(b, body);
        p.nanoseconds = uint64_t{get32(b, body + 4)} << 32 | get32(b, body + 8);
        p.payload = std::string(b.substr(body + 20, captured));
        ok = p.interfaceId < c.interfaces.size();
        if (ok) c.packets.push_back(std::move(p));
      }
    }
    if (!ok) break;
    at += total;
  }
  c.damaged = at < b.size();
  return c;
}

}  // namespace xarncap
