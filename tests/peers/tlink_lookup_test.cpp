// Host names: a lookup that does not answer holds up neither the start's wait nor a cancel or
// release, and its late answer touches nothing of the context; a name that is answered connects
// and publishes, and an RTMP server is told the name, not the address it was reached at.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "loopback_peer.h"
#include "tlink_test.h"
#include "tlink_test_support.h"
#include "wait_until.h"

namespace {

std::string url_at(int mode, const std::string &host, int port) {
    std::string base = "://" + host + ":" + std::to_string(port) + "/live";
    return mode == TLINK_MODE_RTMP ? "rtmp" + base + "/test" : "rtsp" + base;
}

// Name lookups are held from the start of each test; whatever the test leaves held is let go.
class HangingLookupTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override { TlinkTestHoldLookups(1); }
    void TearDown() override { TlinkTestHoldLookups(0); }
    std::string url() const { return url_at(GetParam(), "localhost", closed_port()); }
};

// The engine's sequence after a start that did not connect in time.
TEST_P(HangingLookupTest, WaitCancelAndStopReturnPromptlyAndTheLateAnswerIsDropped) {
    int threads = count_threads(), descriptors = count_open_descriptors();
    void *context = nullptr;
    EXPECT_TRUE(returns_within(
        [&] {
            ASSERT_EQ(TlinkAsyncStart(GetParam(), url().c_str(), &context), 0);
            EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 1000), TL_ERROR_WAIT_TIMEOUT);
        },
        3000));
    ASSERT_TRUE(wait_until([] { return TlinkTestGetLookupsRunning() == 1; }, 1000));

    EXPECT_TRUE(returns_within(
        [&] {
            EXPECT_EQ(TlinkSetCallbackRuntimeError(&context, nullptr, nullptr), 0);
            EXPECT_EQ(TlinkAsyncStop(&context), TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED);
            EXPECT_EQ(TlinkCancelAsyncJob(&context), 0);
            EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, -1), TL_ERROR_PENDING);
        },
        1000));
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 0), TL_ERROR_INVALID_OBJECT);
    // The context is gone while its lookup still hangs.
    EXPECT_EQ(TlinkTestGetLookupsRunning(), 1);

    TlinkTestHoldLookups(0);
    EXPECT_TRUE(wait_until([] { return TlinkTestGetLookupsRunning() == 0; }, 2000));
    EXPECT_EQ(settled_thread_count(threads), threads);
    EXPECT_EQ(count_open_descriptors(), descriptors);
}

// A new start on the slot releases the context it named, and so does the last wait of the
// context's own failed connect: neither waits for the lookup.
TEST_P(HangingLookupTest, ReleasingThePendingContextDoesNotWaitForTheLookup) {
    void *context = nullptr;
    ASSERT_EQ(TlinkAsyncStart(GetParam(), url().c_str(), &context), 0);
    void *first = context;
    ASSERT_TRUE(wait_until([] { return TlinkTestGetLookupsRunning() == 1; }, 1000));
    const std::string numeric = url_at(GetParam(), "127.0.0.1", closed_port());
    EXPECT_TRUE(returns_within(
        [&] { ASSERT_EQ(TlinkAsyncStart(GetParam(), numeric.c_str(), &context), 0); }, 1000));
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&first, 0), TL_ERROR_INVALID_OBJECT);
    // A numeric host is not looked up: the second context connects (and is refused) at once.
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000),
              GetParam() == TLINK_MODE_RTMP ? TL_ERROR_RTMP_HANDSHAKE : TL_ERROR_SOCKET_WRITE);
    EXPECT_EQ(TlinkTestGetLookupsRunning(), 1);
    TlinkTestHoldLookups(0);
    EXPECT_TRUE(wait_until([] { return TlinkTestGetLookupsRunning() == 0; }, 2000));
}

// A lookup answered while the start is still being waited for lets the connect go on.
TEST_P(HangingLookupTest, AnAnswerDuringTheWaitConnectsAndPublishesByName) {
    TestStreamFormat format;
    format.width = 160;
    format.height = 120;
    const std::vector<TestUnit> units = encode_test_stream(format, 1.0);
    ASSERT_FALSE(units.empty());
    LoopbackPeer peer(peer_kind(GetParam()));
    ASSERT_TRUE(peer.running());
    const std::string url = url_at(GetParam(), "localhost", peer.port());
    void *context = nullptr;
    ASSERT_EQ(TlinkAsyncStart(GetParam(), url.c_str(), &context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 200), TL_ERROR_WAIT_TIMEOUT);
    TlinkTestHoldLookups(0);
    ASSERT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), 0);
    EXPECT_STREQ(TlinkGetUrl(&context), url.c_str());
    EXPECT_EQ(push_paced(context, units),
              count_frames(units, MEDIA_PACKET_VIDEO) + count_frames(units, MEDIA_PACKET_AUDIO));
    ASSERT_EQ(TlinkAsyncStop(&context), 0);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 5000), 0);
    peer.stop();
    EXPECT_GT(video_packets(peer.recording()), count_frames(units, MEDIA_PACKET_VIDEO) / 2);
}

