#include "jpeg_bands.h"

#include <setjmp.h>
#include <stdio.h>
#include <string.h>

#include <jpeglib.h>

#include <algorithm>

namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void trap_exit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorTrap *>(info->err)->jump, 1);
}

void ignore_message(j_common_ptr, int) {}

// What the bands are cut from.
struct Layout {
    size_t entropy = 0;         // offset of the entropy data
    size_t heightField = 0;     // offset of the frame header's height
    unsigned interval = 0;      // MCUs per restart interval
    int columns = 0, rows = 0;  // MCUs per row, MCU rows
    int mcuHeight = 0;          // pixel rows per MCU row
    int height = 0;
};

// Reads the header with libjpeg. False when bands cannot be cut: no restart interval, more than
// one scan, or no header libjpeg reads.
bool read_layout(const uint8_t *jpeg, size_t bytes, Layout *layout) {
    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = trap_exit;
    trap.manager.emit_message = ignore_message;
    jpeg_create_decompress(&info);
    bool ok = false;
    if (setjmp(trap.jump) == 0) {
        jpeg_mem_src(&info, jpeg, bytes);
        if (jpeg_read_header(&info, TRUE) == JPEG_HEADER_OK && info.restart_interval > 0 &&
            !info.progressive_mode && info.comps_in_scan == info.num_components) {
            const int mcuWidth = info.max_h_samp_factor * DCTSIZE;
            layout->mcuHeight = info.max_v_samp_factor * DCTSIZE;
            layout->columns = ((int)info.image_width + mcuWidth - 1) / mcuWidth;
            layout->rows = ((int)info.image_height + layout->mcuHeight - 1) / layout->mcuHeight;
            layout->height = (int)info.image_height;
            layout->interval = info.restart_interval;
            layout->entropy = info.src->next_input_byte - jpeg;
            ok = true;
        }
    }
    jpeg_destroy_decompress(&info);
    if (!ok)
        return false;
    // The frame header's height field: the segment walk libjpeg made, once more, up to the
    // entropy data.
    for (size_t i = 2; i + 9 <= layout->entropy && jpeg[i] == 0xff;) {
        const uint8_t marker = jpeg[i + 1];
        if (marker == 0xc0 || marker == 0xc1) {
            layout->heightField = i + 5;
            return true;
        }
        if (marker == 0xff) {
            i++;
            continue;
        }
        i += 2 + ((size_t)jpeg[i + 2] << 8 | jpeg[i + 3]);
    }
    return false;
}

// Offsets of the restart markers (their 0xff byte) and of the end marker. False when a marker
// is misnumbered or the data ends without the end marker.
bool find_markers(const uint8_t *jpeg, size_t bytes, size_t from, std::vector<size_t> *markers,
                  size_t *end) {
    markers->clear();
    const uint8_t *p = jpeg + from;
    const uint8_t *last = jpeg + bytes;
    while (p + 1 < last) {
        p = static_cast<const uint8_t *>(memchr(p, 0xff, last - p - 1));
        if (!p)
            return false;
        const uint8_t code = p[1];
        if (code >= 0xd0 && code <= 0xd7) {
            if (code != (uint8_t)(0xd0 + markers->size() % 8))
                return false;
            markers->push_back(p - jpeg);
            p += 2;
        } else if (code == 0xd9) {
            *end = p - jpeg;
            return true;
        } else {
            p += code == 0xff ? 1 : 2;  // a fill byte, or a stuffed 0xff
        }
    }
    return false;
}

}  // namespace

BandSplit split_into_bands(const uint8_t *jpeg, size_t bytes, int parts,
                           std::vector<JpegBand> *bands) {
    Layout layout;
    if (parts < 2 || !read_layout(jpeg, bytes, &layout))
        return BandSplit::whole;
    thread_local std::vector<size_t> markers;
    size_t end = 0;
    const size_t mcus = (size_t)layout.columns * layout.rows;
    const size_t intervals = (mcus + layout.interval - 1) / layout.interval;
    if (!find_markers(jpeg, bytes, layout.entropy, &markers, &end) ||
        markers.size() + 1 != intervals)
        return BandSplit::refused;

    // Band edges: intervals that start an MCU row, where the rows and the entropy data before
    // them (each about half of a band's decoding time) reach each band's share.
    std::vector<size_t> edges(1, 0);
    const double dataBytes = (double)(end - layout.entropy);
    for (size_t first = 1; first < intervals && (int)edges.size() < parts; first++) {
        if (first * layout.interval % layout.columns != 0)
            continue;
        const double rows = (double)(first * layout.interval / layout.columns) / layout.rows;
        const double data = (markers[first - 1] - layout.entropy) / dataBytes;
        if ((rows + data) / 2 >= (double)edges.size() / parts)
            edges.push_back(first);
    }
    if (edges.size() < 2)
        return BandSplit::whole;
    edges.push_back(intervals);

    bands->resize(edges.size() - 1);
    for (size_t b = 0; b + 1 < edges.size(); b++) {
        JpegBand &band = (*bands)[b];
        const size_t first = edges[b], stop = edges[b + 1];
        const int firstRow = (int)(first * layout.interval / layout.columns) * layout.mcuHeight;
        const int stopRow = std::min(
            layout.height, (int)(stop * layout.interval / layout.columns) * layout.mcuHeight);
        band.firstRow = firstRow;
        band.rows = (stop == intervals ? layout.height : stopRow) - firstRow;
        const size_t from = first == 0 ? layout.entropy : markers[first - 1] + 2;
        const size_t to = stop == intervals ? end : markers[stop - 1];
        band.jpeg.resize(layout.entropy + (to - from) + 2);
        uint8_t *out = band.jpeg.data();
        memcpy(out, jpeg, layout.entropy);
        out[layout.heightField] = (uint8_t)(band.rows >> 8);
        out[layout.heightField + 1] = (uint8_t)band.rows;
        memcpy(out + layout.entropy, jpeg + from, to - from);
        for (size_t m = first; m + 1 < stop; m++)
            out[layout.entropy + markers[m] + 1 - from] = (uint8_t)(0xd0 + (m - first) % 8);
        out[band.jpeg.size() - 2] = 0xff;
        out[band.jpeg.size() - 1] = 0xd9;
    }
    return BandSplit::split;
}
