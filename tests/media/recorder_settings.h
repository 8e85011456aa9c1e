// The encoder settings every recorder and RGBX encoder test records with: the plan's rate and
// sound, 1 Mbit/s, a key frame a second, 16-bit samples.
#pragma once

#include "media_test_support.h"

template <typename Encoder>
void apply_recording_settings(Encoder *recorder, const FeedPlan &plan) {
    recorder->SetFrameRate(plan.fps);
    recorder->SetBitrate(1000000);
    recorder->SetIFrameInterval(1);
    recorder->SetSampleRate(plan.sample_rate);
    recorder->SetBit(16);
    recorder->SetChannel(plan.channels);
    recorder->SetAudioByteRate(plan.sample_rate * 2 * plan.channels);
}
