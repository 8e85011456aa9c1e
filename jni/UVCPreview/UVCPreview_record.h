// Values of the recording operations: record modes and types, encoder colour kinds and the
// results of recordStart, recordStop and SetRecording.
#pragma once

#include <stdint.h>

enum {
    // mRecMode: video only (video and audio is RECORD_MODE_VIDEO_AUDIO).
    REC_MODE_VIDEO_ONLY = 1,
    // mRecType: an MP4 file, or a live stream.
    REC_TYPE_FILE = 16,
    REC_TYPE_LIVE = 32,
    // mEncoderColorFormat: how pictures are converted for the encoder.
    ENCODER_COLOR_PLANAR = 2,
    ENCODER_COLOR_SEMIPLANAR = 3,
};

enum {
    REC_NO_RECORDER = -3,
    REC_NOT_RUNNING = -4,
    REC_NO_PICTURES = -5,
    REC_ENCODER_NOT_SET = -51,
    REC_RECORDER_FAILED = -52,
    REC_NOT_RECORDING = -53,  // also: the muxer could not open the file
    REC_STOP_FAILED = -54,
    REC_ALREADY_RECORDING = -55,
    REC_UNITS_LOST = -56,  // recordStop: the file refused units; what it holds still plays
    REC_MODE_NOT_SET = -61,
    REC_VIDEO_NOT_SET = -62,
    REC_NO_COLOR_FORMAT = -63,
    REC_AUDIO_FAILED = -64,
    REC_ODD_PICTURE_SIZE = -65,  // the encoders' 4:2:0 layouts need even widths and heights
    REC_LIVE_START_FAILED = -300,
    REC_LIVE_STOP_FAILED = -301,
};

// Converts a width x height picture of bytes R, G, B, X into `out` (width * height * 3 / 2
// bytes) in the encoder's layout: ENCODER_COLOR_PLANAR gives the Y, Cb and Cr planes,
// ENCODER_COLOR_SEMIPLANAR the Y plane and interleaved Cb, Cr pairs. Any other kind leaves
// `out` as it is. 0, or libyuv's failure result.
int convert_for_encoder(const uint8_t *picture, uint8_t *out, int width, int height, int kind);
