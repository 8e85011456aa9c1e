#include "replay_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

typedef std::vector<std::pair<size_t, size_t>> FrameIndex;

std::string size_text(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

bool is_frame_header(uint8_t marker) {
    // SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
}

// Offset of the first 0xff in [i, end) that is followed by a byte other than 0x00, or end; the
// byte at end is readable. Sixteen bytes at a time: whole recorded files are scanned when
// opened, a detailed picture has a stuffed 0xff 0x00 pair in about every 35 bytes, and a byte
// loop (or a memchr call per 0xff) cost several percent of the preview's CPU per frame.
size_t next_marker_candidate(const uint8_t *p, size_t i, size_t end) {
    typedef uint8_t Bytes16 __attribute__((vector_size(16)));
    for (; i + 16 <= end; i += 16) {
        Bytes16 here, next;
        memcpy(&here, p + i, sizeof(here));
        memcpy(&next, p + i + 1, sizeof(next));
        const auto hits = (here == 0xff) & (next != 0);
        uint64_t halves[2];
        memcpy(halves, &hits, sizeof(halves));
        if (halves[0] | halves[1])
            break;
    }
    while (i < end && !(p[i] == 0xff && p[i + 1] != 0))
        ++i;
    return i;
}

// Scans entropy-coded data from `i` to the next marker that is neither a restart marker nor a
// stuffed byte; returns its offset, or n when the data runs to the end.
size_t skip_entropy_data(const uint8_t *p, size_t n, size_t i) {
    for (; i + 1 < n; ++i) {
        i = next_marker_candidate(p, i, n - 1);
        if (i + 1 >= n)
            return n;
        uint8_t next = p[i + 1];
        if (next != 0xff && !(next >= 0xd0 && next <= 0xd7))
            return i;
    }
    return n;
}

// Concatenated JPEGs, each of the replay size, back to back.
bool index_mjpeg(const uint8_t *p, size_t n, FrameSize size, FrameIndex *frames,
                 std::string *error) {
    size_t i = 0;
    while (i < n) {
        const std::string which = "frame " + std::to_string(frames->size() + 1);
        if (i + 1 >= n || p[i] != 0xff || p[i + 1] != 0xd8) {
            *error =
                which + " does not start with a JPEG start marker (byte " + std::to_string(i) + ")";
            return false;
        }
        const size_t start = i;
        int width = 0, height = 0;
        bool ended = false;
        i += 2;
        while (!ended) {
            if (i + 1 < n && p[i] == 0xff && p[i + 1] == 0xff) {
                ++i;  // fill byte
                continue;
            }
            if (i + 1 >= n || p[i] != 0xff) {
                *error = which + " is truncated or damaged (byte " + std::to_string(i) + ")";
                return false;
            }
            const uint8_t marker = p[i + 1];
            if (marker == 0xd9) {
                i += 2;
                ended = true;
                continue;
            }
            const size_t length = i + 4 <= n ? (size_t)p[i + 2] << 8 | p[i + 3] : 0;
            if (length < 2 || i + 2 + length > n) {
                *error = which + " is truncated or damaged (byte " + std::to_string(i) + ")";
                return false;
            }
            if (is_frame_header(marker) && length >= 7) {
                height = p[i + 5] << 8 | p[i + 6];
                width = p[i + 7] << 8 | p[i + 8];
            }
            i += 2 + length;
            if (marker == 0xda)
                i = skip_entropy_data(p, n, i);
        }
        if (width != size.width || height != size.height) {
            *error = which + " is " + size_text(width, height) + ", not " +
                     size_text(size.width, size.height);
            return false;
        }
        frames->push_back({start, i - start});
    }
    return true;
}

bool index_yuyv(size_t n, FrameSize size, FrameIndex *frames, std::string *error) {
    const size_t frame_bytes = (size_t)size.width * size.height * 2;
    if (n % frame_bytes != 0) {
        *error = std::to_string(n) + " bytes are no whole number of " +
                 size_text(size.width, size.height) + " YUYV frames (" +
                 std::to_string(frame_bytes) + " bytes each)";
        return false;
    }
    for (size_t offset = 0; offset < n; offset += frame_bytes)
        frames->push_back({offset, frame_bytes});
    return true;
}

// An Annex B stream split into access units by libavcodec's H.264 parser, which also reads
// the picture size from the sequence parameter sets.
bool index_h264(const uint8_t *p, size_t n, FrameSize size, FrameIndex *frames,
                std::string *error) {
    AVCodecParserContext *parser = av_parser_init(AV_CODEC_ID_H264);
    AVCodecContext *codec = avcodec_alloc_context3(nullptr);
    bool ok = parser && codec;
    bool sized = false;
    size_t consumed = 0, offset = 0;
    while (ok) {
        const bool flushing = consumed == n;
        const int chunk = (int)std::min<size_t>(n - consumed, 1 << 20);
        uint8_t *unit = nullptr;
        int unit_bytes = 0;
        consumed +=
            av_parser_parse2(parser, codec, &unit, &unit_bytes, flushing ? nullptr : p + consumed,
                             flushing ? 0 : chunk, AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (unit_bytes > 0) {
            // The parser hands back the file's own bytes, unit after unit.
            if (offset + unit_bytes > n || memcmp(unit, p + offset, unit_bytes) != 0) {
                *error = "the stream cannot be split into access units";
                ok = false;
                break;
            }
            if (parser->width > 0) {
                if (parser->width != size.width || parser->height != size.height) {
                    *error = "access unit " + std::to_string(frames->size() + 1) + " is " +
                             size_text(parser->width, parser->height) + ", not " +
                             size_text(size.width, size.height);
                    ok = false;
                    break;
                }
                sized = true;
            }
            frames->push_back({offset, (size_t)unit_bytes});
            offset += unit_bytes;
        } else if (flushing) {
            break;
        }
    }
    if (ok && (!sized || offset != n)) {
        *error = "no H.264 pictures with a sequence parameter set found";
        ok = false;
    }
    avcodec_free_context(&codec);
    if (parser)
        av_parser_close(parser);
    return ok;
}

}  // namespace

ReplayFile::~ReplayFile() {
    if (map_)
        munmap(map_, size_);
}

bool ReplayFile::open(const ReplaySource &source, std::string *error) {
    const std::string name = "replay file `" + source.path + "`: ";
    int fd = ::open(source.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = name + (fd < 0 ? strerror(errno) : "not a regular file");
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    size_ = (size_t)info.st_size;
    if (size_ > 0) {
        map_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map_ == MAP_FAILED)
            map_ = nullptr;
    }
    ::close(fd);
    if (!map_) {
        *error = name + (size_ == 0 ? "empty" : "cannot be mapped");
        return false;
    }
    const uint8_t *bytes = static_cast<const uint8_t *>(map_);
    std::string fault;
    bool indexed = source.format == 9   ? index_mjpeg(bytes, size_, source.size, &frames_, &fault)
                   : source.format == 3 ? index_yuyv(size_, source.size, &frames_, &fault)
                                        : index_h264(bytes, size_, source.size, &frames_, &fault);
    if (!indexed) {
        *error = name + fault;
        frames_.clear();
        return false;
    }
    return true;
}

const uint8_t *ReplayFile::frame(size_t index, size_t *bytes) const {
    *bytes = frames_[index].second;
    return static_cast<const uint8_t *>(map_) + frames_[index].first;
}

size_t ReplayFile::largest_frame() const {
    size_t largest = 0;
    for (const auto &frame : frames_)
        largest = std::max(largest, frame.second);
    return largest;
}
