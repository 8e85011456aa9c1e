#include "restart_markers.h"

#include <vector>

namespace {

bool is_restart(uint8_t marker) {
    return marker >= 0xd0 && marker <= 0xd7;
}

// Offset of the entropy data: the bytes after the start-of-scan segment; 0 when there is none.
size_t entropy_start(const uint8_t *jpeg, size_t bytes) {
    size_t i = 2;
    while (i + 4 <= bytes && jpeg[i] == 0xff) {
        const uint8_t marker = jpeg[i + 1];
        i += 2 + ((size_t)jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (marker == 0xda)
            return i < bytes ? i : 0;
    }
    return 0;
}

}  // namespace

bool misnumber_restart_marker(uint8_t *jpeg, size_t bytes) {
    std::vector<size_t> markers;
    const size_t start = entropy_start(jpeg, bytes);
    for (size_t i = start; start && i + 1 < bytes; i++) {
        if (jpeg[i] == 0xff && is_restart(jpeg[i + 1]))
            markers.push_back(i + 1);
    }
    if (markers.empty())
        return false;
    uint8_t &marker = jpeg[markers[markers.size() / 2]];
    marker = (uint8_t)(0xd0 + (marker - 0xd0 + 1) % 8);
    return true;
}
