#include "media_recorder.h"

#include <cstring>

#include "fault_switches.h"
#include "picture_layout.h"
#include "recorder_color_format.h"

static const char kTag[] = "MediaRecorder";

int MediaRecorderImpl::Init() {
    if (recorderFaults().fail_init) {
        MEDIA_LOG(kTag, "Init failed (test fault)");
        return -1;
    }
    int result = control_.init();
    // The input layout is settled here, as a device codec settles it when configured.
    if (result == 0)
        color_format_ = recorderColorFormat();
    return result;
}

int MediaRecorderImpl::Start(int width, int height, const char *path) {
    int color_format = color_format_;
    if (!knownColorFormat(color_format)) {
        MEDIA_LOG(kTag, "refused: no usable colour format (%d)", color_format);
        return -1;
    }
    return control_.start(width, height, path, color_format);
}

int MediaRecorderImpl::Stop() {
    if (recorderFaults().fail_stop) {
        MEDIA_LOG(kTag, "Stop failed (test fault)");
        return -1;
    }
    return control_.stop();
}

int MediaRecorderImpl::write_Buffer(uint8_t *picture, int64_t time_us, int, int) {
    if (!picture) {
        MEDIA_LOG(kTag, "picture refused: null buffer");
        return -1;
    }
    if (recorderFaults().takeVideoWriteFault()) {
        MEDIA_LOG(kTag, "picture refused (test fault)");
        return -1;
    }
    EncodeSession &session = control_.session();
    return session.writeVideo(time_us, [&session, picture](uint8_t *out) {
        memcpy(out, picture, yuv420Bytes(session.width(), session.height()));
        return true;
    });
}

int MediaRecorderImpl::SetErrorCallback(MediaErrorFunction error, long id) {
    return control_.set("SetErrorCallback", [error, id](EncodeSettings &s) {
        s.error = error;
        s.error_id = id;
    });
}

int MediaRecorderImpl::SetOutputCallback(MediaOutputFunction output, void *user) {
    return control_.set("SetOutputCallback", [output, user](EncodeSettings &s) {
        s.output = output;
        s.output_user = user;
    });
}
