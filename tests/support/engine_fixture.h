// Shared pieces of the engine tests: a virtual camera described on the fly, a connected camera
// object with a host window, waiting helpers and access to the engine's queues and pools.
#pragma once

#include <android/native_window.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "UVCCamera.h"
#include "UVCPreview.h"
#include "description_file.h"
#include "engine_access.h"
#include "wait_until.h"

// Keys of a virtual camera description; every field maps to one `key = value` line.
struct CameraSetup {
    std::string vid = "0x1bcf";
    std::string pid = "0x2c9a";
    std::string mjpeg = "1920x1080, 1280x720, 640x480, 320x240";
    std::string yuyv = "640x480, 320x240, 1280x720, 1920x1080";
    std::string defaultStream = "mjpeg 1280x720";
    int fps = 30;
    std::string pattern = "counter";
    int stillMethod = 0;
    std::string microphone = "off";
    std::string extra;  // further lines, e.g. faults

    // The default camera at another frame rate.
    static CameraSetup atFps(int framesPerSecond);
    // The description text, one `key = value` line a field.
    std::string text() const;
};

// A description file and an open descriptor on it, as the Java layer would hand over.
class VirtualCamera {
  public:
    explicit VirtualCamera(const CameraSetup &setup);
    int fd() const { return mFile.fd(); }
    int vid() const { return mVid; }
    int pid() const { return mPid; }

  private:
    DescriptionFile mFile;
    int mVid, mPid;
};

// A picture posted to a host window: R, G, B, X pixels, packed.
struct ShownPicture {
    std::vector<uint8_t> pixels;
    int32_t width = 0, height = 0;
};

// A connected camera object with a host window whose pictures the test can read back.
class CameraSession {
  public:
    explicit CameraSession(const CameraSetup &setup = CameraSetup(), bool debug = false);
    ~CameraSession();

    // Connects and sets the record mode; returns the connect result.
    int connect();
    // As connect(), then wishes the stream of `format` at `width` x `height`.
    int connect(int format, int width, int height);
    // Hands the engine a new reference to the test window (the engine releases it at stop).
    int attachWindow();
    bool waitPosts(int64_t count, int timeoutMs = 5000);
    // Frame number carried by the last posted picture; -1 when none.
    int64_t lastCounter();
    // The last picture posted to the window; no pixels when none was.
    ShownPicture lastPicture();
    // Starts the preview, waits for `posts` more pictures and returns the last one; no pixels
    // when the start failed or they did not come.
    ShownPicture startAndShow(int posts, int timeoutMs = 5000);

    UVCCamera camera;
    VirtualCamera device;
    ANativeWindow *window;
    bool debug;

    UVCPreview *engine() { return camera.preview(); }
};

// The first `count` frames (fewer when they did not come) of a described camera's stream of
// `format` at width x height, straight from the camera library, as the frame callback gets them.
std::vector<std::vector<uint8_t>> camera_frames(const CameraSetup &setup, int format, int width,
                                                int height, size_t count);

// A frame as the camera library would hand it to the frame callback.
uvc_frame_t *make_camera_frame(int format, int width, int height, size_t bytes);
