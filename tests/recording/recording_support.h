// Shared pieces of the recording tests, built for each deliverable: a previewing counter camera
// with a sine microphone, the settings a recording needs, and reading recorded files back.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "UVCPreview.h"
#include "UVCPreview_audio.h"
#include "UVCPreview_record.h"
#include "engine_fixture.h"
#include "media_probe.h"

// The microphone's tone, and the recording's video settings.
const int kMicHz = 1000;
const int kRecordFps = 30;
const int kRecordBitrate = 4000000;

// A 1280x720 MJPEG camera with `pattern`, with or without a 48 kHz sine microphone.
CameraSetup recording_camera(bool microphone, const std::string &pattern = "counter");

// A previewing camera object, ready to record once prepare() ran.
class RecordingSession : public CameraSession {
  public:
    explicit RecordingSession(const CameraSetup &setup, bool debug = false);
    // Connects with record mode `recMode`, starts the preview and waits for pictures.
    bool startPreview(int recMode);
    // Frame rate, bit rate and SetRecording; returns SetRecording's result.
    int prepare();
    // recordStart, tried again for up to `guardMs` while it finds no picture drawn within its
    // 100 ms check (a loaded machine can hold the draw thread back that long).
    int start(const std::string &path, bool watermark = false, int guardMs = 5000);
    // Records until `frames` more pictures were drawn; false when start or stop failed.
    bool record(const std::string &path, int frames, bool watermark = false);
    // Waits until `count` more pictures are posted.
    bool waitMorePosts(int count);
};

// Whether this build runs libOrrinUVC0 (the hardware encoder) rather than libOrrinUVC5_TL.
bool hardware_encoder();
// The deliverable's encoder stand-in: objects not yet freed (recorders and muxers, or
// encoders), holders of its library instances, and its injected faults.
int recorder_objects_alive();
int recorder_instance_holders();
void fail_recorder_init(bool fail);
void fail_recorder_stop(bool fail);
void fail_video_writes(int count);
void reset_recorder_faults();
// The input colour format (21 or 19) the encoder offers to recordings started from now on.
void select_encoder_format(int format);

// A fresh path in the test's temporary folder.
std::string temp_file(const std::string &name);

// ffprobe's view of a file's streams.
struct RecordedFile {
    std::string codecs;  // codec names joined by ','
    int width = 0, height = 0;
    double duration = 0, videoStart = 0, audioStart = 0;
    int videoFrames = 0, audioFrames = 0;
};
RecordedFile probe_recording(const std::string &path);

// Every video frame of the file as R, G, B, X pixels at width x height.
std::vector<std::vector<uint8_t>> recorded_pictures(const std::string &path, int width, int height);
// The counter numbers of the file's frames, decoded at a reduced size (-1 for a frame without).
std::vector<int64_t> recorded_counters(const std::string &path);
// Average R, G, B of the centre of a picture of R, G, B, X pixels.
std::vector<int> centre_colour(const std::vector<uint8_t> &rgbx, int width, int height);
