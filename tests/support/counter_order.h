// Order of the frame counters read from an H.264 camera's pictures.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

// Whether the counters advance as an H.264 stream may show them: after a frame lost on the way,
// the decoder conceals the frames up to the next key frame, which may show a counter again or
// one up to `keyInterval` frames older; past that, and from first to last, they increase.
// `why` gets the counters when they do not.
bool counters_advance(const std::vector<int64_t> &counters, int64_t keyInterval, std::string *why);
