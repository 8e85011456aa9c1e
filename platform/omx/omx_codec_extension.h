// The codec query object: which encoder exists and which input colour formats it takes.
#pragma once

#include <mutex>

#include "OMXLib.h"

class OMXCodecExtensionImpl : public OMXCodecExtension {
  public:
    static constexpr int kMaxFormats = 8;

    OMXCodecExtensionImpl();

    int QueryCodec(const char *mime) override;
    int *GetColorFormats() override;
    int GetColorFormatCount() override;
    int Reserved5() override { return 0; }
    int HasColorFormat() override;

    bool supports(int format);
    void setAvailable(bool available);
    void setFormats(const int *formats, int count);
    // An encoder for "video/avc" taking {21, 19}.
    void setDefaults();

  private:
    std::mutex mutex_;  // guards available_, formats_, count_
    bool available_ = true;
    int formats_[kMaxFormats + 1] = {};  // zero after the last entry
    int count_ = 0;
};

OMXCodecExtensionImpl &omxCodecExtension();

// Faults injected by the test controls.
struct FaultSwitches;
FaultSwitches &omxFaults();
