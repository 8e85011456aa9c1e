#include "picture_pattern.h"

#include <string.h>

#include <algorithm>

void counter_cell_blocks(int blocks, int count, int index, int *first, int *end) {
    *first = index * blocks / count;
    *end = (index + 1) * blocks / count;
}

CellRect counter_cell(int width, int height, int column, int row) {
    int bx0, bx1, by0, by1;
    counter_cell_blocks((width + 15) / 16, kCounterColumns, column, &bx0, &bx1);
    counter_cell_blocks((height + 15) / 16, kCounterRows, row, &by0, &by1);
    return {std::min(bx0 * 16, width), std::min(by0 * 16, height), std::min(bx1 * 16, width),
            std::min(by1 * 16, height)};
}

// The top byte is a CRC-8 (x^8 + x^2 + x + 1, started at 0xff) of the number's three bytes: it
// catches any one, two or three wrong cells. A damaged picture often gets cells above each other
// wrong together, the same bit of two bytes, which a plain XOR of the bytes lets through.
uint32_t counter_cells(uint32_t number) {
    const uint32_t low = number & 0xffffff;
    uint8_t check = 0xff;
    for (int shift = 16; shift >= 0; shift -= 8) {
        check ^= (uint8_t)(low >> shift);
        for (int bit = 0; bit < 8; bit++)
            check = (uint8_t)(check & 0x80 ? (check << 1) ^ 0x07 : check << 1);
    }
    return low | ((uint32_t)check << 24);
}

int64_t decode_counter_picture(const uint8_t *rgbx, int width, int height, int stride) {
    if (!rgbx || width < 16 * kCounterColumns || height < 16 * kCounterRows)
        return -1;
    if (stride == 0)
        stride = width * 4;
    uint32_t cells = 0;
    for (int i = 0; i < kCounterCells; ++i) {
        CellRect cell = counter_cell(width, height, i % kCounterColumns, i / kCounterColumns);
        int cx = (cell.x0 + cell.x1) / 2, cy = (cell.y0 + cell.y1) / 2;
        int sum = 0;
        for (int y = cy - 2; y <= cy + 2; ++y) {
            const uint8_t *p = rgbx + (size_t)y * stride + (size_t)(cx - 2) * 4;
            for (int x = 0; x < 5; ++x, p += 4)
                sum += (p[0] * 2 + p[1] * 5 + p[2]) / 8;
        }
        if (sum / 25 >= 128)
            cells |= 1u << i;
    }
    if (counter_cells(cells & 0xffffff) != cells)
        return -1;
    return cells & 0xffffff;
}

namespace {

void put(uint8_t *p, uint8_t r, uint8_t g, uint8_t b) {
    p[0] = r;
    p[1] = g;
    p[2] = b;
    p[3] = 255;
}

const uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235}, {16, 235, 16},
                             {235, 16, 235},  {235, 16, 16},  {16, 16, 235},  {16, 16, 16}};

}  // namespace

void render_pattern(const CameraDescription &camera, int variant, int width, int height,
                    std::vector<uint8_t> *rgbx) {
    if (camera.pattern == PatternKind::kScene) {
        render_scene(0, variant, width, height, rgbx);
        return;
    }
    rgbx->resize((size_t)width * height * 4);
    for (int y = 0; y < height; ++y) {
        uint8_t *p = rgbx->data() + (size_t)y * width * 4;
        for (int x = 0; x < width; ++x, p += 4) {
            switch (camera.pattern) {
                case PatternKind::kCounter: {
                    // A gentle diagonal ramp keeps the picture from being trivially flat.
                    int level = (variant ? 184 : 16) + 56 * (x + y) / (width + height);
                    put(p, level, level, level);
                    break;
                }
                case PatternKind::kBars: {
                    const uint8_t *bar = kBars[x * 8 / width];
                    put(p, bar[0], bar[1], bar[2]);
                    break;
                }
                case PatternKind::kGradient:
                    put(p, x * 255 / std::max(1, width - 1), y * 255 / std::max(1, height - 1),
                        128);
                    break;
                case PatternKind::kSolid:
                    put(p, camera.solid_rgb >> 16, (camera.solid_rgb >> 8) & 0xff,
                        camera.solid_rgb & 0xff);
                    break;
                case PatternKind::kScene:  // rendered by render_scene above
                    break;
            }
        }
    }
}

