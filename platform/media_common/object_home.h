// Reference count of a library singleton and ownership of the objects it hands out.
//
// Objects stay allocated while any holder of the library instance remains, even after their
// own Release: a write that races with Release on another thread then meets a stopped object,
// not freed memory. Objects that report themselves idle are freed once the last holder gives
// the instance back. Extra releases are ignored, so a double release never frees an object
// that someone still uses.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

template <typename Object>
class ObjectHome {
  public:
    void acquire() {
        std::lock_guard<std::mutex> lock(mutex_);
        holders_++;
    }

    // False when nobody held the instance.
    bool release() {
        std::vector<std::unique_ptr<Object>> idle;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (holders_ == 0)
                return false;
            if (--holders_ == 0) {
                auto first_idle = std::stable_partition(
                    objects_.begin(), objects_.end(),
                    [](const std::unique_ptr<Object> &object) { return !object->idle(); });
                std::move(first_idle, objects_.end(), std::back_inserter(idle));
                objects_.erase(first_idle, objects_.end());
            }
        }
        return true;  // the idle objects are freed here, outside the lock
    }

    Object *adopt(std::unique_ptr<Object> object) {
        std::lock_guard<std::mutex> lock(mutex_);
        objects_.push_back(std::move(object));
        return objects_.back().get();
    }

    int holders() {
        std::lock_guard<std::mutex> lock(mutex_);
        return holders_;
    }

    size_t objects() {
        std::lock_guard<std::mutex> lock(mutex_);
        return objects_.size();
    }

  private:
    std::mutex mutex_;  // guards holders_ and objects_
    int holders_ = 0;
    std::vector<std::unique_ptr<Object>> objects_;
};
