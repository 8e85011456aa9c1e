// MJPEG frames spliced from pre-encoded pieces. The two pattern variants are encoded once with
// a restart marker after every MCU, which makes each MCU's entropy-coded bytes independent of
// its neighbours; a frame is then the shared header followed, MCU row by MCU row, by each
// cell's run of MCUs taken from the variant its bit selects, and the end marker. The restart
// marker numbers depend only on the position, so the runs fit wherever they came from.
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

#include "frame_producer.h"
#include "picture_pattern.h"

namespace {

const int kQuality = 85;

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void jpeg_trap_exit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegErrorTrap *>(info->err)->jump, 1);
}

// Encodes R, G, B, X rows as a 4:2:0 baseline JPEG with a restart marker after every MCU.
bool encode_with_restarts(const uint8_t *rgbx, int width, int height, std::string *out) {
    jpeg_compress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jpeg_trap_exit;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 4;
    info.in_color_space = JCS_EXT_RGBX;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    info.restart_interval = 1;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uint8_t *>(rgbx) + (size_t)info.next_scanline * width * 4;
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    out->assign(reinterpret_cast<char *>(buffer), size);
    free(buffer);
    return true;
}

// Splits an encoded picture into its header (through the SOS segment) and the start offset of
// every MCU; starts.back() is the offset of the end marker.
bool split_mcus(const std::string &jpeg, size_t expected_mcus, size_t *header_end,
                std::vector<size_t> *starts) {
    const uint8_t *p = reinterpret_cast<const uint8_t *>(jpeg.data());
    size_t n = jpeg.size(), i = 2;
    while (i + 4 <= n && p[i] == 0xff) {
        uint8_t marker = p[i + 1];
        size_t length = (size_t)p[i + 2] << 8 | p[i + 3];
        i += 2 + length;
        if (marker == 0xda)
            break;
    }
    if (i >= n)
        return false;
    *header_end = i;
    starts->assign(1, i);
    for (; i + 1 < n; ++i) {
        if (p[i] != 0xff)
            continue;
        uint8_t marker = p[i + 1];
        if (marker >= 0xd0 && marker <= 0xd7) {
            starts->push_back(i + 2);
            ++i;
        } else if (marker == 0xd9) {
            starts->push_back(i);
            return starts->size() == expected_mcus + 1;
        }
    }
    return false;
}

class MjpegProducer : public FrameProducer {
  public:
    bool prepare(const CameraDescription &camera, int width, int height, std::string *error) {
        block_columns_ = (width + 15) / 16;
        block_rows_ = (height + 15) / 16;
        size_t mcus = (size_t)block_columns_ * block_rows_;
        std::vector<uint8_t> rgbx;
        int variants = camera.pattern == PatternKind::kCounter ? 2 : 1;
        for (int v = 0; v < variants; ++v) {
            render_pattern(camera, v, width, height, &rgbx);
            size_t header_end;
            if (!encode_with_restarts(rgbx.data(), width, height, &encoded_[v]) ||
                !split_mcus(encoded_[v], mcus, &header_end, &starts_[v])) {
                *error = "MJPEG pre-encoding failed";
                return false;
            }
            if (v == 0)
                header_ = encoded_[0].substr(0, header_end);
        }
        if (variants == 1) {
            encoded_[1] = encoded_[0];
            starts_[1] = starts_[0];
        }
        frame_.resize(encoded_[0].size() + encoded_[1].size() + 2);
        return true;
    }

    bool produce(uint32_t number, uint8_t **data, size_t *bytes) override {
        uint32_t cells = counter_cells(number);
        uint8_t *out = frame_.data();
        memcpy(out, header_.data(), header_.size());
        out += header_.size();
        for (int row = 0; row < kCounterRows; ++row) {
            int first_row, end_row;
            counter_cell_blocks(block_rows_, kCounterRows, row, &first_row, &end_row);
            for (int by = first_row; by < end_row; ++by) {
                for (int column = 0; column < kCounterColumns; ++column) {
                    int first, end;
                    counter_cell_blocks(block_columns_, kCounterColumns, column, &first, &end);
                    int v = (cells >> (row * kCounterColumns + column)) & 1;
                    size_t from = starts_[v][(size_t)by * block_columns_ + first];
                    size_t to = starts_[v][(size_t)by * block_columns_ + end];
                    memcpy(out, encoded_[v].data() + from, to - from);
                    out += to - from;
                }
            }
        }
        *out++ = 0xff;
        *out++ = 0xd9;
        *data = frame_.data();
        *bytes = out - frame_.data();
        return true;
    }

  private:
    int block_columns_ = 0;
    int block_rows_ = 0;
    std::string header_;
    std::string encoded_[2];
    std::vector<size_t> starts_[2];
    std::vector<uint8_t> frame_;  // the frame handed out; room for any mix of the variants
};

}  // namespace

std::unique_ptr<FrameProducer> make_mjpeg_producer(const CameraDescription &camera, int width,
                                                   int height, std::string *error) {
    std::unique_ptr<MjpegProducer> producer(new MjpegProducer());
    if (!producer->prepare(camera, width, height, error))
        return nullptr;
    return producer;
}