CellRect clap_marker_board(int width, int height) {
    CellRect cell = counter_cell(width, height, kCounterColumns - 1, 0);
    const int w = cell.x1 - cell.x0, h = cell.y1 - cell.y0;
    return {cell.x0 + w / 8, cell.y0 + h * 3 / 20, cell.x1 - w / 8, cell.y0 + h * 2 / 5};
}

void draw_clap_marker(int width, int height, std::vector<uint8_t> *rgbx) {
    const CellRect board = clap_marker_board(width, height);
    // The clapstick above the board: black and white diagonal stripes.
    const int stick_top = std::max(0, board.y0 - (board.y1 - board.y0) * 2 / 5);
    const int stripe = std::max(2, (board.x1 - board.x0) / 6);
    for (int y = stick_top; y < board.y1; ++y) {
        uint8_t *p = rgbx->data() + ((size_t)y * width + board.x0) * 4;
        for (int x = board.x0; x < board.x1; ++x, p += 4) {
            if (y >= board.y0)
                put(p, 220, 30, 40);
            else if (((x + y - stick_top) / stripe) & 1)
                put(p, 20, 20, 20);
            else
                put(p, 240, 240, 240);
        }
    }
}

bool clap_marker_shown(const uint8_t *rgbx, int width, int height, int stride) {
    if (!rgbx || width < 16 * kCounterColumns || height < 16 * kCounterRows)
        return false;
    if (stride == 0)
        stride = width * 4;
    // The board's middle half: its edges blur in a compressed picture.
    const CellRect board = clap_marker_board(width, height);
    const int dx = (board.x1 - board.x0) / 4, dy = (board.y1 - board.y0) / 4;
    long sum[3] = {0, 0, 0}, count = 0;
    for (int y = board.y0 + dy; y < board.y1 - dy; ++y) {
        const uint8_t *p = rgbx + (size_t)y * stride + (size_t)(board.x0 + dx) * 4;
        for (int x = board.x0 + dx; x < board.x1 - dx; ++x, p += 4, ++count) {
            for (int c = 0; c < 3; ++c)
                sum[c] += p[c];
        }
    }
    if (count == 0)
        return false;
    const long r = sum[0] / count, g = sum[1] / count, b = sum[2] / count;
    return r >= 160 && r - std::max(g, b) >= 120;
}

void render_picture(const CameraDescription &camera, int picture, int variant, bool clap, int width,
                    int height, std::vector<uint8_t> *rgbx) {
    if (camera.pattern == PatternKind::kScene)
        render_scene(picture, variant, width, height, rgbx);
    else
        render_pattern(camera, variant, width, height, rgbx);
    if (clap)
        draw_clap_marker(width, height, rgbx);
}

void compose_plane(uint8_t *dst, const uint8_t *const variants[2], int stride, int bytes_per_pixel,
                   int width, int height, int shift, uint32_t cells) {
    for (int i = 0; i < kCounterCells; ++i) {
        CellRect cell = counter_cell(width, height, i % kCounterColumns, i / kCounterColumns);
        const uint8_t *src = variants[(cells >> i) & 1];
        size_t offset = (size_t)(cell.x0 >> shift) * bytes_per_pixel;
        size_t bytes = (size_t)((cell.x1 - cell.x0) >> shift) * bytes_per_pixel;
        for (int y = cell.y0 >> shift; y < cell.y1 >> shift; ++y) {
            memcpy(dst + (size_t)y * stride + offset, src + (size_t)y * stride + offset, bytes);
        }
    }
}
