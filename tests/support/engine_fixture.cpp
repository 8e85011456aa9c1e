#include "engine_fixture.h"

#include "camera_frames.h"
#include "host_android.h"
#include "uvc_testing.h"

CameraSetup CameraSetup::atFps(int framesPerSecond) {
    CameraSetup setup;
    setup.fps = framesPerSecond;
    return setup;
}

std::string CameraSetup::text() const {
    std::string text = "vid = " + vid + "\npid = " + pid + "\nname = Engine Test Camera\n";
    if (!mjpeg.empty())
        text += "mjpeg = " + mjpeg + "\n";
    if (!yuyv.empty())
        text += "yuyv = " + yuyv + "\n";
    text += "default = " + defaultStream + "\nfps = " + std::to_string(fps) +
            "\npattern = " + pattern + "\nstill_method = " + std::to_string(stillMethod) +
            "\nmicrophone = " + microphone + "\n" + extra + "\n";
    return text;
}

VirtualCamera::VirtualCamera(const CameraSetup &setup)
    : mFile(setup.text()),
      mVid((int)std::stol(setup.vid, nullptr, 0)),
      mPid((int)std::stol(setup.pid, nullptr, 0)) {}

CameraSession::CameraSession(const CameraSetup &setup, bool debugOn)
    : device(setup), window(host_window_create(16, 16)), debug(debugOn) {}

CameraSession::~CameraSession() {
    camera.release();
    ANativeWindow_release(window);
}

int CameraSession::connect() {
    int result = camera.connect(device.vid(), device.pid(), device.fd(), nullptr, debug, "");
    camera.setRecMode(1);
    return result;
}

int CameraSession::connect(int format, int width, int height) {
    int result = connect();
    if (result == 0)
        engine()->set_UVC_Resolution(format, width, height, 0);
    return result;
}

int CameraSession::attachWindow() {
    ANativeWindow_acquire(window);
    int result = engine()->setPreviewDisplay(window);
    return result;
}

bool CameraSession::waitPosts(int64_t count, int timeoutMs) {
    return wait_until([&] { return host_window_post_count(window) >= count; }, timeoutMs);
}

int64_t CameraSession::lastCounter() {
    ShownPicture shown = lastPicture();
    if (shown.pixels.empty())
        return -1;
    return uvc_test_decode_counter(shown.pixels.data(), shown.width, shown.height, 0);
}

ShownPicture CameraSession::lastPicture() {
    ShownPicture shown;
    if (!host_window_last_picture(window, &shown.pixels, &shown.width, &shown.height))
        shown.pixels.clear();
    return shown;
}

ShownPicture CameraSession::startAndShow(int posts, int timeoutMs) {
    const int64_t before = host_window_post_count(window);
    if (camera.startPreview() != 0 || !waitPosts(before + posts, timeoutMs))
        return ShownPicture();
    return lastPicture();
}

uvc_frame_t *make_camera_frame(int format, int width, int height, size_t bytes) {
    uvc_frame_t *frame = uvc_allocate_frame(bytes);
    frame->frame_format = (enum uvc_frame_format)format;
    frame->width = width;
    frame->height = height;
    frame->actual_bytes = bytes;
    frame->step = format == UVC_FRAME_FORMAT_YUYV ? width * 2 : 0;
    memset(frame->data, 0x80, bytes);
    return frame;
}

std::vector<std::vector<uint8_t>> camera_frames(const CameraSetup &setup, int format, int width,
                                                int height, size_t count) {
    VirtualCamera device(setup);
    RecordedFrames frames =
        record_camera_frames(device.fd(), device.vid(), device.pid(), format, width, height, count);
    EXPECT_EQ(frames.size(), count);
    return frames;
}
