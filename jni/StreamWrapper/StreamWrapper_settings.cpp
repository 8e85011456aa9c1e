// Settings the application makes before a start, and the live-stream figures of the streamer's
// own connection.
#include <tlink.h>

#include "StreamWrapper.h"
#include "logging.h"

void StreamWrapper::SetResolution(int width, int height, int third) {
    m_Width = width;
    m_Height = height;
    m_ResolutionParam = third;
}

void StreamWrapper::SetRecMode(int mode) {
    mRecMode = mode;
}

void StreamWrapper::SetVideoBitrate(int bitrate) {
    m_VideoBitrate = bitrate;
    LOGE("m_VideoBitrate : %d\n", bitrate);
}

void StreamWrapper::SetVideoFPS(int fps) {
    m_VideoFPS = fps;
    LOGE("m_VideoFPS : %d\n", fps);
}

void StreamWrapper::SetAudioChannels(int channels) {
    mChannel = channels;
}

void StreamWrapper::SetAudioBit(int bits) {
    mBit = bits;
}

void StreamWrapper::SetAudioSamplerate(int rate) {
    mSampleRate = rate;
}

void StreamWrapper::setTlinkWaitTime(int ms) {
    m_TlinkWaitTime = ms;
}

int StreamWrapper::SetTlinkLogLevel(int level) {
    LOGE("setting level : %d\n", level);
    return TlinkSetDebug(level);
}

void StreamWrapper::SetErrorNotifyCallback(StreamErrorNotify notify) {
    mErrorNotifyfnptr = notify;
}

void StreamWrapper::SetCameraID(long id) {
    mCameraID = id;
}

long StreamWrapper::getCameraID() {
    return mCameraID;
}

void StreamWrapper::setTLinkMode(int mode) {
    mTlinkMode = mode;
}

char *StreamWrapper::getTLinkUrl() {
    return mLive.url();
}

void StreamWrapper::setTlinkDeblock(int deblock) {
    mTlinkDeblock = deblock;
}

void StreamWrapper::setIframeInterval(unsigned interval) {
    mIframe_Interval = (int)interval;
}

double StreamWrapper::getTransmission_sec() {
    double rate = mLive.per_second(TLS_BYTES_SENT);
    LOGE("transmission per sec(Byte): %f\n", rate);
    LOGE("transmission per sec(MegaByte): %f\n", rate / (1 << 20));
    LOGE("transmission per sec(MegaBps): %f\n", rate / 1000000);
    return rate;
}

double StreamWrapper::getAudioTransmission() {
    double rate = mLive.per_second(TLS_AUDIO_FRAMES_SENT);
    LOGE("audio frame per sec : %f fps\n", rate);
    return rate;
}

double StreamWrapper::getVideoTransmission() {
    double rate = mLive.per_second(TLS_VIDEO_FRAMES_SENT);
    LOGE("video frame per sec : %f fps\n", rate);
    return rate;
}

int StreamWrapper::getAudioDropFrame() {
    int count = mLive.count(TLS_AUDIO_FRAMES_DROPPED);
    LOGE("audio drop frame : %d fps\n", count);
    return count;
}

int StreamWrapper::getVideoDropFrame() {
    int count = mLive.count(TLS_VIDEO_FRAMES_DROPPED);
    LOGE("video drop frame : %d fps\n", count);
    return count;
}
