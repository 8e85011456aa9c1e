#include "encode_queue.h"

#include <utility>

EncodeQueue::EncodeQueue(size_t video_limit, size_t audio_limit)
    : limits_{video_limit, audio_limit} {}

void EncodeQueue::open(size_t picture_bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    picture_bytes_ = picture_bytes;
    open_ = true;
}

void EncodeQueue::close() {
    std::unique_lock<std::mutex> lock(mutex_);
    open_ = false;
    changed_.wait(lock, [this] { return filling_ == 0; });
    changed_.notify_all();
}

void EncodeQueue::trim() {
    std::lock_guard<std::mutex> lock(mutex_);
    spare_.clear();
    spare_.shrink_to_fit();
}

bool EncodeQueue::acquire(JobKind kind, size_t bytes, EncodeJob *job) {
    std::vector<uint8_t> buffer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        size_t index = (size_t)kind;
        if (!open_ || in_flight_[index] >= limits_[index])
            return false;
        in_flight_[index]++;
        if (kind == JobKind::kVideo)
            bytes = picture_bytes_;
        filling_++;
        // Prefer a spare that is already large enough, so pictures do not reallocate.
        for (size_t i = spare_.size(); i-- > 0;) {
            if (spare_[i].capacity() >= bytes || i == 0) {
                buffer = std::move(spare_[i]);
                spare_.erase(spare_.begin() + i);
                break;
            }
        }
    }
    buffer.resize(bytes);  // outside the lock: may allocate
    job->kind = kind;
    job->time_us = 0;
    job->data = std::move(buffer);
    return true;
}

bool EncodeQueue::push(EncodeJob job) {
    std::lock_guard<std::mutex> lock(mutex_);
    filling_--;
    if (!open_) {
        recycleLocked(std::move(job));
        changed_.notify_all();
        return false;
    }
    pending_.push_back(std::move(job));
    changed_.notify_all();
    return true;
}

void EncodeQueue::cancel(EncodeJob job) {
    std::lock_guard<std::mutex> lock(mutex_);
    filling_--;
    recycleLocked(std::move(job));
    changed_.notify_all();
}

void EncodeQueue::recycle(EncodeJob job) {
    std::lock_guard<std::mutex> lock(mutex_);
    recycleLocked(std::move(job));
    changed_.notify_all();
}

void EncodeQueue::recycleLocked(EncodeJob job) {
    in_flight_[(size_t)job.kind]--;
    spare_.push_back(std::move(job.data));
}

bool EncodeQueue::pop(EncodeJob *job) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !pending_.empty() || (!open_ && filling_ == 0); });
    if (pending_.empty())
        return false;
    *job = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

size_t EncodeQueue::pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pending_.size();
}
