// One live-stream context: its jobs, send queues, counters and the thread that runs them.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "publisher.h"
#include "stream_url.h"
#include "tlink.h"
#include "unit_queue.h"

class Session {
  public:
    // The publisher for the URL's protocol is made here.
    Session(void *handle, const StreamUrl &url);
    ~Session();
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Starts the thread with the connect job. 0 or TL_ERROR_CREATE_THREAD.
    int start();
    // *ended is set when the result ends the session (failed connect, stop, cancelled job).
    int wait(int timeout_ms, bool *ended);
    int cancel();
    int request_stop();
    // Abandons whatever runs and joins the thread (the owner's last call).
    void shut_down();

    int push(const MediaPacket &packet);
    int set_config(int id, const void *value);
    void set_runtime_error_callback(TlinkRuntimeErrorCallback fn, void *user);
    unsigned int stat(int id, double *seconds);
    std::string url() const { return url_.canonical(); }

    // Test controls.
    void set_send_delay(int ms);
    void queued(int type, unsigned *units, unsigned *bytes);
    bool deblock() const;
    static void queue_limits(int type, unsigned *units, unsigned *bytes);

  private:
    using Clock = std::chrono::steady_clock;
    enum class Phase { Connecting, Streaming, Ended };
    enum class Job { Connect, Stop };

    // What the thread does next, decided under the lock.
    struct Step {
        enum Kind { Abort, WriteHeader, Send, Report, Finish } kind = Abort;
        StreamHeaders headers;
        int type = 0;
        EncodedUnit unit;
        int64_t pts_us = 0, dts_us = 0;
        TlinkRuntimeErrorCallback fn = nullptr;
        void *user = nullptr;
        SendStatus failure;
        int delay_ms = 0;
    };

    void run();
    int stream();  // the streaming loop; returns the final job result
    Step next_step(std::unique_lock<std::mutex> &lock);
    bool headers_ready(Clock::time_point now) const;
    void end_job(int result);
    void fail(const SendStatus &status);
    void drop(int type, bool at_push);
    UnitQueue &queue_of(int type) {
        return type == MEDIA_PACKET_VIDEO ? video_queue_ : audio_queue_;
    }

    void *const handle_;  // the context value callers hold
    const StreamUrl url_;
    std::atomic<bool> abort_{false};        // set by cancel / shut_down, read by every I/O wait
    std::unique_ptr<Publisher> publisher_;  // used by the thread only
    std::thread thread_;                    // started by start(), joined by shut_down()

    mutable std::mutex mutex_;  // guards every member below
    std::condition_variable changed_;
    Phase phase_ = Phase::Connecting;
    Job job_ = Job::Connect;
    bool job_done_ = false;
    bool job_collected_ = false;
    int job_result_ = TL_ERROR_PENDING;
    bool stop_requested_ = false;
    StreamHeaders headers_;
    bool header_written_ = false;
    bool declared_[2] = {false, false};  // streams in the written header: video, audio
    bool base_set_ = false;
    int64_t base_us_ = 0;  // first decoding time sent; published times start from it
    Clock::time_point first_frame_at_;
    bool first_frame_seen_ = false;
    UnitQueue video_queue_;
    UnitQueue audio_queue_;
    bool deblock_ = true;
    bool skip_push_to_key_ = false;  // a video unit did not fit: refuse until a key frame
    bool skip_send_to_key_ = false;  // a video unit was not sent: skip until a key frame
    bool failed_ = false;
    SendStatus failure_;
    bool failure_reported_ = false;
    TlinkRuntimeErrorCallback error_fn_ = nullptr;
    void *error_user_ = nullptr;
    Clock::time_point connected_at_;
    uint64_t bytes_sent_ = 0;
    uint64_t sent_[2] = {0, 0};     // frames sent: video, audio
    uint64_t dropped_[2] = {0, 0};  // frames dropped: video, audio
    int send_delay_ms_ = 0;
};
