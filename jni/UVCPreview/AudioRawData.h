// One block of microphone samples on its way from the USB audio thread to the volume callback.
#pragma once

#include <stdint.h>

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
