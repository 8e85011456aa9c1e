#include "mp4_writer.h"

#include "encoder_codec.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <unistd.h>

#include <cstring>

namespace {
const char *const FRAGMENT_MICROSECONDS = "1000000";
}  // namespace

static bool copyExtradata(AVCodecParameters *par, const std::vector<uint8_t> &header) {
    par->extradata = (uint8_t *)av_mallocz(header.size() + AV_INPUT_BUFFER_PADDING_SIZE);
    if (!par->extradata)
        return false;
    memcpy(par->extradata, header.data(), header.size());
    par->extradata_size = (int)header.size();
    return true;
}

Mp4Writer::~Mp4Writer() {
    std::string ignored;
    finish(&ignored);
}

int Mp4Writer::open(const char *path, std::string *error) {
    if (context_) {
        *error = "already open";
        return -1;
    }
    if (!path || !*path) {
        *error = "no path";
        return -1;
    }
    int result = avformat_alloc_output_context2(&context_, nullptr, "mp4", path);
    if (result < 0) {
        *error = avErrorText("cannot set up the MP4 output", result);
        return -1;
    }
    result = avio_open(&context_->pb, path, AVIO_FLAG_WRITE);
    if (result < 0) {
        *error = avErrorText(("cannot create " + std::string(path)).c_str(), result);
        avformat_free_context(context_);
        context_ = nullptr;
        return -1;
    }
    packet_ = av_packet_alloc();
    path_ = path;
    return 0;
}

int Mp4Writer::start(const Mp4VideoTrack &video, const Mp4AudioTrack *audio, std::string *error) {
    if (!context_ || started_) {
        *error = context_ ? "already started" : "not open";
        return -1;
    }
    if (video.width <= 0 || video.height <= 0 || video.fps <= 0 || video.header.empty()) {
        *error = "video track needs a size, a frame rate and its header";
        return -1;
    }
    if (audio && (audio->sample_rate <= 0 || audio->channels <= 0 || audio->header.empty())) {
        *error = "audio track needs a rate, channels and its header";
        return -1;
    }
    video_ = Track();
    audio_ = Track();
    video_.stream = avformat_new_stream(context_, nullptr);
    if (!video_.stream) {
        *error = "out of memory";
        return -1;
    }
    AVCodecParameters *par = video_.stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_H264;
    par->width = video.width;
    par->height = video.height;
    if (!copyExtradata(par, video.header)) {
        *error = "out of memory";
        return -1;
    }
    video_.stream->time_base = AVRational{1, 90000};
    video_.stream->avg_frame_rate = AVRational{video.fps, 1};
    video_.frame_us = 1000000 / video.fps;
    if (audio) {
        audio_.stream = avformat_new_stream(context_, nullptr);
        if (!audio_.stream) {
            *error = "out of memory";
            return -1;
        }
        par = audio_.stream->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = AV_CODEC_ID_AAC;
        par->sample_rate = audio->sample_rate;
        av_channel_layout_default(&par->ch_layout, audio->channels);
        par->frame_size = 1024;
        if (!copyExtradata(par, audio->header)) {
            *error = "out of memory";
            return -1;
        }
        audio_.stream->time_base = AVRational{1, audio->sample_rate};
        audio_.frame_us = 1024 * 1000000LL / audio->sample_rate;
    }
    // Fragmented MP4: the track header is written now and the units follow in fragments of
    // about a second, each on disk once complete, so a recording cut off by a crash stays
    // playable up to its last fragment. The trailer still indexes the whole file.
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "empty_moov+delay_moov+default_base_moof", 0);
    av_dict_set(&options, "frag_duration", FRAGMENT_MICROSECONDS, 0);
    av_dict_set(&options, "flush_packets", "1", 0);
    int result = avformat_write_header(context_, &options);
    av_dict_free(&options);
    if (result < 0) {
        *error = avErrorText("cannot write the MP4 header", result);
        return -1;
    }
    started_ = true;
    return 0;
}

int Mp4Writer::write(const MediaPacket &unit, std::string *error) {
    if (!started_) {
        *error = "not started";
        return -1;
    }
    Track *track = unit.type == MEDIA_PACKET_VIDEO   ? &video_
                   : unit.type == MEDIA_PACKET_AUDIO ? &audio_
                                                     : nullptr;
    if (!track || !track->stream) {
        *error = "no track for this unit";
        return -1;
    }
    if (!unit.data || unit.size <= 0) {
        *error = "empty unit";
        return -1;
    }
    if (unit.dts_us <= track->last_dts_us || unit.pts_us < unit.dts_us) {
        *error = "unit time goes backwards";
        return -1;
    }
    track->last_dts_us = unit.dts_us;
    AVRational us = {1, 1000000};
    AVRational tb = track->stream->time_base;
    av_packet_unref(packet_);
    // The muxer keeps a reference to the data until it is written; give it its own copy.
    if (av_new_packet(packet_, unit.size) < 0) {
        *error = "out of memory";
        return -1;
    }
    memcpy(packet_->data, unit.data, unit.size);
    packet_->stream_index = track->stream->index;
    packet_->pts = av_rescale_q(unit.pts_us, us, tb);
    packet_->dts = av_rescale_q(unit.dts_us, us, tb);
    packet_->duration = av_rescale_q(track->frame_us, us, tb);
    if (unit.is_key || unit.type == MEDIA_PACKET_AUDIO)
        packet_->flags |= AV_PKT_FLAG_KEY;
    int result = av_interleaved_write_frame(context_, packet_);
    if (result < 0) {
        *error = avErrorText("cannot write a unit", result);
        return -1;
    }
    return 0;
}

int Mp4Writer::finish(std::string *error) {
    if (!context_)
        return 0;
    int status = 0;
    if (started_) {
        int result = av_write_trailer(context_);
        if (result < 0) {
            *error = avErrorText("cannot write the MP4 trailer", result);
            status = -1;
        }
    }
    bool remove = !started_;
    avio_closep(&context_->pb);
    discard();
    if (remove)
        unlink(path_.c_str());
    return status;
}

void Mp4Writer::discard() {
    avformat_free_context(context_);
    context_ = nullptr;
    av_packet_free(&packet_);
    started_ = false;
    video_ = Track();
    audio_ = Track();
}
