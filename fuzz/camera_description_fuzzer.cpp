// The virtual camera's description reader on arbitrary text behind a descriptor.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "camera_description.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const int fd = memfd_create("camera_description", 0);
    if (ftruncate(fd, 0) != 0 || (size > 0 && pwrite(fd, data, size, 0) != (ssize_t)size))
        return 0;
    CameraDescription camera;
    std::string error;
    if (parse_camera_description(fd, &camera, &error)) {
        for (int format : {3, 9, 13}) {
            const std::vector<FrameSize> *sizes = stream_sizes(camera, format);
            if (sizes && !sizes->empty() && (*sizes)[0].width <= 0)
                __builtin_trap();  // a parsed size is always positive
        }
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }
    return 0;
}
