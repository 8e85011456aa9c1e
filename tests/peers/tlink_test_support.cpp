#include "tlink_test_support.h"

#include <thread>

#include "media_probe.h"

int push_paced(void *context, const std::vector<TestUnit> &units) {
    auto start = std::chrono::steady_clock::now();
    int taken = 0;
    for (const TestUnit &unit : units) {
        if (!unit.header) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(unit.dts_us));
        }
        MediaPacket packet = unit.packet();
        if (TlinkPush(context, &packet) == 0 && !unit.header)
            taken++;
    }
    return taken;
}

int count_frames(const std::vector<TestUnit> &units, int type) {
    int count = 0;
    for (const TestUnit &unit : units) {
        if (unit.type == type && !unit.header)
            count++;
    }
    return count;
}

int video_packets(const std::string &path) {
    int packets = 0;
    for (const auto &[key, value] :
         ffprobe_fields(path, "-select_streams v -show_entries packet=dts"))
        packets += key == "dts" ? 1 : 0;
    return packets;
}

long elapsed_ms(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}
