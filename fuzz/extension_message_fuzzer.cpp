// Arbitrary extension-unit requests through the engine. Input: request type, request, value and
// index (16 bits each), the length (32 bits, any int), then the payload. The buffer holds the
// length asked for whenever that length is one a caller can have (0..65535).
#include <string.h>

#include <cstdint>
#include <vector>

#include "engine_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 11)
        return 0;
    UVCPreview *engine = fuzz_engine();
    const int requestType = data[0];
    const int request = data[1];
    const int value = data[2] | data[3] << 8;
    const int index = data[4] | data[5] << 8;
    int32_t length;
    memcpy(&length, data + 6, sizeof(length));
    const bool receive = data[10] & 1;
    std::vector<unsigned char> buffer(data + 11, data + size);
    if (length >= 0 && length <= 0xFFFF && (size_t)length > buffer.size())
        buffer.resize(length);
    if (buffer.empty())
        buffer.resize(1);
    int result =
        receive
            ? engine->recvExtensionMsg(requestType, request, value, index, buffer.data(), length)
            : engine->sendExtensionMsg(requestType, request, value, index, buffer.data(), length);
    if ((length < 0 || length > 0xFFFF) && result >= 0)
        __builtin_trap();  // an impossible length is always refused
    return 0;
}
