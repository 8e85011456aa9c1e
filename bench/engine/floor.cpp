#include "floor.h"

#include <libyuv.h>
#include <time.h>
#include <turbojpeg.h>

#include <algorithm>

namespace {

double thread_cpu_seconds() {
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

// MJPEG: decode to R, G, B, X as the engine asks TurboJPEG to, then copy into the window.
// YUYV: libyuv converts only to B, G, R, A; the R/B swap is the copy into the window. Each
// is one conversion and one copy.
void make_picture(tjhandle tj, int format, int width, int height, const std::vector<uint8_t> &in,
                  uint8_t *picture, uint8_t *window) {
    const int step = width * 4;
    if (format == 9) {
        tjDecompress2(tj, in.data(), in.size(), picture, width, 0, height, TJPF_RGBX,
                      TJFLAG_NOREALLOC | TJFLAG_FASTUPSAMPLE);
        std::copy(picture, picture + (size_t)step * height, window);
    } else {
        libyuv::YUY2ToARGB(in.data(), width * 2, picture, step, width, height);
        libyuv::ARGBToABGR(picture, step, window, step, width, height);
    }
}

}  // namespace

double floor_cpu_per_frame(int format, int width, int height, const RecordedFrames &frames,
                           int count, int fps) {
    const size_t bytes = (size_t)width * height * 4;
    std::vector<uint8_t> picture(bytes), window(bytes);
    tjhandle tj = tjInitDecompress();
    // One frame first, so that both buffers are faulted in before the clock starts.
    make_picture(tj, format, width, height, frames[0], picture.data(), window.data());
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long period = fps > 0 ? 1000000000L / fps : 0;
    const double start = thread_cpu_seconds();
    for (int i = 0; i < count; i++) {
        if (period) {
            deadline.tv_nsec += period;
            if (deadline.tv_nsec >= 1000000000L) {
                deadline.tv_nsec -= 1000000000L;
                deadline.tv_sec++;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr);
        }
        make_picture(tj, format, width, height, frames[i % frames.size()], picture.data(),
                     window.data());
    }
    const double spent = thread_cpu_seconds() - start;
    tjDestroy(tj);
    return spent / count;
}
