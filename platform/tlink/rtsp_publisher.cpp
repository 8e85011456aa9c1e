// RTSP publishing over one TCP connection: OPTIONS when connecting; ANNOUNCE (SDP), SETUP per
// stream with interleaved channels and RECORD once the codec headers are known; then RTP
// packets from libavformat's RTP muxer, each framed as '$', channel, 16-bit length.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "av_units.h"
#include "host_lookup.h"
#include "publisher.h"
#include "rtsp_messages.h"
#include "tcp_connection.h"
#include "tlink.h"
#include "tlink_log.h"

namespace {

constexpr int kRtpPacketSize = 1472;
constexpr int kReplyTimeoutMs = 5000;
constexpr int kTeardownTimeoutMs = 1000;
constexpr int kDynamicPayloadType = 96;

class RtspPublisher;

// One announced stream: its RTP muxer writes into the connection through `io`.
struct Track {
    RtspPublisher *owner = nullptr;
    int channel = 0;  // RTP channel; RTCP uses the next one
    AVFormatContext *ctx = nullptr;
    StreamClock clock;
    bool open = false;  // header written, trailer not yet
};

class RtspPublisher : public Publisher {
  public:
    RtspPublisher(const StreamUrl &url, const std::atomic<bool> *abort)
        : url_(url), uri_(url.canonical()), abort_(abort), connection_(abort) {}
    ~RtspPublisher() override { close(); }

    SendStatus connect() override {
        std::vector<HostAddress> addresses;
        SendStatus status =
            look_up_host(url_.host, url_.port, abort_, TL_ERROR_SOCKET_WRITE, &addresses);
        if (status.code == 0)
            status = connection_.connect(addresses);
        if (status.code)
            return status;
        RtspReply reply;
        status = exchange("OPTIONS", uri_, "", "", &reply);
        if (status.code == 0)
            TLINK_LOGI("rtsp server at %s answers", uri_.c_str());
        return status;
    }

    SendStatus start(const StreamHeaders &headers) override {
        const StreamHeader *parts[2] = {&headers.video, &headers.audio};
        const int types[2] = {MEDIA_PACKET_VIDEO, MEDIA_PACKET_AUDIO};
        std::string sdp;
        SendStatus status = describe(parts, types, &sdp);
        if (status.code)
            return status;
        RtspReply reply;
        status = exchange("ANNOUNCE", uri_, "Content-Type: application/sdp\r\n", sdp, &reply);
        int stream_index = 0;
        for (int i = 0; i < 2 && status.code == 0; i++) {
            if (!parts[i]->present)
                continue;
            Track &track = tracks_[i];
            track.owner = this;
            track.channel = stream_index * 2;
            std::string transport =
                "Transport: RTP/AVP/TCP;unicast;interleaved=" + std::to_string(track.channel) +
                "-" + std::to_string(track.channel + 1) + ";mode=record\r\n";
            status = exchange("SETUP", uri_ + "/streamid=" + std::to_string(stream_index),
                              transport, "", &reply);
            if (status.code == 0 && session_.empty())
                session_ = reply.session;
            if (status.code == 0)
                status = open_muxer(&track, types[i], *parts[i], stream_index);
            stream_index++;
        }
        if (status.code == 0)
            status = exchange("RECORD", uri_, "Range: npt=0.000-\r\n", "", &reply);
        return status;
    }

    SendStatus send(int type, const EncodedUnit &unit, int64_t pts_us, int64_t dts_us,
                    bool *dropped) override {
        Track &track = tracks_[type == MEDIA_PACKET_VIDEO ? 0 : 1];
        *dropped = false;
        if (!track.ctx) {
            *dropped = true;
            return {};
        }
        SendStatus status = discard_incoming();
        if (status.code)
            return status;
        int ret = write_unit(track.ctx, 0, unit, pts_us, dts_us, &track.clock);
        if (ret < 0)
            return write_failure(ret);
        *dropped = ret == 1;
        return {};
    }

    SendStatus finish() override {
        for (Track &track : tracks_) {
            int ret = end_muxer(&track);
            if (ret < 0)
                return write_failure(ret);
        }
        if (!connection_.is_open())
            return {};
        SendStatus status = send_request("TEARDOWN", uri_, "", "");
        if (status.code)
            return status;
        // The server's answer is only waited for briefly: the stream has ended either way.
        RtspReply reply;
        read_reply(kTeardownTimeoutMs, &reply);
        return {};
    }

    void close() override {
        for (Track &track : tracks_) {
            if (!track.ctx)
                continue;
            // The RTP muxer frees its packet buffer only in its trailer.
            end_muxer(&track);
            if (track.ctx->pb) {
                av_freep(&track.ctx->pb->buffer);
                avio_context_free(&track.ctx->pb);
            }
            avformat_free_context(track.ctx);
            track.ctx = nullptr;
        }
        connection_.close();
    }

    uint64_t bytes_sent() const override { return connection_.bytes_sent(); }

    // RTP muxer output: one RTP or RTCP packet per call.
    static int write_packet(void *opaque, uint8_t *data, int size) {
        Track *track = static_cast<Track *>(opaque);
        RtspPublisher *self = track->owner;
        // RTCP packet types 192-195 and 200-204 share the second byte with RTP's marker and
        // payload type; they go on the stream's second channel.
        int kind = size >= 2 ? data[1] : 0;
        bool rtcp = (kind >= 192 && kind <= 195) || (kind >= 200 && kind <= 204);
        uint8_t *frame = self->frame_;
        frame[0] = '$';
        frame[1] = static_cast<uint8_t>(track->channel + (rtcp ? 1 : 0));
        frame[2] = static_cast<uint8_t>(size >> 8);
        frame[3] = static_cast<uint8_t>(size & 0xff);
        memcpy(frame + 4, data, size);
        SendStatus status = self->connection_.send_all(frame, size + 4);
        if (status.code) {
            self->write_status_ = status;
            return AVERROR(status.err ? status.err : EIO);
        }
        return size;
    }

