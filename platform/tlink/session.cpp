#include "session.h"

#include "tlink_log.h"

namespace {
// Send queue bounds per stream: a few seconds of a typical stream, never more memory than this.
constexpr size_t kVideoQueueUnits = 90;
constexpr size_t kVideoQueueBytes = 4 << 20;
constexpr size_t kAudioQueueUnits = 150;
constexpr size_t kAudioQueueBytes = 512 << 10;
// When only one stream's header has come, how long the first frame waits for the other one.
constexpr std::chrono::milliseconds kHeaderGrace(500);

int slot_of(int type) {
    return type == MEDIA_PACKET_VIDEO ? 0 : 1;
}
}  // namespace

Session::Session(void *handle, const StreamUrl &url)
    : handle_(handle),
      url_(url),
      publisher_(url.rtmp ? make_rtmp_publisher(url, &abort_) : make_rtsp_publisher(url, &abort_)),
      video_queue_(kVideoQueueUnits, kVideoQueueBytes),
      audio_queue_(kAudioQueueUnits, kAudioQueueBytes) {}

Session::~Session() {
    shut_down();
}

int Session::start() {
    try {
        thread_ = std::thread(&Session::run, this);
    } catch (const std::system_error &) {
        return TL_ERROR_CREATE_THREAD;
    }
    return 0;
}

void Session::shut_down() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        abort_ = true;
        changed_.notify_all();
    }
    if (!thread_.joinable())
        return;
    // A runtime-error function that ends its own context runs on this very thread.
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
    } else {
        thread_.join();
    }
}

void Session::end_job(int result) {
    job_done_ = true;
    job_collected_ = false;
    job_result_ = result;
    changed_.notify_all();
}

void Session::run() {
    SendStatus status = publisher_->connect();
    int result = abort_ ? TL_ERROR_PENDING : status.code;
    bool streaming = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (result == 0) {
            phase_ = Phase::Streaming;
            connected_at_ = Clock::now();
            end_job(0);
            streaming = true;
        }
    }
    if (streaming)
        result = stream();
    publisher_->close();
    uint64_t bytes = publisher_->bytes_sent();
    std::lock_guard<std::mutex> lock(mutex_);
    bytes_sent_ = bytes;
    phase_ = Phase::Ended;
    end_job(result);
    TLINK_LOGI("%s ended: 0x%x", url_.canonical().c_str(), result);
}

int Session::stream() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        Step step = next_step(lock);
        lock.unlock();
        SendStatus status;
        switch (step.kind) {
            case Step::Abort:
                return TL_ERROR_PENDING;
            case Step::Finish:
                return step.failure.code ? step.failure.code : publisher_->finish().code;
            case Step::Report:
                step.fn(handle_, step.failure.code, step.failure.err, step.user);
                break;
            case Step::WriteHeader:
                status = publisher_->start(step.headers);
                break;
            case Step::Send: {
                if (step.delay_ms)
                    std::this_thread::sleep_for(std::chrono::milliseconds(step.delay_ms));
                bool dropped = false;
                status = publisher_->send(step.type, step.unit, step.pts_us, step.dts_us, &dropped);
                if (status.code == 0) {
                    lock.lock();
                    if (dropped) {
                        drop(step.type, false);
                    } else {
                        sent_[slot_of(step.type)]++;
                    }
                    lock.unlock();
                } else {
                    lock.lock();
                    dropped_[slot_of(step.type)]++;
                    lock.unlock();
                }
                break;
            }
        }
        if (status.code)
            publisher_->close();
        uint64_t bytes = publisher_->bytes_sent();
        lock.lock();
        bytes_sent_ = bytes;
        if (status.code)
            fail(status);
    }
}

bool Session::headers_ready(Clock::time_point now) const {
    if (!headers_.video.present && !headers_.audio.present)
        return false;
    if (headers_.video.present && headers_.audio.present)
        return true;
    bool frames = !video_queue_.empty() || !audio_queue_.empty();
    return frames && (stop_requested_ || now - first_frame_at_ >= kHeaderGrace);
}

