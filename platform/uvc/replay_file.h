// Recorded stream files replayed as a camera's stream: concatenated JPEGs (MJPEG), raw YUYV
// frames, or an H.264 Annex B stream. The file is mapped, not read, and indexed once; the
// description keeps it for the streams of its camera.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

#include "camera_description.h"

class ReplayFile {
  public:
    ReplayFile() = default;
    ~ReplayFile();
    ReplayFile(const ReplayFile &) = delete;
    ReplayFile &operator=(const ReplayFile &) = delete;

    // Maps and indexes the file; false with `error` saying what is wrong with it, naming the
    // file and, for a bad frame, its number (from 1).
    bool open(const ReplaySource &source, std::string *error);
    size_t frame_count() const { return frames_.size(); }
    // Frame `index` (from 0): its bytes inside the mapping.
    const uint8_t *frame(size_t index, size_t *bytes) const;
    size_t largest_frame() const;

  private:
    void *map_ = nullptr;
    size_t size_ = 0;
    std::vector<std::pair<size_t, size_t>> frames_;  // offset and length of every frame
};
