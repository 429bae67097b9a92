// What the fuzz targets share: a scratch directory, the input reader, a card on a moved clock.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "card/xarndll.h"
#include "xarndll/control.h"

namespace fuzz {

// A fresh directory for the run, in /dev/shm where there is one (the station syncs its files).
inline void enterScratchDirectory() {
  static bool entered = false;
  static std::string scratch;
  if (entered) return;
  std::error_code ec;
  std::filesystem::path root = std::filesystem::is_directory("/dev/shm", ec)
                                   ? std::filesystem::path("/dev/shm")
                                   : std::filesystem::temp_directory_path();
  std::string pattern = (root / "xarn-fuzz-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (!::mkdtemp(name.data())) std::abort();
  scratch = name.data();
  std::filesystem::current_path(scratch);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
  });
  entered = true;
}

inline void writeFile(const std::string& name, const uint8_t* data, size_t size) {
  std::ofstream(name, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The input front to back, low byte first; zeros past its end.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
  uint16_t u16() {
    uint16_t low = u8();
    return static_cast<uint16_t>(low | u8() << 8);
  }
  uint32_t u32() {
    uint32_t low = u16();
    return low | static_cast<uint32_t>(u16()) << 16;
  }
  template <typename T>
  void fill(T& record) {
    auto* bytes = reinterpret_cast<uint8_t*>(&record);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = u8();
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// XARN_FUZZ_TRACE=1 prints the card's calls, to read what a finding does.
inline void traceIfAsked(CardContext* card) {
  if (std::getenv("XARN_FUZZ_TRACE"))
    xarnsim::setTrace(card,
                      [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
}

// An initialised card in `mode`, on a clock that moves only with `advance`.
class Card {
 public:
  explicit Card(uint16_t mode) {
    xarnsim::setTimeSource(&context_, [this] { return now_; });
    DUVEX_InitDLL(&context_, 1, 1, 0);
    SetupRecord setup{};
    setup.marker = 0xFFFFFFFF;
    setup.interWordTxGap = 11;
    setup.rtResponseTime = 15;
    setup.rtResponseTimeout = 50;
    DUVEX_SetupDLL(&context_, mode, &setup);
    context_.operatingMode = mode;
  }
  ~Card() { xarnsim::release(&context_); }
  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;

  CardContext* operator->() { return &context_; }
  CardContext* get() { return &context_; }
  void advance(uint64_t micros) { now_ += micros; }

 private:
  CardContext context_{};
  uint64_t now_ = 0;
};

}  // namespace fuzz
