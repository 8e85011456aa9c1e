// One connection of the live-stream library, from the start that opens it to the stop or drop
// that ends it. The library writes a handle only in its start call; the statistics read it
// from any thread at any time. So the handle is atomic, each library call works on a copy, and
// a handle that went stale meanwhile only misses in the library.
#pragma once

#include <tlink.h>

#include <atomic>

#include "log_voice.h"

class LiveConnection {
  public:
    // finish: the library refused the stop (the connection was dropped all the same).
    static constexpr int kStopRefused = -301;

    struct Options {
        int mode;    // TLINK_MODE_*
        int waitMs;  // for the connect and for the stop
        int deblock;
        TlinkRuntimeErrorCallback onError;
        void *user;
        bool logWaitTime;  // the streamer's lines name the wait time before the wait
    };

    LiveConnection() = default;
    ~LiveConnection() { drop(); }
    LiveConnection(const LiveConnection &) = delete;
    LiveConnection &operator=(const LiveConnection &) = delete;

    // Connects to `url`, sets the deblock value and the error report. False on any failure,
    // with nothing left open.
    bool open(const char *url, const Options &options, const LogVoice &voice);
    // Ends the connection after what was pushed has been sent: 0, the library's code when the
    // stop did not complete in time or failed (the job is abandoned), or kStopRefused.
    int finish(int waitMs, const LogVoice &voice);
    // Ends a connection, pending or made, without sending what is left; nothing of it calls
    // back any more.
    void drop();

    // The handle the encoder pushes to; null when there is no connection.
    void *handle() const { return mHandle.load(); }
    // The URL the library reports for the last connection made ("" before any).
    char *url() { return mUrl; }
    // The library's count of `stat` (TLS_*), and that count per second of connection (0 before
    // any second was counted).
    int count(int stat) const;
    double per_second(int stat) const;

  private:
    std::atomic<void *> mHandle{nullptr};
    char mUrl[255] = {};
};
