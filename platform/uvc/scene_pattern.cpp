// The `scene` pattern: a picture with a real camera's amount of detail, so that MJPEG frames
// compress and decode like a webcam's. A slowly panning street (sky with clouds, a brick wall
// with windows, textured ground, a rolling striped ball) with sensor noise that differs from
// frame to frame. The counter rides on top: the counter variant only sets each cell's
// brightness range (dark 0..114, light 140..255), so the cell centres still decode.
#include <math.h>
#include <stdint.h>

#include <algorithm>

#include "picture_pattern.h"

namespace {

uint32_t hash3(uint32_t x, uint32_t y, uint32_t z) {
    uint32_t h = x * 374761393u + y * 668265263u + z * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

int clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// Smooth value noise in 0..255 over a grid of `cell` pixels.
int value_noise(int x, int y, int cell, uint32_t seed) {
    int gx = x / cell, gy = y / cell;
    int fx = (x % cell) * 256 / cell, fy = (y % cell) * 256 / cell;
    int a = hash3(gx, gy, seed) & 255, b = hash3(gx + 1, gy, seed) & 255;
    int c = hash3(gx, gy + 1, seed) & 255, d = hash3(gx + 1, gy + 1, seed) & 255;
    int top = a + ((b - a) * fx >> 8), bottom = c + ((d - c) * fx >> 8);
    return top + ((bottom - top) * fy >> 8);
}

struct Rgb {
    int r, g, b;
};

// The scene at pixel (x, y) of a width-scaled 1920-unit wide world, panned by `pan`.
Rgb scene_pixel(int x, int y, int width, int height, int frame, int pan) {
    const int wx = x + pan;  // world position
    const int horizon = height * 2 / 5, ground = height * 3 / 4;
    const int unit = std::max(1, width / 160);  // about 12 pixels at 1920
    if (y < horizon) {
        int cloud = value_noise(wx / 2 + frame, y, 16 * unit, 7) +
                    (value_noise(wx, y, 4 * unit, 8) >> 2) - 128;
        int shade = y * 60 / std::max(1, horizon);
        if (cloud > 40)
            return {150 + cloud / 2, 160 + cloud / 2, 190 + cloud / 4};
        return {90 + shade, 130 + shade, 210 + shade / 3};
    }
    if (y < ground) {
        const int brick_w = 4 * unit, brick_h = 2 * unit;
        const int row = (y - horizon) / brick_h;
        const int bx = wx + (row & 1) * brick_w / 2;
        const int column = bx / brick_w;
        // Windows: dark glass with a bright frame, every few bricks.
        const int window_x = wx % (24 * unit), window_y = (y - horizon) % (14 * unit);
        if (window_x > 6 * unit && window_x < 14 * unit && window_y > 3 * unit &&
            window_y < 11 * unit) {
            if (window_x < 7 * unit || window_x > 13 * unit || window_y < 4 * unit ||
                window_y > 10 * unit || abs(window_x - 10 * unit) < unit / 3) {
                return {230, 228, 220};
            }
            int glow = value_noise(wx, y, 3 * unit, 11) / 3;
            return {30 + glow, 40 + glow, 60 + glow};
        }
        if ((y - horizon) % brick_h < 2 || bx % brick_w < 2)
            return {170, 165, 150};  // mortar
        int tint = (int)(hash3(column, row, 3) % 60) - 30;
        int grain = (int)(hash3(wx / 4, y / 4, 4) % 12) - 6;
        return {150 + tint + grain, 70 + tint / 2 + grain, 50 + grain};
    }
    // Ground: gravel texture and a rolling ball.
    const int ball_r = 6 * unit;
    const int ball_x = (frame * 3 * unit + width / 3) % width, ball_y = ground + 8 * unit;
    const int dx = x - ball_x, dy = y - ball_y;
    if (dx * dx + dy * dy < ball_r * ball_r) {
        int stripe = ((dx + dy + frame * unit) / std::max(1, unit)) & 1;
        int light = 40 - (dx + dy) * 40 / ball_r;
        return {stripe ? 220 + light / 4 : 30 + light, stripe ? 40 : 90 + light,
                stripe ? 40 : 200 + light / 4};
    }
    int pebble = (int)(hash3(wx / 4, y / 4, 5) % 40);
    int patch = value_noise(wx, y, 10 * unit, 6) / 2;
    return {60 + pebble / 2 + patch / 3, 80 + pebble / 2 + patch / 2, 40 + pebble / 3};
}

}  // namespace

void render_scene(int frame, int variant, int width, int height, std::vector<uint8_t> *rgbx) {
    rgbx->resize((size_t)width * height * 4);
    const int pan = frame * std::max(1, width / 240);
    // Dark cells keep levels 0..114, light cells 140..255: a 25-level gap the counter
    // decoder's threshold at 128 sits in, whatever the scene shows.
    const int offset = variant ? 140 : 0;
    uint8_t *p = rgbx->data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x, p += 4) {
            Rgb c = scene_pixel(x, y, width, height, frame, pan);
            // Sensor noise: a new draw for every frame, a little stronger in blue.
            uint32_t n = hash3(x, y, 1000 + frame);
            int noise = (int)(n % 5) - 2, blue_noise = (int)((n >> 8) % 7) - 3;
            p[0] = offset + clamp255(c.r + noise) * 115 / 256;
            p[1] = offset + clamp255(c.g + noise) * 115 / 256;
            p[2] = offset + clamp255(c.b + blue_noise) * 115 / 256;
            p[3] = 255;
        }
    }
}
