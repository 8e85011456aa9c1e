// A node of a device's graph and the settings each kind of node carries.
#pragma once

#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "auxa_lumivo.h"

struct ResamplerSettings {
    int rate = 0;  // 0 keeps the input's value
    int bits = 0;
    int channels = 0;
};

struct ProcessingSettings {
    bool denoise = false;
    int denoise_db = 0;  // 0: speexdsp's default
    bool agc = false;
    int agc_level = 0;
    bool echo_cancel = false;
    int echo_db = 0;
    int echo_active_db = 0;
    bool dereverb = false;

    bool any_on() const { return denoise || agc || echo_cancel || dereverb; }
    bool operator==(const ProcessingSettings &other) const {
        return std::tie(denoise, denoise_db, agc, agc_level, echo_cancel, echo_db, echo_active_db,
                        dereverb) == std::tie(other.denoise, other.denoise_db, other.agc,
                                              other.agc_level, other.echo_cancel, other.echo_db,
                                              other.echo_active_db, other.dereverb);
    }
};

struct CallbackSettings {
    AuxaBlockCallback function = nullptr;
    void *user = nullptr;
};

struct CDataDistributor {
    _AUXA_DEV *device = nullptr;
    int number = 0;  // 1-based order of creation, shown by the dump; the source is 1
    int kind = 0;
    std::string name;

    // Links and resampler settings are guarded by the device's mutex; they cannot change while
    // the device captures, so the capture thread reads them freely.
    CDataDistributor *input = nullptr;
    std::vector<CDataDistributor *> outputs;
    ResamplerSettings resampler;

    // Guards `processing` and `callback`, which may change while the capture thread reads them.
    std::mutex live_mutex;
    ProcessingSettings processing;
    CallbackSettings callback;
};
