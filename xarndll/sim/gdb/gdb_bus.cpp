#include "xarndll/sim/gdb/gdb_bus.h"

#include <algorithm>

namespace xarnsim::gdb {
namespace {

constexpr uint16_t kLocalWordBits = 24;
constexpr std::array<uint16_t, 5> kErrorTypes = {ldb::kErrorNone, ldb::kErrorParity,
                                                 ldb::kErrorManchester, ldb::kErrorSync,
                                                 ldb::kErrorBitCount};

}  // namespace

bool knownErrorType(uint16_t type) {
  return std::find(kErrorTypes.begin(), kErrorTypes.end(), type) != kErrorTypes.end();
}

ldb::WordFault applyInjection(uint16_t type, uint16_t size, bool commandSync) {
  if (type == kErrorBitCount) {
    // The local bus's rule compares with its 24-bit words.
    size = size == kWordBits  ? kLocalWordBits
           : size > kWordBits ? kLocalWordBits + 1
                              : kLocalWordBits - 1;
  }
  return ldb::applyInjection(ldb::Injection{0, type, size}, commandSync);
}

// ---- Timeline

void Timeline::reset(Tick origin, Tick period, const std::vector<Slot>& slots) {
  origin_ = origin;
  period_ = std::max<Tick>(period, 1);
  starts_.clear();
  ends_.clear();
  for (auto& p : prefix_) p.assign(1, 0);
  for (const Slot& s : slots) {
    starts_.push_back(s.start);
    ends_.push_back(s.end);
    for (int k = 0; k < kCounts; ++k) prefix_[k].push_back(prefix_[k].back() + s.counts[k]);
  }
}

// A catch-up usually ends a few slots after `from`: the search gallops from there when both lie
// in the same period.
uint64_t Timeline::firstNotDone(uint64_t from, Tick until) const {
  if (size() == 0 || until < origin_) return from;
  Tick since = until - origin_;
  uint64_t period = since / period_;
  Tick within = since % period_;
  const std::size_t n = ends_.size();
  std::size_t lo = 0;
  std::size_t hi = n;
  if (from / size() == period) {
    // Every slot in [from, lo) has ended; hi has not, or is the period's end.
    lo = hi = from % size();
    for (std::size_t step = 1; hi < n && ends_[hi] <= within; step *= 2) {
      lo = hi + 1;
      hi += step;
    }
    hi = std::min(hi, n);
  }
  auto inside = std::upper_bound(ends_.begin() + static_cast<std::ptrdiff_t>(lo),
                                 ends_.begin() + static_cast<std::ptrdiff_t>(hi), within) -
                ends_.begin();
  return std::max(from, period * size() + static_cast<uint64_t>(inside));
}

uint64_t Timeline::keepFrom(int k, uint64_t from, uint64_t to, uint64_t keep) const {
  uint64_t all = total(k, from, to);
  if (all <= keep) {
    // Everything the stretch writes is kept; the slots before its first entry write nothing.
    if (all == 0) return to;
    keep = all;
  }
  // The latest slot g with before(g) <= before(to) - keep.
  uint64_t target = before(k, to) - keep;
  uint64_t perPeriod = prefix_[k].back();
  uint64_t period = target / perPeriod;
  uint64_t rest = target % perPeriod;
  const auto& p = prefix_[k];
  auto inside = std::upper_bound(p.begin(), p.end() - 1, rest) - p.begin() - 1;
  uint64_t g = period * size() + static_cast<uint64_t>(inside);
  return std::clamp(g, from, to);
}

}  // namespace xarnsim::gdb
