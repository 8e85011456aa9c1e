// RTMP: libavformat's RTMP protocol carries an FLV stream. The connect step ends when the
// server has accepted the publish.
#include <cerrno>

#include "av_units.h"
#include "host_lookup.h"
#include "publisher.h"
#include "tlink.h"
#include "tlink_log.h"

namespace {

// Which step of the RTMP sequence an open failure points at, as far as the error tells.
SendStatus connect_failure(int averror) {
    switch (averror) {
        case AVERROR(ECONNREFUSED):
        case AVERROR(ETIMEDOUT):
        case AVERROR(EHOSTUNREACH):
        case AVERROR(ENETUNREACH):
        case AVERROR(EADDRNOTAVAIL):
            // No connection: the handshake never started.
            return {TL_ERROR_RTMP_HANDSHAKE, -averror};
        case AVERROR(EIO):
            // Host name not resolved.
            return {TL_ERROR_RTMP_HANDSHAKE, EHOSTUNREACH};
        case AVERROR_EOF:
        case AVERROR(ECONNRESET):
        case AVERROR(EPIPE):
            // The server hung up during the connect / publish exchange.
            return {TL_ERROR_SOCKET_READ, averror == AVERROR_EOF ? ECONNRESET : -averror};
        case AVERROR_EXIT:
            return {TL_ERROR_PENDING, EINTR};
        default:
            // The server answered with an error status: it refused the stream.
            return {TL_ERROR_RTMP_PUBLISH_STREAM, EPROTO};
    }
}

class RtmpPublisher : public Publisher {
  public:
    RtmpPublisher(const StreamUrl &url, const std::atomic<bool> *abort)
        : url_(url), name_(url.canonical()), abort_(abort) {}
    ~RtmpPublisher() override { close(); }

    SendStatus connect() override {
        std::vector<HostAddress> addresses;
        SendStatus status =
            look_up_host(url_.host, url_.port, abort_, TL_ERROR_RTMP_HANDSHAKE, &addresses);
        if (status.code == TL_ERROR_RTMP_HANDSHAKE)
            TLINK_LOGE("rtmp connect %s failed: %s", name_.c_str(), "host name lookup failed");
        if (status.code)
            return status;
        for (const HostAddress &address : addresses) {
            status = open_at(address);
            // Only a connection that was never made is tried at the next address.
            if (status.code != TL_ERROR_RTMP_HANDSHAKE)
                break;
        }
        if (status.code == 0)
            TLINK_LOGI("rtmp publishing to %s", name_.c_str());
        return status;
    }

    SendStatus start(const StreamHeaders &headers) override {
        int ret = avformat_alloc_output_context2(&ctx_, nullptr, "flv", nullptr);
        if (ret < 0)
            return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
        ctx_->pb = io_;
        ctx_->flags |= AVFMT_FLAG_FLUSH_PACKETS;
        ctx_->flush_packets = 1;
        ctx_->interrupt_callback = {abort_requested, const_cast<std::atomic<bool> *>(abort_)};
        const StreamHeader *parts[2] = {&headers.video, &headers.audio};
        const int types[2] = {MEDIA_PACKET_VIDEO, MEDIA_PACKET_AUDIO};
        for (int i = 0; i < 2; i++) {
            index_[i] = -1;
            if (!parts[i]->present)
                continue;
            AVStream *stream = avformat_new_stream(ctx_, nullptr);
            if (!stream)
                return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
            stream->time_base = {1, 1000};
            ret = fill_codec_parameters(stream->codecpar, types[i], *parts[i]);
            if (ret < 0)
                return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
            index_[i] = stream->index;
            clock_[i] = StreamClock();
        }
        AVDictionary *options = nullptr;
        // The peer cannot seek back to patch duration and size into the header.
        av_dict_set(&options, "flvflags", "no_duration_filesize", 0);
        ret = avformat_write_header(ctx_, &options);
        av_dict_free(&options);
        if (ret < 0)
            return status_from_averror(ret, TL_ERROR_SOCKET_WRITE);
        return {};
    }

    SendStatus send(int type, const EncodedUnit &unit, int64_t pts_us, int64_t dts_us,
                    bool *dropped) override {
        int slot = type == MEDIA_PACKET_VIDEO ? 0 : 1;
        *dropped = false;
        if (!ctx_ || index_[slot] < 0) {
            *dropped = true;
            return {};
        }
        int ret = write_unit(ctx_, index_[slot], unit, pts_us, dts_us, &clock_[slot]);
        if (ret < 0)
            return status_from_averror(ret, TL_ERROR_SOCKET_WRITE);
        *dropped = ret == 1;
        return {};
    }

    SendStatus finish() override {
        if (!ctx_)
            return {};
        int ret = av_write_trailer(ctx_);
        if (ret < 0)
            return status_from_averror(ret, TL_ERROR_SOCKET_WRITE);
        return {};
    }

    void close() override {
        if (io_) {
            bytes_ = static_cast<uint64_t>(avio_tell(io_));
            avio_closep(&io_);
        }
        if (ctx_) {
            ctx_->pb = nullptr;
            avformat_free_context(ctx_);
            ctx_ = nullptr;
        }
    }

    uint64_t bytes_sent() const override {
        return io_ ? static_cast<uint64_t>(avio_tell(io_)) : bytes_;
    }

  private:
    // FFmpeg is given the address instead of the name, so that it does not look the name up a
    // second time where no cancel reaches; the server is still told the name (tcUrl).
    SendStatus open_at(const HostAddress &address) {
        StreamUrl target = url_;
        target.host = address.numeric();
        AVIOInterruptCB interrupt = {abort_requested, const_cast<std::atomic<bool> *>(abort_)};
        AVDictionary *options = nullptr;
        av_dict_set(&options, "rw_timeout", "10000000", 0);
        av_dict_set(&options, "rtmp_tcurl", rtmp_tc_url(url_).c_str(), 0);
        int ret =
            avio_open2(&io_, target.canonical().c_str(), AVIO_FLAG_WRITE, &interrupt, &options);
        av_dict_free(&options);
        if (ret < 0) {
            char text[AV_ERROR_MAX_STRING_SIZE];
            TLINK_LOGE("rtmp connect %s failed: %s", name_.c_str(),
                       av_make_error_string(text, sizeof(text), ret));
            io_ = nullptr;
            return connect_failure(ret);
        }
        return {};
    }

    const StreamUrl url_;
    const std::string name_;  // the URL as the caller gave it, for the log
    const std::atomic<bool> *abort_;
    AVIOContext *io_ = nullptr;
    AVFormatContext *ctx_ = nullptr;
    int index_[2] = {-1, -1};  // stream index of video, audio
    StreamClock clock_[2];
    uint64_t bytes_ = 0;  // bytes sent, kept once the connection is closed
};

}  // namespace

std::unique_ptr<Publisher> make_rtmp_publisher(const StreamUrl &url,
                                               const std::atomic<bool> *abort) {
    return std::make_unique<RtmpPublisher>(url, abort);
}
