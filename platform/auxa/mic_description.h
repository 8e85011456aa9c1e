// The microphone part of a virtual device description.
#pragma once

#include <string>
#include <vector>

enum class SignalKind { Sine, Noise, Silence, Clapper };

struct MicDescription {
    int vid = -1;  // -1 when the description names no id
    int pid = -1;
    bool present = false;  // `microphone = on`
    std::vector<unsigned> rates{48000};
    int bits = 16;
    int channels = 1;
    SignalKind signal = SignalKind::Sine;
    double frequency = 440.0;  // Hz, sine only
    double amplitude = 0.5;    // of full scale
    // Clapper: the claps of the device's `clapper` (a tone burst at every multiple of the
    // interval on the monotonic clock) with quieter, speech-like sound between.
    int clapper_ms = 0;
    int delay_ms = 0;  // `mic_delay_ms`: the microphone hears everything this much later
};

// Reads the description behind `fd`. Keys that are not the microphone's (or the ids) are left
// to the camera. False with `error` naming the line when the file cannot be read or one of
// these keys has a bad value.
bool read_mic_description(int fd, MicDescription *mic, std::string *error);