INSTANTIATE_TEST_SUITE_P(BothProtocols, HangingLookupTest,
                         ::testing::Values(TLINK_MODE_RTMP, TLINK_MODE_RTSP), protocol_name);

// Takes one RTMP client on 127.0.0.1, answers its handshake as a version-0 server (which a
// publishing client does not check) and reads the tcUrl of the connect command that follows.
class RtmpConnectReader {
  public:
    RtmpConnectReader() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
            listen(fd_, 1) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread(&RtmpConnectReader::serve, this);
    }
    ~RtmpConnectReader() {
        if (thread_.joinable())
            thread_.join();
        if (fd_ >= 0)
            close(fd_);
    }
    int port() const { return port_; }
    // Empty when no connect command came within the guard time.
    std::string tc_url() {
        if (thread_.joinable())
            thread_.join();
        return tc_url_;
    }

  private:
    static constexpr size_t kHandshake = 1536;
    static constexpr size_t kChunk = 128;  // the chunk size before either side changes it

    void serve() {
        const int guard_ms = static_cast<int>(10000 * test_time_scale());
        pollfd entry = {fd_, POLLIN, 0};
        if (poll(&entry, 1, guard_ms) != 1)
            return;
        client_ = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client_ < 0)
            return;
        timeval timeout = {guard_ms / 1000, 0};
        setsockopt(client_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        std::string hello = read(1 + kHandshake);
        if (hello.size() == 1 + kHandshake) {
            std::string reply(1 + kHandshake, '\0');
            reply[0] = 3;
            reply += hello.substr(1);
            send(client_, reply.data(), reply.size(), MSG_NOSIGNAL);
            read(kHandshake);
            tc_url_ = tc_url_of(connect_command());
        }
        close(client_);
    }

    std::string read(size_t size) {
        std::string data(size, '\0');
        size_t got = 0;
        while (got < size) {
            ssize_t n = recv(client_, &data[got], size - got, 0);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        data.resize(got);
        return data;
    }

    // The body of the first message, taken out of its 128-byte chunks.
    std::string connect_command() {
        std::string header = read(12);
        if (header.size() != 12 || (static_cast<uint8_t>(header[0]) >> 6) != 0)
            return std::string();
        size_t length = static_cast<uint8_t>(header[4]) << 16 |
                        static_cast<uint8_t>(header[5]) << 8 | static_cast<uint8_t>(header[6]);
        std::string body;
        while (body.size() < length) {
            if (!body.empty() && read(1).size() != 1)
                break;
            std::string part = read(std::min(kChunk, length - body.size()));
            if (part.empty())
                break;
            body += part;
        }
        return body;
    }

    // The AMF string after the "tcUrl" key.
    static std::string tc_url_of(const std::string &body) {
        size_t key = body.find("tcUrl");
        if (key == std::string::npos || key + 8 > body.size() || body[key + 5] != 2)
            return std::string();
        size_t length =
            static_cast<uint8_t>(body[key + 6]) << 8 | static_cast<uint8_t>(body[key + 7]);
        return body.substr(key + 8, length);
    }

    int fd_ = -1;
    int port_ = 0;
    int client_ = -1;
    std::thread thread_;  // started by the constructor, joined by tc_url() or the destructor
    std::string tc_url_;  // written by the thread before it ends
};

TEST(RtmpLookup, TheServerIsToldTheHostNameItWasGiven) {
    RtmpConnectReader server;
    ASSERT_GT(server.port(), 0);
    const std::string url = url_at(TLINK_MODE_RTMP, "localhost", server.port());
    void *context = nullptr;
    ASSERT_EQ(TlinkAsyncStart(TLINK_MODE_RTMP, url.c_str(), &context), 0);
    EXPECT_EQ(server.tc_url(), "rtmp://localhost:" + std::to_string(server.port()) + "/live");
    // The reader hung up after the connect command: the connect failed and ended the context.
    int result = TlinkWaitAsyncJobCompletion(&context, 5000);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, TL_ERROR_WAIT_TIMEOUT);
    EXPECT_EQ(TlinkWaitAsyncJobCompletion(&context, 0), TL_ERROR_INVALID_OBJECT);
}

}  // namespace
