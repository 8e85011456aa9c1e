// Shared helpers of the microphone tests: description files, an open device and a collector
// of the blocks a callback node receives.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "description_file.h"

#include "auxa_lumivo.h"

// "vid = 0x1234 / pid = 0x5678 / microphone = on" followed by `extra` lines.
std::string mic_description(const std::string &extra);

// A context and, when the description allows, the microphone behind it.
struct OpenMic {
    explicit OpenMic(const std::string &description, uint16_t vid = 0x1234, uint16_t pid = 0x5678);
    ~OpenMic();
    DescriptionFile file;
    _AUXA_CONTEXT *context = nullptr;
    _AUXA_DEV *device = nullptr;
    int open_result = -1;
};

struct ReceivedBlock {
    std::vector<uint8_t> bytes;
    AuxaBlockInfo info;
};

// Keeps every block handed to `on_block`; used as a callback node's function and user.
class BlockCollector {
  public:
    static void on_block(void *user, unsigned char *data, int bytes, void *info);
    std::vector<ReceivedBlock> blocks() const;
    // All samples received, as 16-bit values (the blocks must be 16-bit).
    std::vector<int16_t> samples() const;
    size_t count() const;

  private:
    mutable std::mutex mutex_;  // guards blocks_
    std::vector<ReceivedBlock> blocks_;
};

// Links a callback node calling `function` with `user` below `from`; returns the node.
CDataDistributor *attach_callback(_AUXA_DEV *device, CDataDistributor *from,
                                  AuxaBlockCallback function, void *user, const char *name);
// The same with a collector's function and the collector as user.
CDataDistributor *attach_collector(_AUXA_DEV *device, CDataDistributor *from,
                                   BlockCollector *collector, const char *name);
// A device configuration value (AuxaGetConfiguration), -1 when it cannot be read.
int config_value(_AUXA_DEV *device, int id);
// Captures for `ms` milliseconds.
void capture_for(_AUXA_DEV *device, int ms);

double rms_of(const std::vector<int16_t> &samples, size_t first, size_t count);
// Frequency of a mono signal from its rising zero crossings.
double frequency_of(const std::vector<int16_t> &samples, int rate);
