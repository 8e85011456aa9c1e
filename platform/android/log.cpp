// liblog stand-in: each line goes to stderr and, while a test captures, into a list.
#include <android/log.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "host_android.h"

namespace {
std::mutex g_mutex;  // guards g_capturing, g_lines and g_echo
bool g_capturing = false;
bool g_echo = true;
std::vector<HostLogLine> g_lines;
}  // namespace

extern "C" int __android_log_print(int prio, const char *tag, const char *fmt, ...) {
    char stack[1024];
    va_list args;
    va_start(args, fmt);
    int length = vsnprintf(stack, sizeof(stack), fmt ? fmt : "", args);
    va_end(args);
    if (length < 0)
        return length;
    std::string line;
    if ((size_t)length < sizeof(stack)) {
        line.assign(stack, length);
    } else {
        line.resize(length + 1);
        va_start(args, fmt);
        vsnprintf(&line[0], line.size(), fmt, args);
        va_end(args);
        line.resize(length);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_echo) {
        fprintf(stderr, "%d %s: %s%s", prio, tag ? tag : "", line.c_str(),
                (!line.empty() && line.back() == '\n') ? "" : "\n");
    }
    if (g_capturing)
        g_lines.push_back({prio, tag ? tag : "", line});
    return length;
}

void host_log_capture_start() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
    g_capturing = true;
}

std::vector<HostLogLine> host_log_captured() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_lines;
}

int host_log_count(const char *needle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    int count = 0;
    for (const HostLogLine &line : g_lines) {
        if (line.text.find(needle) != std::string::npos)
            count++;
    }
    return count;
}

void host_log_capture_stop() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_capturing = false;
    g_lines.clear();
}

void host_log_set_echo(bool echo) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_echo = echo;
}