Session::Step Session::next_step(std::unique_lock<std::mutex> &lock) {
    Step step;
    for (;;) {
        if (abort_) {
            step.kind = Step::Abort;
            return step;
        }
        if (failed_ && error_fn_ && !failure_reported_) {
            failure_reported_ = true;
            step.kind = Step::Report;
            step.fn = error_fn_;
            step.user = error_user_;
            step.failure = failure_;
            return step;
        }
        if (!failed_ && !header_written_ && headers_ready(Clock::now())) {
            header_written_ = true;
            declared_[0] = headers_.video.present;
            declared_[1] = headers_.audio.present;
            step.kind = Step::WriteHeader;
            step.headers = headers_;
            return step;
        }
        bool have_video = !video_queue_.empty(), have_audio = !audio_queue_.empty();
        // The first unit sent sets the time origin, so it waits (briefly) for the first unit
        // of the other stream: that one may be the earlier.
        bool await_other = !base_set_ && declared_[0] && declared_[1] && have_video != have_audio &&
                           !stop_requested_ && Clock::now() < first_frame_at_ + kHeaderGrace;
        if (!failed_ && header_written_ && (have_video || have_audio) && !await_other) {
            bool video = have_video && (!have_audio ||
                                        video_queue_.front().dts_us <= audio_queue_.front().dts_us);
            if (!base_set_) {
                base_set_ = true;
                base_us_ = video ? video_queue_.front().dts_us : audio_queue_.front().dts_us;
            }
            step.type = video ? MEDIA_PACKET_VIDEO : MEDIA_PACKET_AUDIO;
            step.unit = queue_of(step.type).pop();
            if (step.unit.dts_us < base_us_ || (video && skip_send_to_key_ && !step.unit.key)) {
                drop(step.type, false);
                continue;
            }
            if (video && step.unit.key)
                skip_send_to_key_ = false;
            step.kind = Step::Send;
            step.pts_us = step.unit.pts_us - base_us_;
            step.dts_us = step.unit.dts_us - base_us_;
            step.delay_ms = send_delay_ms_;
            return step;
        }
        if (stop_requested_) {
            step.kind = Step::Finish;
            if (failed_)
                step.failure = failure_;
            return step;
        }
        if (!failed_ && (!header_written_ || await_other) && first_frame_seen_) {
            changed_.wait_until(lock, first_frame_at_ + kHeaderGrace);
        } else {
            changed_.wait(lock);
        }
    }
}

void Session::fail(const SendStatus &status) {
    if (failed_)
        return;
    failed_ = true;
    failure_ = status;
    dropped_[0] += video_queue_.clear();
    dropped_[1] += audio_queue_.clear();
    TLINK_LOGE("%s failed: 0x%x (errno %d)", url_.canonical().c_str(), status.code, status.err);
}

void Session::drop(int type, bool at_push) {
    dropped_[slot_of(type)]++;
    if (type != MEDIA_PACKET_VIDEO || !deblock_)
        return;
    // Later frames may refer to the dropped one; wait for a key frame.
    if (at_push) {
        skip_push_to_key_ = true;
    } else {
        skip_send_to_key_ = true;
    }
}

int Session::wait(int timeout_ms, bool *ended) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto done = [this] { return job_done_; };
    if (timeout_ms < 0) {
        changed_.wait(lock, done);
    } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeout_ms), done)) {
        return TL_ERROR_WAIT_TIMEOUT;
    }
    job_collected_ = true;
    *ended = phase_ == Phase::Ended;
    return job_result_;
}

int Session::cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ == Phase::Ended)
        return TL_ERROR_NO_PENDING_JOB;
    bool running = !job_done_;
    // A connection made after the caller stopped waiting for it is abandoned as well.
    bool unclaimed = job_ == Job::Connect && job_done_ && !job_collected_;
    if (!running && !unclaimed)
        return TL_ERROR_NO_PENDING_JOB;
    job_done_ = false;
    abort_ = true;
    changed_.notify_all();
    return 0;
}

int Session::request_stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!job_done_ || stop_requested_)
        return TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED;
    job_ = Job::Stop;
    if (phase_ == Phase::Ended) {
        // The connection is already gone; there is nothing left to close.
        end_job(0);
        return 0;
    }
    stop_requested_ = true;
    job_done_ = false;
    changed_.notify_all();
    return 0;
}

