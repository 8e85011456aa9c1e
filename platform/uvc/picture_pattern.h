// Pictures of the virtual camera. The `counter` pattern shows the frame number as 8 x 4 large
// cells (rows 0-2: the low 24 bits, least significant first; row 3: a check byte), each cell
// dark for 0 and light for 1. Cell edges lie on 16-pixel (JPEG MCU) boundaries, so a frame is
// assembled from two pre-built variants of the picture, all dark and all light, cell by cell.
#pragma once

#include <stdint.h>

#include <vector>

#include "camera_description.h"

struct CellRect {
    int x0, y0, x1, y1;  // pixels, end exclusive
};

constexpr int kCounterColumns = 8;
constexpr int kCounterRows = 4;
constexpr int kCounterCells = kCounterColumns * kCounterRows;

// Cell (column, row) of a width x height picture; the cells tile the whole picture.
CellRect counter_cell(int width, int height, int column, int row);
// Cell columns and rows in 16-pixel blocks: [first, end).
void counter_cell_blocks(int blocks, int count, int index, int *first, int *end);

// Bit i is the value of cell i (row-major) for frame `number`.
uint32_t counter_cells(uint32_t number);
// The frame number shown by an R, G, B, X picture, or -1.
int64_t decode_counter_picture(const uint8_t *rgbx, int width, int height, int stride);

// Renders variant 0 (cells dark) or 1 (cells light) of the pattern as R, G, B, X rows; the
// `scene` pattern shows its first frame. Patterns other than `counter` and `scene` have one
// look: both variants are the same picture.
void render_pattern(const CameraDescription &camera, int variant, int width, int height,
                    std::vector<uint8_t> *rgbx);

// Frame `frame` of the `scene` pattern (a panning, noisy camera-like scene), variant as above.
void render_scene(int frame, int variant, int width, int height, std::vector<uint8_t> *rgbx);

// The clap marker: a clapperboard drawn in the top right counter cell, above the cell's centre
// where the counter is read, so that a frame shows both. Its red board has a colour no pattern
// variant reaches there (each variant keeps its channels within one band of 115 levels).
CellRect clap_marker_board(int width, int height);
void draw_clap_marker(int width, int height, std::vector<uint8_t> *rgbx);
// True when an R, G, B, X picture (stride in bytes, 0 for width x 4) shows the marker.
bool clap_marker_shown(const uint8_t *rgbx, int width, int height, int stride);

// Variant `variant` of picture `picture` of the pattern (the scene's frame number; other
// patterns have one picture), with the clap marker when `clap` is set.
void render_picture(const CameraDescription &camera, int picture, int variant, bool clap, int width,
                    int height, std::vector<uint8_t> *rgbx);

// Assembles a plane from its two variants by the cell bits: every cell's rows are copied from
// variant (bit of the cell). `shift` is the plane's subsampling (1 for 4:2:0 chroma).
void compose_plane(uint8_t *dst, const uint8_t *const variants[2], int stride, int bytes_per_pixel,
                   int width, int height, int shift, uint32_t cells);
