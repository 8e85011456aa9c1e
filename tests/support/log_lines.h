// Reading captured log lines by their function field: "[time] : [file:line:function]:text".
#pragma once

#include <string>
#include <vector>

#include "host_android.h"

// A line the test expects: the operation it is logged under, and the start of its text.
struct ExpectedLine {
    const char *function;
    const char *text;
};

// Index of the first captured line from `from` on that is logged under `line.function` and
// whose text starts with `line.text`; -1 when there is none.
inline int find_log_line(const std::vector<HostLogLine> &lines, const ExpectedLine &line,
                         int from = 0) {
    const std::string field = std::string(":") + line.function + "]:" + line.text;
    for (int i = from; i < (int)lines.size(); i++) {
        const std::string &text = lines[i].text;
        const size_t prefixEnd = text.find("]:", text.find(" : ["));
        if (prefixEnd == std::string::npos)
            continue;
        const size_t start = text.rfind(':', prefixEnd - 1);
        if (text.compare(start, field.size(), field) == 0)
            return i;
    }
    return -1;
}

// "" when every expected line was captured in the given order, else the first one missing.
inline std::string first_missing_in_order(const std::vector<ExpectedLine> &expected) {
    const std::vector<HostLogLine> lines = host_log_captured();
    int next = 0;
    for (const ExpectedLine &line : expected) {
        const int found = find_log_line(lines, line, next);
        if (found < 0)
            return std::string(line.function) + "]:" + line.text;
        next = found + 1;
    }
    return "";
}