int Session::push(const MediaPacket &packet) {
    const int type = packet.type;
    const int slot = slot_of(type);
    EncodedUnit unit;
    unit.data.assign(packet.data, packet.data + packet.size);
    unit.pts_us = packet.pts_us;
    unit.dts_us = packet.dts_us;
    unit.key = packet.is_key != 0;

    std::lock_guard<std::mutex> lock(mutex_);
    if (phase_ == Phase::Connecting)
        return TL_ERROR_PENDING;
    if (phase_ == Phase::Ended || stop_requested_)
        return TL_ERROR_INVALID_OBJECT;
    if (failed_) {
        if (!packet.is_header)
            dropped_[slot]++;
        return failure_.code;
    }
    StreamHeader &header = type == MEDIA_PACKET_VIDEO ? headers_.video : headers_.audio;
    if (packet.is_header) {
        if (header_written_) {
            // The published stream cannot change its codec setup any more.
            TLINK_LOGI("late header of type %d ignored", type);
            return 0;
        }
        header.present = true;
        header.config = std::move(unit.data);
        header.width = packet.width;
        header.height = packet.height;
        header.sample_rate = packet.sample_rate;
        header.channels = packet.channels;
        changed_.notify_all();
        return 0;
    }
    if (!header.present || (header_written_ && !declared_[slot])) {
        dropped_[slot]++;
        return TL_ERROR_NO_HEADER_FRAME;
    }
    if (type == MEDIA_PACKET_VIDEO && skip_push_to_key_ && !unit.key) {
        dropped_[slot]++;
        return TL_ERROR_BUFFER_OVERFLOW;
    }
    bool key = unit.key;
    if (!queue_of(type).push(std::move(unit))) {
        drop(type, true);
        return TL_ERROR_BUFFER_OVERFLOW;
    }
    if (type == MEDIA_PACKET_VIDEO && key)
        skip_push_to_key_ = false;
    if (!first_frame_seen_) {
        first_frame_seen_ = true;
        first_frame_at_ = Clock::now();
    }
    changed_.notify_all();
    return 0;
}

int Session::set_config(int id, const void *value) {
    if (id != TLC_DEBLOCK || !value)
        return TL_ERROR_INVALID_PARAMETER;
    std::lock_guard<std::mutex> lock(mutex_);
    deblock_ = *static_cast<const int *>(value) != 0;
    if (!deblock_)
        skip_push_to_key_ = skip_send_to_key_ = false;
    return 0;
}

void Session::set_runtime_error_callback(TlinkRuntimeErrorCallback fn, void *user) {
    std::lock_guard<std::mutex> lock(mutex_);
    error_fn_ = fn;
    error_user_ = user;
    // A failure that happened before the function was installed is reported now.
    changed_.notify_all();
}

unsigned int Session::stat(int id, double *seconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t value;
    switch (id) {
        case TLS_BYTES_SENT:
            value = bytes_sent_;
            break;
        case TLS_AUDIO_FRAMES_SENT:
            value = sent_[1];
            break;
        case TLS_AUDIO_FRAMES_DROPPED:
            value = dropped_[1];
            break;
        case TLS_VIDEO_FRAMES_SENT:
            value = sent_[0];
            break;
        case TLS_VIDEO_FRAMES_DROPPED:
            value = dropped_[0];
            break;
        default:
            return 0;
    }
    if (seconds) {
        *seconds = phase_ == Phase::Connecting
                       ? 0.0
                       : std::chrono::duration<double>(Clock::now() - connected_at_).count();
    }
    return static_cast<unsigned int>(value);
}

void Session::set_send_delay(int ms) {
    std::lock_guard<std::mutex> lock(mutex_);
    send_delay_ms_ = ms;
}

bool Session::deblock() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return deblock_;
}

void Session::queued(int type, unsigned *units, unsigned *bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    const UnitQueue &queue = queue_of(type);
    if (units)
        *units = static_cast<unsigned>(queue.size());
    if (bytes)
        *bytes = static_cast<unsigned>(queue.bytes());
}

void Session::queue_limits(int type, unsigned *units, unsigned *bytes) {
    bool video = type == MEDIA_PACKET_VIDEO;
    if (units)
        *units = static_cast<unsigned>(video ? kVideoQueueUnits : kAudioQueueUnits);
    if (bytes)
        *bytes = static_cast<unsigned>(video ? kVideoQueueBytes : kAudioQueueBytes);
}
