// The virtual camera a description file defines, and its parser with validation.
#pragma once

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

class ReplayFile;

struct FrameSize {
    int width;
    int height;
};

enum class PatternKind { kCounter, kBars, kGradient, kSolid, kScene };

// Injected faults; 0 means off. The *_error fields hold the uvc error code the call returns.
struct FaultSettings {
    int open_error = 0;   // uvc_open, after the device was found
    int start_error = 0;  // the streaming start
    int still_probe_error = 0;
    int still_commit_error = 0;
    int still_image_error = 0;  // the still trigger
    int devinfo_error = 0;      // the diagnostic query
    int broken_every = 0;
    int wrong_size_every = 0;
    int corrupt_jpeg_every = 0;
    int misnumbered_restart_every = 0;  // one restart marker of the frame carries a wrong number
    int stall_after = 0;
    int unplug_after = 0;
};

struct ControlRange {
    int min;
    int max;
    int def;
};

// A recorded stream file that stands for the camera's stream of one format and size.
struct ReplaySource {
    int format = 0;  // 3 YUYV, 9 MJPEG, 13 H.264; 0 without replay
    FrameSize size = {0, 0};
    std::string path;
    // The file as the description's check mapped and indexed it, so that a stream does not
    // index it again.
    std::shared_ptr<const ReplayFile> file;
};

const int kSpliceRestarts = -1;

struct CameraDescription {
    int vid = -1;
    int pid = -1;
    std::string name;
    std::vector<FrameSize> mjpeg, yuyv, h264;
    int default_format = 0;  // 9 MJPEG or 3 YUYV
    FrameSize default_size = {0, 0};
    int fps = 30;
    // MCUs between two restart markers of an MJPEG frame: kSpliceRestarts puts one at every
    // counter cell edge (the frames are spliced there), 0 writes none, any other value re-encodes
    // each frame's entropy data with that interval.
    int restart_interval = kSpliceRestarts;
    PatternKind pattern = PatternKind::kCounter;
    uint32_t solid_rgb = 0;  // 0xRRGGBB for PatternKind::kSolid
    int still_method = 0;
    std::vector<FrameSize> still_mjpeg, still_yuyv;
    uint32_t ct_controls = 0;
    uint32_t pu_controls = 0;
    // Ranges of the camera terminal (24) and processing unit (15) controls, by bmControls bit.
    ControlRange ct_ranges[24];
    ControlRange pu_ranges[15];
    bool microphone = false;
    std::vector<int> buttons;  // frame numbers with a still-button press
    // Interval of the clapperboard in front of the camera (0: none): a clap at every multiple
    // of it on the monotonic clock, shown by a marker on the frame whose time holds the clap.
    int clapper_ms = 0;
    ReplaySource replay;
    FaultSettings faults;
};

// Parses the description behind fd. False with `error` naming the line on any unknown key,
// bad value or missing mandatory part.
bool parse_camera_description(int fd, CameraDescription *camera, std::string *error);

// The sizes the camera streams in `format` (3, 9 or 13); null for other codes.
const std::vector<FrameSize> *stream_sizes(const CameraDescription &camera, int format);

// Control names as in the library's getter names (without "uvc_get_"); -1 when unknown.
int camera_terminal_control_bit(const std::string &name);
int processing_unit_control_bit(const std::string &name);
