// Reading recorded files and received streams back with ffprobe and ffmpeg.
#pragma once

#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

// The key=value lines ffprobe prints for `path` with `options` (its -show_entries and the like),
// in order. Empty when ffprobe cannot read the file.
std::vector<std::pair<std::string, std::string>> ffprobe_fields(const std::string &path,
                                                                const std::string &options);

// Every video frame of the file decoded by ffmpeg into `pixel_format` pictures of
// `width` x `height` with `bytes_per_pixel`; `options` go before the output (filters and such).
std::vector<std::vector<uint8_t>> decoded_pictures(const std::string &path, int width, int height,
                                                   const std::string &pixel_format,
                                                   int bytes_per_pixel,
                                                   const std::string &options = "");

// Presentation times (seconds) of the packets of a file's video ("v") or sound ("a") stream.
std::vector<double> packet_times(const std::string &path, const char *kind);

// ffprobe's view of a recorded file or a peer's received stream.
struct ProbedMedia {
    bool readable = false;
    std::string codecs;  // codec names joined by ',' in stream order
    double duration = 0;
};

ProbedMedia probe_media(const std::string &path);

// The tone of a file's sound, from its zero crossings after the encoder's first tenth of a
// second (which ramps in); 0 without sound.
double tone_hz(const std::string &path);
