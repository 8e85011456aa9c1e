// Reading back what a demo run left in its output folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgbx;  // R, G, B, X rows without gaps
};

// A PNG or JPEG decoded into R, G, B, X; false when the file does not decode.
bool read_png(const std::string &path, Picture *picture);
bool read_jpeg(const std::string &path, Picture *picture);

// The camera frame numbers of `samples` frames spread evenly over a video file, in file order
// (-1 where a frame carries no legible counter); empty when ffmpeg cannot decode it.
std::vector<int64_t> video_counters(const std::string &path, int samples);

// Numbers in the report's contact-sheet table, in order.
std::vector<int64_t> report_counters(const std::string &html);

std::string read_file(const std::string &path);
