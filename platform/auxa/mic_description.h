// The microphone part of a virtual device description.
#pragma once

#include <string>
#include <vector>

enum class SignalKind { Sine, Noise, Silence };

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
};

// Reads the description behind `fd`. Keys that are not the microphone's (or the ids) are left
// to the camera. False with `error` naming the line when the file cannot be read or one of
// these keys has a bad value.
bool read_mic_description(int fd, MicDescription *mic, std::string *error);
