// Restart markers of the virtual camera's MJPEG frames: the interval a description asks for,
// and the misnumbered marker of the fault.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

// Re-encodes a baseline JPEG's entropy data with a restart marker every `interval` MCUs (0:
// none), losslessly (the DCT coefficients are kept). False when the JPEG cannot be read.
bool rewrite_restart_interval(const uint8_t *jpeg, size_t bytes, int interval,
                              std::vector<uint8_t> *out);

// Gives the restart marker halfway through a JPEG's markers the next marker's number. False
// when the JPEG has no restart marker.
bool misnumber_restart_marker(uint8_t *jpeg, size_t bytes);
