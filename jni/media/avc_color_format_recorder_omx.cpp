#include <OMXLib.h>

#include "avc_color_format.h"

bool query_avc_color_format(const LogVoice &voice, int *format) {
    OMXLib *library = OMXLib::getInstance();
    OMXCodecExtension *codec = library->getExtension();
    if (!codec || !codec->QueryCodec("video/avc")) {
        library->releaseInstance();
        LOGE_AS(voice.operation, "getEncoderCodecProfiles fail\n");
        return false;
    }
    LOG_VOICE(voice, "getColorFormatSize!\n");
    if (codec->HasColorFormat()) {
        const int *formats = codec->GetColorFormats();
        if (formats)
            *format = formats[0];
    }
    library->releaseInstance();
    LOG_VOICE(voice, "Selected colorFormat : 0x%08x\n", *format);
    return true;
}
