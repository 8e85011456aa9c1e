// The sound the virtual microphone picks up: a sine, white noise, silence, or the claps of a
// clapperboard with speech-like sound between them.
#pragma once

#include <cstdint>
#include <vector>

#include "mic_description.h"

class SignalSource {
  public:
    // `first_sample_ns`: monotonic time of the first sample; the clapper follows that clock.
    SignalSource(const MicDescription &mic, int rate, int64_t first_sample_ns = 0);

    // The next `frames` sample frames, interleaved, scaled by `gain`.
    void generate(int frames, float gain, std::vector<float> *samples);

  private:
    double next_value(int64_t heard_ns);
    double clapper_value(int64_t heard_ns);

    MicDescription mic_;
    int rate_;
    int64_t first_sample_ns_;
    int64_t produced_ = 0;  // sample frames generated so far
    double phase_ = 0;      // sine (and voice) phase in cycles, 0..1
    uint64_t noise_state_ = 0x9e3779b97f4a7c15ull;
};
