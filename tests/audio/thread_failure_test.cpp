// A preview thread that cannot be created: the microphone started for the preview stops again.
// Thread creation is made to fail by a pthread_create of this test program, which the engine's
// library reaches before the C library's.
#include <dlfcn.h>
#include <pthread.h>
#include <string.h>

#include <atomic>

#include "audio_support.h"
#include "host_android.h"
#include "process_counts.h"

namespace {

// Number of thread creations still to refuse whose thread body lives in the engine's library.
std::atomic<int> g_refuseEngineThreads{0};

bool in_engine_library(void *(*routine)(void *)) {
    Dl_info info;
    return dladdr(reinterpret_cast<void *>(routine), &info) != 0 && info.dli_fname &&
           strstr(info.dli_fname, "libOrrinUVC") != nullptr;
}

}  // namespace

extern "C" int pthread_create(pthread_t *thread, const pthread_attr_t *attr,
                              void *(*routine)(void *), void *arg) {
    using create_fn = int (*)(pthread_t *, const pthread_attr_t *, void *(*)(void *), void *);
    static create_fn next = reinterpret_cast<create_fn>(dlsym(RTLD_NEXT, "pthread_create"));
    if (g_refuseEngineThreads > 0 && in_engine_library(routine)) {
        --g_refuseEngineThreads;
        return EAGAIN;
    }
    return next(thread, attr, routine, arg);
}

namespace {

TEST(PreviewThreadFailure, MicrophoneStopsAndLinesNameTheirOperation) {
    host_log_capture_start();
    CameraSession s(mic_camera(), true);
    ASSERT_EQ(s.connect(9, 320, 240), 0);
    ASSERT_EQ(s.attachWindow(), 0);
    const int threadsBefore = count_threads();

    g_refuseEngineThreads = 1;
    EXPECT_EQ(s.camera.startPreview(), EAGAIN);
    EXPECT_EQ(g_refuseEngineThreads, 0);
    EXPECT_EQ(s.engine()->CameraIsRunning(), 0);
    // The microphone's capture thread is gone again.
    EXPECT_EQ(settled_thread_count(threadsBefore), threadsBefore);
    EXPECT_EQ(host_log_count(":startPreview]:auxaStop IN"), 1);

    // A later start works, and its stop's lines carry stopPreview.
    ASSERT_EQ(s.camera.startPreview(), 0);
    EXPECT_TRUE(s.waitPosts(2));
    EXPECT_EQ(s.camera.stopPreview(), 0);
    EXPECT_EQ(host_log_count(":stopPreview]:auxaStop IN"), 1);
    EXPECT_EQ(host_log_count(":stopPreview]:auxaStop OUT"), 1);
    host_log_capture_stop();
}

}  // namespace
