// The library instance of libMediaRecorder_TLink and its test controls.
#include <atomic>
#include <memory>

#include "fault_switches.h"
#include "media_log.h"
#include "media_recorder.h"
#include "object_home.h"
#include "recorder_color_format.h"
#include "recorder_test_controls.h"

namespace {
std::atomic<int> g_color_format{MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR};
std::atomic<bool> g_refuse_objects{false};

ObjectHome<MediaRecorderImpl> &home() {
    static ObjectHome<MediaRecorderImpl> objects;
    return objects;
}
}  // namespace

struct RecorderLibraryHome {
    static LibMediaRecorder instance;
};
LibMediaRecorder RecorderLibraryHome::instance;

int recorderColorFormat() {
    return g_color_format.load();
}

FaultSwitches &recorderFaults() {
    static FaultSwitches faults;
    return faults;
}

LibMediaRecorder *LibMediaRecorder::getInstance() {
    home().acquire();
    return &RecorderLibraryHome::instance;
}

MediaRecorder *LibMediaRecorder::getMediaRecorder() {
    if (g_refuse_objects)
        return nullptr;
    return home().adopt(std::make_unique<MediaRecorderImpl>());
}

void LibMediaRecorder::releaseInstance() {
    if (!home().release())
        MEDIA_LOG("MediaRecorder", "released more often than obtained");
}

void media_recorder_test_set_color_format(int format) {
    g_color_format = format;
}

void media_recorder_test_refuse_objects(bool refuse) {
    g_refuse_objects = refuse;
}

void media_recorder_test_fail_init(bool fail) {
    recorderFaults().fail_init = fail;
}

void media_recorder_test_fail_stop(bool fail) {
    recorderFaults().fail_stop = fail;
}

void media_recorder_test_fail_video_writes(int count) {
    recorderFaults().failing_video_writes = count;
}

MediaRecorderTestStats media_recorder_test_stats(MediaRecorder *recorder) {
    EncodeStats s = static_cast<MediaRecorderImpl *>(recorder)->stats();
    return {s.video_taken,   s.video_dropped, s.video_encoded, s.audio_taken,
            s.audio_dropped, s.audio_encoded, s.encode_us};
}

int media_recorder_test_holders() {
    return home().holders();
}
int media_recorder_test_objects() {
    return (int)home().objects();
}
