// A previewing camera set up for live streaming, shared by the live-stream tests.
#pragma once

#include <tlink.h>

#include "recording_support.h"

// The counter camera with its sine microphone at 1280x720, record type 32 set before the
// preview so that the microphone captures at the live-stream rate, streaming with `mode`.
struct LiveSession : RecordingSession {
    explicit LiveSession(int mode = TLINK_MODE_RTMP) : RecordingSession(recording_camera(true)) {
        if (connect(PIXEL_FORMAT_MJPEG, 1280, 720) != 0)
            return;
        engine()->SetRecType(REC_TYPE_LIVE);
        engine()->setTLinkMode(mode);
        ready = startPreview(RECORD_MODE_VIDEO_AUDIO) && prepare() == 0;
    }
    bool ready = false;
};
