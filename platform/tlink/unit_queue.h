// Encoded units waiting for the sender, bounded in count and bytes. No lock of its own: the
// session's lock guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

struct EncodedUnit {
    std::vector<uint8_t> data;
    int64_t pts_us = 0;
    int64_t dts_us = 0;
    bool key = false;
};

class UnitQueue {
  public:
    UnitQueue(size_t max_units, size_t max_bytes) : max_units_(max_units), max_bytes_(max_bytes) {}

    // False (unit left untouched) when the unit would exceed either bound.
    bool push(EncodedUnit &&unit);
    EncodedUnit pop();
    bool empty() const { return units_.empty(); }
    const EncodedUnit &front() const { return units_.front(); }
    size_t size() const { return units_.size(); }
    size_t bytes() const { return bytes_; }
    size_t max_units() const { return max_units_; }
    size_t max_bytes() const { return max_bytes_; }
    // Empties the queue; returns how many units were thrown away.
    size_t clear();

  private:
    const size_t max_units_;
    const size_t max_bytes_;
    std::deque<EncodedUnit> units_;
    size_t bytes_ = 0;
};
