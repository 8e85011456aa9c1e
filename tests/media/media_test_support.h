// Helpers of the media stand-in tests: pictures made the way the engine makes them, sound,
// the engine's recorder-to-muxer hand-over, and reading files back with ffprobe and ffmpeg.
#pragma once

#include <stdint.h>

#include <mutex>
#include <string>
#include <vector>

#include "FFMpegLib.h"
#include "media_packet.h"
#include "media_probe.h"
#include "temp_path.h"

struct Rgb {
    uint8_t r, g, b;
};
constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// A picture of width x height pixels of bytes R, G, B, X.
std::vector<uint8_t> rgbxPicture(int width, int height, Rgb colour);
// The picture converted for an encoder of colour format 21 or 19 with the engine's libyuv calls.
std::vector<uint8_t> encoderPicture(const std::vector<uint8_t> &rgbx, int width, int height,
                                    int color_format);
// A decoder picture of colour format 21 or 19 converted to R, G, B, X with the engine's calls.
std::vector<uint8_t> decodedToRgbx(const uint8_t *picture, int width, int height, int color_format);
// `frames` sample frames of a 440 Hz sine, interleaved 16-bit.
std::vector<uint8_t> sinePcm(int sample_rate, int channels, int frames, int64_t first_frame);

// Whether a pixel is clearly `colour` (each channel within 70 of it).
bool looksLike(const uint8_t *pixel, Rgb colour);

bool fileExists(const std::string &path);

// ffprobe of one stream: codec name, size, duration in seconds, packet count.
struct ProbedStream {
    std::string codec;
    int width = 0;
    int height = 0;
    double duration = -1;
    int packets = 0;
};
// Streams by kind ("v" or "a"); false when the file does not probe.
bool probeStream(const std::string &path, const char *kind, ProbedStream *stream);
// Every video frame stored in the file, decoded by the ffmpeg command to R, G, B bytes (no frame
// repeated to fill the gap before a track that starts later, such as video after AAC priming).
std::vector<std::vector<uint8_t>> decodeRgbFrames(const std::string &path, int width, int height);

// What the engine does with the recorder's output: muxer Start once every header is known,
// headers to WriteVideoHeader / WriteAudioHeader, frames to writeVideoBuffer / writeAudioBuffer.
// Records the order of events.
struct MuxerBridge {
    FFMuxer *muxer = nullptr;
    std::mutex mutex;  // guards events and the units below
    std::vector<std::string> events;
    std::vector<int64_t> video_pts;
    std::vector<uint8_t> video_header;
    std::vector<std::vector<uint8_t>> video_units;
    int failures = 0;
    static void output(void *user, int type, const MediaPacket *packet);
};

// A recording of `frames` pictures (red, green, blue thirds) at `fps` with a sine alongside,
// stamped as from the monotonic clock, written as fast as the writer takes them.
struct FeedPlan {
    int width = 320;
    int height = 240;
    int fps = 30;
    int frames = 60;
    int sample_rate = 48000;
    int channels = 2;
    bool audio = true;
    int64_t base_us = 1000000000;
};
Rgb colourOfFrame(const FeedPlan &plan, int index);
// Sets `muxer` for the plan's pictures and sound (both streams written) and opens `path`; 0, or
// the first failing call's result.
int open_muxer(FFMuxer *muxer, const FeedPlan &plan, const std::string &path);
// video(index, time) and audio(pcm, bytes, time) return the writer's result; a full queue
// (-2) is retried.
template <typename Video, typename Audio>
void feed(const FeedPlan &plan, Video video, Audio audio);

// The file holds the plan's pictures as H.264 in their colours and, when the plan has sound, as
// much AAC sound.
void expectPlayableFile(const std::string &path, const FeedPlan &plan);

#include "media_test_feed.inl"
