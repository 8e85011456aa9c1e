// One MJPEG frame's restart intervals split into bands of whole MCU rows, each a JPEG of its
// own (the frame's header with the band's height, the band's intervals with their restart
// markers counted from 0 again, an end marker), so that several threads decode one picture.
// libjpeg reads the header and says where the entropy data starts; only the restart markers
// are looked up here.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

struct JpegBand {
    std::vector<uint8_t> jpeg;
    int firstRow = 0;  // first pixel row of the band in the picture
    int rows = 0;      // pixel rows
};

enum class BandSplit {
    whole,    // no restart markers (or a layout bands do not fit): decode the frame as one
    split,    // `bands` hold at least two bands
    refused,  // restart markers missing or misnumbered: the frame is broken
};

// Splits a baseline JPEG into at most `parts` bands of about equal height. `bands` keeps its
// buffers from call to call.
BandSplit split_into_bands(const uint8_t *jpeg, size_t bytes, int parts,
                           std::vector<JpegBand> *bands);
