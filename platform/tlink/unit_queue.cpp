#include "unit_queue.h"

bool UnitQueue::push(EncodedUnit &&unit) {
    if (units_.size() >= max_units_ || bytes_ + unit.data.size() > max_bytes_)
        return false;
    bytes_ += unit.data.size();
    units_.push_back(std::move(unit));
    return true;
}

EncodedUnit UnitQueue::pop() {
    EncodedUnit unit = std::move(units_.front());
    units_.pop_front();
    bytes_ -= unit.data.size();
    return unit;
}

size_t UnitQueue::clear() {
    size_t dropped = units_.size();
    units_.clear();
    bytes_ = 0;
    return dropped;
}
