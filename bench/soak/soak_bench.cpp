// Soak run of the engine against the virtual camera: preview start/stop cycles, connect/release
// cycles, recording start/stop cycles (720p with the microphone's sound, each about half a
// second) and unplug followed by reconnect. Prints resident memory, open descriptors and threads
// at the start and after each phase; all should stay flat.
// Usage: soak_bench [preview cycles] [connect cycles] [recording cycles] [unplug cycles]
// (1000 100 50 10 by default).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "engine_fixture.h"
#include "bench_support.h"
#include "host_android.h"
#include "process_counts.h"
#include "recording_support.h"
#include "uvc_testing.h"

namespace {

void report(const char *phase) {
    printf("%-28s rss %7.1f MiB  fds %4d  threads %3d  windows %d\n", phase, resident_mib(),
           count_open_descriptors(), count_threads(), host_window_live_count());
    fflush(stdout);
}

bool check(bool ok, const char *what, int cycle) {
    if (!ok)
        fprintf(stderr, "soak: %s failed in cycle %d\n", what, cycle);
    return ok;
}

}  // namespace

int main(int argc, char **argv) {
    const int previewCycles = argc > 1 ? atoi(argv[1]) : 1000;
    const int connectCycles = argc > 2 ? atoi(argv[2]) : 100;
    const int recordingCycles = argc > 3 ? atoi(argv[3]) : 50;
    const int unplugCycles = argc > 4 ? atoi(argv[4]) : 10;
    host_log_set_echo(false);
    CameraSetup setup = CameraSetup::atFps(60);
    setup.stillMethod = 2;
    setup.microphone = "on";
    report("start");

    {
        CameraSession s(setup);
        if (!check(s.connect(9, 320, 240) == 0, "connect", 0))
            return 1;
        for (int i = 0; i < previewCycles; ++i) {
            s.attachWindow();
            const int64_t posted = host_window_post_count(s.window);
            if (!check(s.camera.startPreview() == 0, "startPreview", i) ||
                !check(s.waitPosts(posted + 1, 10000), "first picture", i))
                return 1;
            s.camera.stopPreview();
        }
    }
    report("after preview cycles");

    for (int i = 0; i < connectCycles; ++i) {
        CameraSession s(setup);
        if (!check(s.connect(9, 320, 240) == 0, "connect", i))
            return 1;
        if (i % 10 == 0) {
            s.attachWindow();
            s.camera.startPreview();
            s.waitPosts(1, 10000);
        }
        s.camera.release();
    }
    report("after connect cycles");

    {
        RecordingSession r(recording_camera(true));
        if (!check(r.startPreview(RECORD_MODE_VIDEO_AUDIO) && r.prepare() == 0, "recording setup",
                   0))
            return 1;
        const std::string path = temp_file("soak.mp4");
        for (int i = 0; i < recordingCycles; ++i) {
            if (!check(r.record(path, kRecordFps / 2), "recording", i))
                return 1;
        }
        r.camera.stopPreview();
    }
    report("after recording cycles");

    for (int i = 0; i < unplugCycles; ++i) {
        CameraSession s(setup);
        if (!check(s.connect(9, 320, 240) == 0, "connect", i))
            return 1;
        s.attachWindow();
        s.camera.startPreview();
        uvc_device_handle_t *devh = UVCPreviewTestAccess::handle(s.engine());
        uvc_test_set_fault(devh, UvcFault::kUnplugAfter, (int)uvc_test_frames_delivered(devh) + 3);
        wait_until([&] { return uvc_test_press_button(devh) == UVC_ERROR_NO_DEVICE; }, 10000);
        s.camera.release();
        // Reconnect to the same camera and stream again.
        if (!check(s.connect(9, 320, 240) == 0, "reconnect", i))
            return 1;
        s.attachWindow();
        if (!check(s.camera.startPreview() == 0, "restart", i) ||
            !check(s.waitPosts(host_window_post_count(s.window) + 1, 10000), "picture", i))
            return 1;
        s.camera.release();
    }
    report("after unplug and reconnect");
    printf("cycles: preview %d, connect %d, recording %d, unplug %d\n", previewCycles,
           connectCycles, recordingCycles, unplugCycles);
    return 0;
}
