// Test-only controls of the media recorder stand-in.
#pragma once

#include <stdint.h>

class MediaRecorder;

// The colour format that recorder objects initialised from now on report (21, 19 or 0;
// 21 by default).
void media_recorder_test_set_color_format(int format);
// Makes getMediaRecorder hand out no object (off by default).
void media_recorder_test_refuse_objects(bool refuse);

// Faults of every recorder object while set: Init and Stop return -1 (Stop leaves the run
// going).
void media_recorder_test_fail_init(bool fail);
void media_recorder_test_fail_stop(bool fail);
// The next `count` pictures given to write_Buffer are refused with -1 and lost.
void media_recorder_test_fail_video_writes(int count);

struct MediaRecorderTestStats {
    int64_t video_taken;
    int64_t video_dropped;
    int64_t video_encoded;
    int64_t audio_taken;
    int64_t audio_dropped;
    int64_t audio_encoded;
    int64_t encode_us;  // wall time inside the video encoder
};
// Counters of the recorder's current or last run.
MediaRecorderTestStats media_recorder_test_stats(MediaRecorder *recorder);

// Holders of the library instance, and recorder objects not yet freed.
int media_recorder_test_holders();
int media_recorder_test_objects();
