#include "restart_markers.h"

#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <jpeglib.h>

namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

void trap_exit(j_common_ptr info) {
    longjmp(reinterpret_cast<ErrorTrap *>(info->err)->jump, 1);
}

bool is_restart(uint8_t marker) {
    return marker >= 0xd0 && marker <= 0xd7;
}

// Offset of the entropy data: the bytes after the start-of-scan segment; 0 when there is none.
size_t entropy_start(const uint8_t *jpeg, size_t bytes) {
    size_t i = 2;
    while (i + 4 <= bytes && jpeg[i] == 0xff) {
        const uint8_t marker = jpeg[i + 1];
        i += 2 + ((size_t)jpeg[i + 2] << 8 | jpeg[i + 3]);
        if (marker == 0xda)
            return i < bytes ? i : 0;
    }
    return 0;
}

}  // namespace

bool rewrite_restart_interval(const uint8_t *jpeg, size_t bytes, int interval,
                              std::vector<uint8_t> *out) {
    jpeg_decompress_struct in;
    jpeg_compress_struct dst;
    ErrorTrap inTrap, dstTrap;
    in.err = jpeg_std_error(&inTrap.manager);
    inTrap.manager.error_exit = trap_exit;
    dst.err = jpeg_std_error(&dstTrap.manager);
    dstTrap.manager.error_exit = trap_exit;
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

bool misnumber_restart_marker(uint8_t *jpeg, size_t bytes) {
    std::vector<size_t> markers;
    const size_t start = entropy_start(jpeg, bytes);
    for (size_t i = start; start && i + 1 < bytes; i++) {
        if (jpeg[i] == 0xff && is_restart(jpeg[i + 1]))
            markers.push_back(i + 1);
    }
    if (markers.empty())
        return false;
    uint8_t &marker = jpeg[markers[markers.size() / 2]];
    marker = (uint8_t)(0xd0 + (marker - 0xd0 + 1) % 8);
    return true;
}
