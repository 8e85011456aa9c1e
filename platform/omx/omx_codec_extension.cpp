#include "omx_codec_extension.h"

#include <strings.h>

#include <algorithm>

OMXCodecExtensionImpl::OMXCodecExtensionImpl() {
    setDefaults();
}

void OMXCodecExtensionImpl::setDefaults() {
    static const int kDefaultFormats[] = {MEDIA_COLOR_FORMAT_YUV420_SEMIPLANAR,
                                          MEDIA_COLOR_FORMAT_YUV420_PLANAR};
    setAvailable(true);
    setFormats(kDefaultFormats, 2);
}

OMXCodecExtensionImpl &omxCodecExtension() {
    static OMXCodecExtensionImpl extension;
    return extension;
}

void OMXCodecExtensionImpl::setAvailable(bool available) {
    std::lock_guard<std::mutex> lock(mutex_);
    available_ = available;
}

void OMXCodecExtensionImpl::setFormats(const int *formats, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    count_ = formats ? std::clamp(count, 0, kMaxFormats) : 0;
    std::fill(formats_, formats_ + kMaxFormats + 1, 0);
    std::copy(formats, formats + count_, formats_);
}

int OMXCodecExtensionImpl::QueryCodec(const char *mime) {
    std::lock_guard<std::mutex> lock(mutex_);
    return available_ && mime && strcasecmp(mime, "video/avc") == 0 ? 1 : 0;
}

int *OMXCodecExtensionImpl::GetColorFormats() {
    return formats_;
}

int OMXCodecExtensionImpl::GetColorFormatCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return count_;
}

int OMXCodecExtensionImpl::HasColorFormat() {
    return GetColorFormatCount() > 0 ? 1 : 0;
}

bool OMXCodecExtensionImpl::supports(int format) {
    std::lock_guard<std::mutex> lock(mutex_);
    return format != 0 && std::find(formats_, formats_ + count_, format) != formats_ + count_;
}
