// Audio blocks on their way from the USB audio thread to the volume callback, and the piece
// size and timing of the audio writer.
#pragma once

#include <stdint.h>

enum {
    // The library hands over blocks of about 10 ms, so the volume queue keeps about three
    // seconds of sound; older blocks are dropped when the volume callback falls behind.
    AUDIO_QUEUE_MAX_BLOCKS = 300,
    // The audio writer hands the recorder pieces of at most this many bytes.
    AUDIO_PIECE_BYTES = 4096,
    // Record mode in which recordings carry the microphone's or the application's sound.
    RECORD_MODE_VIDEO_AUDIO = 2,
};

// Play time of one full piece in whole microseconds; -1 when a value is not positive (no
// channels, no rate or less than one byte per sample).
int64_t audio_piece_duration_us(int channels, int rate, int bits);

#pragma pack(push, 1)
struct _AudioRawData {
    int32_t size;    // bytes at data
    int32_t valueA;  // the info record's word at byte 12
    int32_t valueB;  // the info record's word at byte 8
    uint8_t in_use;
    uint8_t *data;  // owned by the block
};
#pragma pack(pop)

// A block holding its own copy of `bytes` bytes; null when memory runs out.
_AudioRawData *newAudioRawData(const uint8_t *data, int bytes, int valueA, int valueB);
// Frees the block and its data; null is allowed.
void freeAudioRawData(_AudioRawData *block);