  private:
    // Session description of the announced streams, built by libavformat.
    SendStatus describe(const StreamHeader *const parts[2], const int types[2], std::string *sdp) {
        AVFormatContext *description = avformat_alloc_context();
        if (!description)
            return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
        // Only the host goes in: without a port the description names its streams by control
        // attribute ("streamid=N"), the form SETUP refers to.
        description->url = av_strdup(("rtsp://" + url_.host).c_str());
        int ret = 0;
        for (int i = 0; i < 2 && ret >= 0; i++) {
            if (!parts[i]->present)
                continue;
            AVStream *stream = avformat_new_stream(description, nullptr);
            ret = stream ? fill_codec_parameters(stream->codecpar, types[i], *parts[i])
                         : AVERROR(ENOMEM);
        }
        char text[4096];
        if (ret >= 0)
            ret = av_sdp_create(&description, 1, text, sizeof(text));
        avformat_free_context(description);
        if (ret < 0)
            return {TL_ERROR_INVALID_PARAMETER, EINVAL};
        *sdp = text;
        return {};
    }

    SendStatus open_muxer(Track *track, int type, const StreamHeader &header, int stream_index) {
        if (avformat_alloc_output_context2(&track->ctx, nullptr, "rtp", nullptr) < 0)
            return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
        uint8_t *buffer = static_cast<uint8_t *>(av_malloc(kRtpPacketSize));
        AVIOContext *io = buffer ? avio_alloc_context(buffer, kRtpPacketSize, 1, track, nullptr,
                                                      write_packet, nullptr)
                                 : nullptr;
        if (!io) {
            av_free(buffer);
            return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
        }
        io->max_packet_size = kRtpPacketSize;
        track->ctx->pb = io;
        AVStream *stream = avformat_new_stream(track->ctx, nullptr);
        if (!stream || fill_codec_parameters(stream->codecpar, type, header) < 0)
            return {TL_ERROR_INSUFFICIENT_MEMORY, ENOMEM};
        // The payload type the session description gave this stream.
        stream->id = kDynamicPayloadType + stream_index;
        int ret = avformat_write_header(track->ctx, nullptr);
        if (ret < 0)
            return write_failure(ret);
        track->open = true;
        return {};
    }

    int end_muxer(Track *track) {
        if (!track->open)
            return 0;
        track->open = false;
        return av_write_trailer(track->ctx);
    }

    SendStatus write_failure(int averror) {
        if (write_status_.code)
            return write_status_;
        return status_from_averror(averror, TL_ERROR_SOCKET_WRITE);
    }

    SendStatus send_request(const char *method, const std::string &uri, const std::string &headers,
                            const std::string &body) {
        std::string request = rtsp_request(method, uri, ++cseq_, session_, headers, body);
        return connection_.send_all(request.data(), request.size());
    }

    // Sends a request and reads its reply; anything but 200 is a refusal.
    SendStatus exchange(const char *method, const std::string &uri, const std::string &headers,
                        const std::string &body, RtspReply *reply) {
        SendStatus status = send_request(method, uri, headers, body);
        if (status.code)
            return status;
        status = read_reply(kReplyTimeoutMs, reply);
        if (status.code)
            return status;
        if (reply->status != 200) {
            TLINK_LOGE("rtsp %s %s refused: %d", method, uri.c_str(), reply->status);
            return {TL_ERROR_SOCKET_READ, EPROTO};
        }
        return {};
    }

    SendStatus read_reply(int timeout_ms, RtspReply *reply) {
        for (;;) {
            size_t consumed = 0;
            bool malformed = false;
            if (parse_rtsp_reply(inbox_, reply, &consumed, &malformed)) {
                size_t body = std::min(reply->content_length, inbox_.size() - consumed);
                inbox_.erase(0, consumed + body);
                return {};
            }
            if (malformed)
                return {TL_ERROR_SOCKET_READ, EPROTO};
            char chunk[2048];
            size_t got = 0;
            SendStatus status = connection_.receive(chunk, sizeof(chunk), timeout_ms, &got);
            if (status.code)
                return status;
            if (got == 0)
                return {TL_ERROR_SOCKET_READ, ETIMEDOUT};
            inbox_.append(chunk, got);
        }
    }

    // Receiver reports and the like are not needed; reading them keeps the connection flowing
    // and shows at once when the server has gone.
    SendStatus discard_incoming() {
        char chunk[2048];
        size_t got = 0;
        do {
            SendStatus status = connection_.receive(chunk, sizeof(chunk), 0, &got);
            if (status.code)
                return status;
        } while (got > 0);
        return {};
    }

    const StreamUrl url_;
    const std::string uri_;
    const std::atomic<bool> *abort_;
    TcpConnection connection_;
    int cseq_ = 0;
    std::string session_;
    std::string inbox_;  // received bytes not yet parsed
    Track tracks_[2];    // video, audio
    SendStatus write_status_;
    uint8_t frame_[kRtpPacketSize + 4];
};

}  // namespace

std::unique_ptr<Publisher> make_rtsp_publisher(const StreamUrl &url,
                                               const std::atomic<bool> *abort) {
    return std::make_unique<RtspPublisher>(url, abort);
}
