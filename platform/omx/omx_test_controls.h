// Test-only controls of the RGBX encoder stand-in.
#pragma once

#include <stdint.h>

class OMXWrapper;

// Whether QueryCodec("video/avc") finds an encoder (true by default).
void omx_test_set_codec_available(bool available);
// The colour formats the codec query object lists (count 0..8; {21, 19} by default).
void omx_test_set_color_formats(const int *formats, int count);
// Faults of every encoder object while set: Init and Stop return -1 (Stop leaves the run
// going).
void omx_test_fail_init(bool fail);
void omx_test_fail_stop(bool fail);
// The next `count` pictures given to write_Buffer are refused with -1 and lost.
void omx_test_fail_video_writes(int count);
// Back to the defaults above, without faults.
void omx_test_reset();

struct OmxTestStats {
    int64_t video_taken;
    int64_t video_dropped;
    int64_t video_encoded;
    int64_t audio_taken;
    int64_t audio_encoded;
};
OmxTestStats omx_test_stats(OMXWrapper *wrapper);

// Holders of the library instance, and encoder objects not yet freed.
int omx_test_holders();
int omx_test_objects();
