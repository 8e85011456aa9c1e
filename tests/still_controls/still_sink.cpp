#include "still_sink.h"

#include <turbojpeg.h>

#include <mutex>

#include "host_android.h"
#include "uvc_testing.h"

namespace {

std::mutex g_stillMutex;
std::vector<DeliveredStill> g_stills;  // guarded by g_stillMutex

}  // namespace

void collect_still(long camera, char *data, int size, int kind) {
    std::lock_guard<std::mutex> lock(g_stillMutex);
    g_stills.push_back({camera, std::vector<uint8_t>(data, data + size), kind});
}

void clear_stills() {
    std::lock_guard<std::mutex> lock(g_stillMutex);
    g_stills.clear();
}

size_t still_count() {
    std::lock_guard<std::mutex> lock(g_stillMutex);
    return g_stills.size();
}

bool wait_stills(size_t count, int timeoutMs) {
    return wait_until([count] { return still_count() >= count; }, timeoutMs);
}

DeliveredStill still_at(size_t index) {
    std::lock_guard<std::mutex> lock(g_stillMutex);
    return g_stills.at(index);
}

bool decode_jpeg(const std::vector<uint8_t> &jpeg, std::vector<uint8_t> *rgbx, int *width,
                 int *height) {
    tjhandle decoder = tjInitDecompress();
    int subsampling;
    unsigned char *bytes = const_cast<unsigned char *>(jpeg.data());
    bool ok = decoder &&
              tjDecompressHeader2(decoder, bytes, jpeg.size(), width, height, &subsampling) == 0;
    if (ok) {
        rgbx->resize((size_t)*width * *height * 4);
        ok = tjDecompress2(decoder, bytes, jpeg.size(), rgbx->data(), *width, 0, *height, TJPF_RGBX,
                           0) == 0;
    }
    if (decoder)
        tjDestroy(decoder);
    return ok;
}

CameraSetup still_camera(int stillMethod, const std::string &stillMjpeg,
                         const std::string &stillYuyv) {
    CameraSetup setup = CameraSetup::atFps(15);
    setup.stillMethod = stillMethod;
    if (!stillMjpeg.empty())
        setup.extra += "still_mjpeg = " + stillMjpeg + "\n";
    if (!stillYuyv.empty())
        setup.extra += "still_yuyv = " + stillYuyv + "\n";
    return setup;
}

StillSession::StillSession(const CameraSetup &setup, int format, int width, int height, bool debug)
    : session(setup, debug) {
    clear_stills();
    if (session.connect(format, width, height) != 0)
        return;
    engine()->SetCameraID(kStillCameraId);
    engine()->setfunction(collect_still);
}

StillSession::~StillSession() {
    session.camera.release();
    clear_stills();
}

bool StillSession::start() {
    return session.camera.startPreview() == 0 && wait_until(
                                                     [&] {
                                                         return engine()->getStartStatus() == 0 &&
                                                                engine()->isCallbackRunning() == 1;
                                                     },
                                                     5000);
}

int StillSession::press() {
    return uvc_test_press_button(handle());
}

bool StillSession::pressWhileStalled() {
    uvc_test_set_fault(handle(), UvcFault::kStallAfter, 1);
    return press() == 0 &&
           wait_until([] { return host_log_count("uvc_set_still_image Success") == 1; }, 5000);
}
