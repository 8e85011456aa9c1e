// The sound the virtual microphone picks up: a sine, white noise or silence.
#pragma once

#include <cstdint>
#include <vector>

#include "mic_description.h"

class SignalSource {
  public:
    SignalSource(const MicDescription &mic, int rate);

    // The next `frames` sample frames, interleaved, scaled by `gain`.
    void generate(int frames, float gain, std::vector<float> *samples);

  private:
    MicDescription mic_;
    int rate_;
    double phase_ = 0;  // sine phase in cycles, 0..1
    uint64_t noise_state_ = 0x9e3779b97f4a7c15ull;
};
