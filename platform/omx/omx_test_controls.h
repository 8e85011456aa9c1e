// Test-only controls of the RGBX encoder stand-in.
#pragma once

#include <stdint.h>

class OMXWrapper;

// Whether QueryCodec("video/avc") finds an encoder (true by default).
void omx_test_set_codec_available(bool available);
// The colour formats the codec query object lists (count 0..8; {21, 19} by default).
void omx_test_set_color_formats(const int *formats, int count);
// Back to the defaults above.
void omx_test_reset();

struct OmxTestStats {
    int64_t video_taken;
    int64_t video_dropped;
    int64_t video_encoded;
    int64_t audio_taken;
    int64_t audio_encoded;
};
OmxTestStats omx_test_stats(OMXWrapper *wrapper);
