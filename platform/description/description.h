// Reader of virtual device descriptions: text behind a file descriptor, one `key = value`
// per line, `#` starting a comment. Shared by the camera and microphone stand-ins.
#pragma once

#include <string>
#include <vector>

struct DescriptionEntry {
    int line;  // 1-based line number in the description
    std::string key;
    std::string value;
};

// Reads the whole description behind `fd` from its start without moving the descriptor's
// offset. False, with `error` naming the line, when fd is not a readable regular file or a
// line is not `key = value`.
bool read_description(int fd, std::vector<DescriptionEntry> *entries, std::string *error);

// True when `fd` refers to a regular file (a virtual device description).
bool is_description_fd(int fd);
