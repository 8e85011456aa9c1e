#include "recording_support.h"

#include <math.h>
#include <unistd.h>

#include "command_output.h"
#include "host_android.h"
#include "media_probe.h"
#include "temp_path.h"
#include "uvc_testing.h"
#include "wait_until.h"
#ifdef ORRIN_HW_ENCODER
#include "omx/omx_test_controls.h"
#else
#include "muxer/muxer_test_controls.h"
#include "recorder/recorder_test_controls.h"
#endif

CameraSetup recording_camera(bool microphone, const std::string &pattern) {
    CameraSetup setup;
    setup.pattern = pattern;
    setup.fps = kRecordFps;
    if (microphone) {
        setup.microphone = "on";
        setup.extra = "mic_rates = 48000\nmic_channels = 1\nmic_source = sine " +
                      std::to_string(kMicHz) + "\n";
    }
    return setup;
}

RecordingSession::RecordingSession(const CameraSetup &setup, bool debugOn)
    : CameraSession(setup, debugOn) {}

bool RecordingSession::startPreview(int recMode) {
    if (!engine() && connect(PIXEL_FORMAT_MJPEG, 1280, 720) != 0)
        return false;
    if (attachWindow() != 0)
        return false;
    camera.setRecMode(recMode);
    engine()->setAudioSamplerate(48000);
    return camera.startPreview() == 0 && waitPosts(3, 10000);
}

int RecordingSession::prepare() {
    engine()->setVideoFPS(kRecordFps);
    engine()->setVideoBitrate(kRecordBitrate);
    return engine()->SetRecording(nullptr);
}

bool RecordingSession::waitMorePosts(int count) {
    return waitPosts(host_window_post_count(window) + count, 20000);
}

int RecordingSession::start(const std::string &path, bool watermark, int guardMs) {
    // The engine refuses a start when it drew nothing for a moment, as a loaded machine may.
    int result = REC_NO_PICTURES;
    wait_until(
        [&] {
            result = engine()->recordStart(watermark, path.c_str());
            return result != REC_NO_PICTURES;
        },
        guardMs);
    return result;
}

bool RecordingSession::record(const std::string &path, int frames, bool watermark) {
    if (start(path, watermark) != 0)
        return false;
    bool drawn = waitMorePosts(frames);
    return engine()->recordStop() == 0 && drawn;
}

#ifdef ORRIN_HW_ENCODER
bool hardware_encoder() {
    return true;
}
int recorder_objects_alive() {
    return omx_test_objects();
}
int recorder_instance_holders() {
    return omx_test_holders();
}
void fail_recorder_init(bool fail) {
    omx_test_fail_init(fail);
}
void fail_recorder_stop(bool fail) {
    omx_test_fail_stop(fail);
}
void fail_video_writes(int count) {
    omx_test_fail_video_writes(count);
}
void reset_recorder_faults() {
    omx_test_reset();
}
void select_encoder_format(int format) {
    omx_test_set_color_formats(&format, 1);
}
#else
bool hardware_encoder() {
    return false;
}
int recorder_objects_alive() {
    return media_recorder_test_objects() + ffmuxer_test_objects();
}
int recorder_instance_holders() {
    return media_recorder_test_holders() + ffmuxer_test_holders();
}
void fail_recorder_init(bool fail) {
    media_recorder_test_fail_init(fail);
}
void fail_recorder_stop(bool fail) {
    media_recorder_test_fail_stop(fail);
}
void fail_video_writes(int count) {
    media_recorder_test_fail_video_writes(count);
}
void reset_recorder_faults() {
    media_recorder_test_fail_init(false);
    media_recorder_test_fail_stop(false);
    media_recorder_test_fail_video_writes(0);
    media_recorder_test_set_color_format(MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR);
}
void select_encoder_format(int format) {
    media_recorder_test_set_color_format(format);
}
#endif

std::string temp_file(const std::string &name) {
    std::string path = temp_path(name);
    unlink(path.c_str());
    return path;
}

RecordedFile probe_recording(const std::string &path) {
    RecordedFile file;
    std::string kind;
    for (const auto &[key, value] : ffprobe_fields(
             path,
             "-count_frames -show_entries "
             "stream=codec_type,codec_name,width,height,start_time,nb_read_frames:format="
             "duration")) {
        if (key == "codec_name")
            file.codecs += (file.codecs.empty() ? "" : ",") + value;
        else if (key == "codec_type")
            kind = value;
        else if (key == "width")
            file.width = atoi(value.c_str());
        else if (key == "height")
            file.height = atoi(value.c_str());
        else if (key == "start_time" && value != "N/A")
            (kind == "audio" ? file.audioStart : file.videoStart) = atof(value.c_str());
        else if (key == "nb_read_frames")
            (kind == "audio" ? file.audioFrames : file.videoFrames) = atoi(value.c_str());
        else if (key == "duration" && value != "N/A")
            file.duration = atof(value.c_str());
    }
    return file;
}

std::vector<std::vector<uint8_t>> recorded_pictures(const std::string &path, int width,
                                                    int height) {
    return decoded_pictures(
        path, width, height, "rgb0", 4,
        "-vsync passthrough -vf scale=" + std::to_string(width) + ":" + std::to_string(height));
}

std::vector<int64_t> recorded_counters(const std::string &path) {
    const int width = 640, height = 360;
    std::vector<int64_t> counters;
    for (const auto &picture : recorded_pictures(path, width, height))
        counters.push_back(uvc_test_decode_counter(picture.data(), width, height, 0));
    return counters;
}

std::vector<int> centre_colour(const std::vector<uint8_t> &rgbx, int width, int height) {
    long sum[3] = {0, 0, 0};
    int n = 0;
    for (int y = height / 4; y < height * 3 / 4; y += 4) {
        for (int x = width / 4; x < width * 3 / 4; x += 4) {
            const uint8_t *p = &rgbx[((size_t)y * width + x) * 4];
            for (int c = 0; c < 3; c++)
                sum[c] += p[c];
            n++;
        }
    }
    return {(int)(sum[0] / n), (int)(sum[1] / n), (int)(sum[2] / n)};
}
