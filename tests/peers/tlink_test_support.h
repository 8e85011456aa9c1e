// Helpers shared by the live-streaming library tests.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "silent_server.h"
#include "test_encoder.h"
#include "tlink.h"

// Pushes the units, frames at the pace of their decoding times; returns how many frames were
// taken (result 0).
int push_paced(void *context, const std::vector<TestUnit> &units);

// Counts of frames of one type among the units.
int count_frames(const std::vector<TestUnit> &units, int type);

// The video packets a peer recorded in `path`.
int video_packets(const std::string &path);

// Milliseconds since `start`.
long elapsed_ms(std::chrono::steady_clock::time_point start);
