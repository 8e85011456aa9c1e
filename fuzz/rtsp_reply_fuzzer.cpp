// The live-stream library's reading of RTSP server replies, fed as a stream would arrive: the
// inbox grows and every complete reply head is taken off its front.
#include <cstdint>
#include <string>

#include "rtsp_messages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string inbox;
    // Arrives in two pieces, split where the first byte says.
    const size_t split = size > 0 ? data[0] % (size + 1) : 0;
    for (const std::string &piece : {std::string((const char *)data, split),
                                     std::string((const char *)data + split, size - split)}) {
        inbox += piece;
        for (;;) {
            RtspReply reply;
            size_t consumed = 0;
            bool malformed = false;
            if (!parse_rtsp_reply(inbox, &reply, &consumed, &malformed))
                break;
            if (consumed == 0 || consumed > inbox.size())
                __builtin_trap();  // every accepted head moves the inbox on
            inbox.erase(0, consumed);
        }
    }
    return 0;
}
