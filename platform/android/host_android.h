// Test-only controls of the host NDK stand-ins: captured log lines, host windows and bitmaps,
// and the system property table. Used by tests and the demo, never by the system itself.
#pragma once

#include <android/native_window.h>
#include <jni.h>
#include <stdint.h>

#include <string>
#include <vector>

// --- log (liblog) ---
struct HostLogLine {
    int priority;
    std::string tag;
    std::string text;
};
// Starts keeping every line written from now on (a previous capture is dropped).
void host_log_capture_start();
// The lines kept so far, leaving the capture running.
std::vector<HostLogLine> host_log_captured();
// Number of kept lines whose text contains `needle`.
int host_log_count(const char *needle);
// Stops keeping lines and drops them.
void host_log_capture_stop();
// Whether lines are echoed to stderr (on by default).
void host_log_set_echo(bool echo);

// --- windows (libandroid) ---
// A window of the given size in RGBA 8888, with one reference held by the caller.
ANativeWindow *host_window_create(int32_t width, int32_t height);
// Extra pixels added to each row's stride (default 0: stride is the width rounded up to 16).
void host_window_set_stride_padding(ANativeWindow *window, int32_t pixels);
// Makes ANativeWindow_setBuffersGeometry refuse every geometry (returns non-zero).
void host_window_refuse_geometry(ANativeWindow *window, bool refuse);
// Number of pictures posted so far and their monotonic post times in microseconds.
int64_t host_window_post_count(ANativeWindow *window);
std::vector<int64_t> host_window_post_times(ANativeWindow *window);
// Copy of the last posted picture as tight rows of 4 bytes per pixel (R, G, B, A/X);
// false when nothing was posted yet.
bool host_window_last_picture(ANativeWindow *window, std::vector<uint8_t> *pixels, int32_t *width,
                              int32_t *height);
// Saves the last posted picture as a PNG; false when nothing was posted or writing failed.
bool host_window_save_png(ANativeWindow *window, const char *path);
// Number of windows still alive (a window goes when its last reference is released).
int host_window_live_count();

// --- bitmaps (libjnigraphics) ---
// A host bitmap usable where the NDK takes a bitmap jobject; freed with host_bitmap_destroy.
jobject host_bitmap_create(uint32_t width, uint32_t height, int32_t format);
// As above with `rowPadding` extra bytes at the end of every row (at most 4096).
jobject host_bitmap_create_padded(uint32_t width, uint32_t height, int32_t format,
                                  uint32_t rowPadding);
void host_bitmap_destroy(jobject bitmap);
// The bitmap's pixel storage (stride x height bytes).
uint8_t *host_bitmap_pixels(jobject bitmap);
bool host_bitmap_is_locked(jobject bitmap);

// --- system properties ---
void host_property_set(const char *name, const char *value);
void host_property_clear();
