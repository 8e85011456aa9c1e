// MJPEG frames spliced from pre-encoded pieces. Each picture of a pattern is encoded in its
// two variants (counter cells dark, light) with restart markers at every counter cell edge,
// which makes each run of MCUs between two markers independent of its neighbours; a frame is
// then the shared header followed, MCU row by MCU row, by each cell's run taken from the
// variant its bit selects, and the end marker. The restart marker numbers depend only on the
// position, so the runs fit wherever they came from. The `scene` pattern is a loop of several
// pictures in 4:2:2 (a webcam's usual MJPEG layout); the others are one picture in 4:2:0. The
// encoded pieces are kept for the life of the process, so a restarted stream starts at once.
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>

#include "frame_producer.h"
#include "picture_pattern.h"

namespace {

const int kQuality = 85;
const int kScenePictures = 8;  // the scene's loop: about a quarter of a second at 30 fps

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void jpeg_trap_exit(j_common_ptr info) {
    longjmp(reinterpret_cast<JpegErrorTrap *>(info->err)->jump, 1);
}

// Layout of the MCUs of a picture and of the restart runs the splicing needs.
struct McuLayout {
    int mcu_height;  // 16 for 4:2:0, 8 for 4:2:2; MCUs are 16 pixels wide in both
    int columns;     // MCUs per row
    int rows;        // MCU rows
    int interval;    // MCUs per restart run: every counter cell edge is a run edge
};

int gcd(int a, int b) {
    return b == 0 ? a : gcd(b, a % b);
}

McuLayout mcu_layout(int width, int height, bool subsample_422) {
    McuLayout layout;
    layout.mcu_height = subsample_422 ? 8 : 16;
    layout.columns = (width + 15) / 16;
    layout.rows = (height + layout.mcu_height - 1) / layout.mcu_height;
    layout.interval = layout.columns;
    for (int column = 0; column < kCounterColumns; ++column) {
        int first, end;
        counter_cell_blocks(layout.columns, kCounterColumns, column, &first, &end);
        layout.interval = gcd(layout.interval, first);
    }
    return layout;
}

// Encodes R, G, B, X rows as a baseline JPEG with a restart marker every `interval` MCUs.
bool encode_with_restarts(const uint8_t *rgbx, int width, int height, bool subsample_422,
                          int interval, std::string *out) {
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
    if (subsample_422)
        info.comp_info[0].v_samp_factor = 1;  // luma 2 x 1 over chroma 1 x 1
    info.restart_interval = interval;
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

// Re-encodes a baseline JPEG's entropy data with a restart marker every `interval` MCUs (0:
// none), losslessly (the DCT coefficients are kept). False when the JPEG cannot be read.
bool rewrite_restart_interval(const uint8_t *jpeg, size_t bytes, int interval,
                              std::vector<uint8_t> *out) {
    jpeg_decompress_struct in;
    jpeg_compress_struct dst;
    JpegErrorTrap inTrap, dstTrap;
    in.err = jpeg_std_error(&inTrap.manager);
    inTrap.manager.error_exit = jpeg_trap_exit;
    dst.err = jpeg_std_error(&dstTrap.manager);
    dstTrap.manager.error_exit = jpeg_trap_exit;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_create_decompress(&in);
    jpeg_create_compress(&dst);
    bool ok = false;
    if (setjmp(inTrap.jump) == 0 && setjmp(dstTrap.jump) == 0) {
        jpeg_mem_src(&in, jpeg, bytes);
        jpeg_read_header(&in, TRUE);
        jvirt_barray_ptr *coefficients = jpeg_read_coefficients(&in);
        jpeg_copy_critical_parameters(&in, &dst);
        dst.restart_interval = (unsigned)interval;
        jpeg_mem_dest(&dst, &buffer, &size);
        jpeg_write_coefficients(&dst, coefficients);
        jpeg_finish_compress(&dst);
        jpeg_finish_decompress(&in);
        out->assign(buffer, buffer + size);
        ok = true;
    }
    jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(&in);
    free(buffer);
    return ok;
}

// One encoded variant: its bytes and the start offset of every restart run; starts.back() is
// the offset of the end marker.
struct EncodedVariant {
    std::string bytes;
    std::vector<size_t> starts;
};

// Splits an encoded picture into its header (through the SOS segment) and its restart runs.
bool split_runs(EncodedVariant *variant, size_t expected_runs, size_t *header_end) {
    const std::string &jpeg = variant->bytes;
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
    variant->starts.assign(1, i);
    for (; i + 1 < n; ++i) {
        if (p[i] != 0xff)
            continue;
        uint8_t marker = p[i + 1];
        if (marker >= 0xd0 && marker <= 0xd7) {
            variant->starts.push_back(i + 2);
            ++i;
        } else if (marker == 0xd9) {
            variant->starts.push_back(i);
            return variant->starts.size() == expected_runs + 1;
        }
    }
    return false;
}

// Everything a stream of one pattern and size splices its frames from; never changed once made.
struct SpliceSet {
    McuLayout layout;
    std::string header;
    // The pattern's pictures, then (with a clapper) the same pictures with the clap marker.
    std::vector<std::array<EncodedVariant, 2>> pictures;
    size_t looks = 1;          // pictures without the marker
    size_t largest_frame = 0;  // bytes of the largest frame any mix of variants can give
};

bool build_splice_set(const CameraDescription &camera, int width, int height, SpliceSet *set) {
    const bool scene = camera.pattern == PatternKind::kScene;
    set->layout = mcu_layout(width, height, scene);
    const size_t runs = (size_t)set->layout.columns * set->layout.rows / set->layout.interval;
    const int variants = camera.pattern == PatternKind::kCounter || scene ? 2 : 1;
    set->looks = scene ? kScenePictures : 1;
    set->pictures.resize(set->looks * (camera.clapper_ms > 0 ? 2 : 1));
    std::vector<uint8_t> rgbx;
    for (size_t picture = 0; picture < set->pictures.size(); ++picture) {
        std::array<EncodedVariant, 2> &encoded = set->pictures[picture];
        for (int v = 0; v < variants; ++v) {
            render_picture(camera, (int)(picture % set->looks), v, picture >= set->looks, width,
                           height, &rgbx);
            size_t header_end;
            if (!encode_with_restarts(rgbx.data(), width, height, scene, set->layout.interval,
                                      &encoded[v].bytes) ||
                !split_runs(&encoded[v], runs, &header_end)) {
                return false;
            }
            // Standard tables: every picture of the set has the same header.
            std::string header = encoded[v].bytes.substr(0, header_end);
            if (set->header.empty())
                set->header = header;
            else if (header != set->header)
                return false;
        }
        if (variants == 1)
            encoded[1] = encoded[0];
        set->largest_frame =
            std::max(set->largest_frame, encoded[0].bytes.size() + encoded[1].bytes.size() + 2);
    }
    return true;
}

// Splice sets by pattern and size, made on first use and kept for the process.
std::shared_ptr<const SpliceSet> splice_set(const CameraDescription &camera, int width,
                                            int height) {
    static std::mutex mutex;  // guards sets
    static std::map<std::string, std::shared_ptr<const SpliceSet>> sets;
    const std::string key = std::to_string((int)camera.pattern) + " " +
                            std::to_string(camera.solid_rgb) + " " +
                            std::to_string(camera.clapper_ms > 0) + " " + std::to_string(width) +
                            "x" + std::to_string(height);
    std::lock_guard<std::mutex> lock(mutex);
    auto found = sets.find(key);
    if (found != sets.end())
        return found->second;
    std::shared_ptr<SpliceSet> set = std::make_shared<SpliceSet>();
    if (!build_splice_set(camera, width, height, set.get()))
        return nullptr;
    sets[key] = set;
    return set;
}

class MjpegProducer : public FrameProducer {
  public:
    MjpegProducer(std::shared_ptr<const SpliceSet> set, int restart_interval)
        : set_(std::move(set)), restart_interval_(restart_interval), frame_(set_->largest_frame) {}

    bool produce(uint32_t number, bool clap, uint8_t **data, size_t *bytes) override {
        const McuLayout &layout = set_->layout;
        const bool marked = clap && set_->pictures.size() > set_->looks;
        const std::array<EncodedVariant, 2> &picture =
            set_->pictures[number % set_->looks + (marked ? set_->looks : 0)];
        const int mcu_rows_per_block = 16 / layout.mcu_height;
        uint32_t cells = counter_cells(number);
        uint8_t *out = frame_.data();
        memcpy(out, set_->header.data(), set_->header.size());
        out += set_->header.size();
        for (int row = 0; row < kCounterRows; ++row) {
            int first_row, end_row;
            counter_cell_blocks((layout.rows + mcu_rows_per_block - 1) / mcu_rows_per_block,
                                kCounterRows, row, &first_row, &end_row);
            const int end_mcu_row = std::min(end_row * mcu_rows_per_block, layout.rows);
            for (int my = first_row * mcu_rows_per_block; my < end_mcu_row; ++my) {
                for (int column = 0; column < kCounterColumns; ++column) {
                    int first, end;
                    counter_cell_blocks(layout.columns, kCounterColumns, column, &first, &end);
                    const EncodedVariant &v =
                        picture[(cells >> (row * kCounterColumns + column)) & 1];
                    const size_t mcu = (size_t)my * layout.columns;
                    size_t from = v.starts[(mcu + first) / layout.interval];
                    size_t to = v.starts[(mcu + end) / layout.interval];
                    memcpy(out, v.bytes.data() + from, to - from);
                    out += to - from;
                }
            }
        }
        *out++ = 0xff;
        *out++ = 0xd9;
        *data = frame_.data();
        *bytes = out - frame_.data();
        if (restart_interval_ == kSpliceRestarts)
            return true;
        if (!rewrite_restart_interval(frame_.data(), *bytes, restart_interval_, &rewritten_))
            return false;
        *data = rewritten_.data();
        *bytes = rewritten_.size();
        return true;
    }

  private:
    std::shared_ptr<const SpliceSet> set_;
    const int restart_interval_;
    std::vector<uint8_t> rewritten_;  // the frame handed out with the description's interval
    std::vector<uint8_t> frame_;      // the frame handed out; room for any mix of the variants
};

}  // namespace

std::unique_ptr<FrameProducer> make_mjpeg_producer(const CameraDescription &camera, int width,
                                                   int height, std::string *error) {
    std::shared_ptr<const SpliceSet> set = splice_set(camera, width, height);
    if (!set) {
        *error = "MJPEG pre-encoding failed";
        return nullptr;
    }
    return std::unique_ptr<FrameProducer>(
        new MjpegProducer(std::move(set), camera.restart_interval));
}
