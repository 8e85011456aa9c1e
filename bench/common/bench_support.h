// Pieces every benchmark shares: CPU time, the machine's load, camera frames taken straight from
// the camera library, and the counter numbers of a recorded or received video file.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "camera_frames.h"

// User + system CPU seconds of this process, and of its children that were waited for.
double process_cpu_seconds();
double children_cpu_seconds();

// The 1, 5 and 15 minute load averages, as "0.52 0.61 0.70".
std::string load_average();

// Resident memory of this process in MiB (/proc/self/statm), -1 when unreadable.
double resident_mib();

// Microseconds of the monotonic clock (the clock of the camera's hand-over times).
int64_t monotonic_us();

// The counter number of every video frame of a file in file order (-1 for a frame without a
// readable one), each frame decoded at `width` x `height`.
std::vector<int64_t> file_counters(const std::string &path, int width, int height);
