#include "description.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {
const size_t kMaxDescriptionBytes = 1 << 20;

std::string trim(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}
}  // namespace

bool is_description_fd(int fd) {
    struct stat info;
    return fd >= 0 && fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

bool read_description(int fd, std::vector<DescriptionEntry> *entries, std::string *error) {
    if (!entries || !error)
        return false;
    entries->clear();
    if (!is_description_fd(fd)) {
        *error = "descriptor is not a readable description file";
        return false;
    }
    std::string text;
    char chunk[4096];
    off_t offset = 0;
    for (;;) {
        ssize_t got = pread(fd, chunk, sizeof(chunk), offset);
        if (got < 0) {
            *error = "description cannot be read";
            return false;
        }
        if (got == 0)
            break;
        text.append(chunk, (size_t)got);
        offset += got;
        if (text.size() > kMaxDescriptionBytes) {
            *error = "description is larger than 1 MiB";
            return false;
        }
    }
    int number = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        number++;
        size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        line = trim(line);
        if (line.empty())
            continue;
        size_t equals = line.find('=');
        std::string key = equals == std::string::npos ? "" : trim(line.substr(0, equals));
        if (key.empty()) {
            *error = "line " + std::to_string(number) + ": expected `key = value`";
            return false;
        }
        entries->push_back({number, key, trim(line.substr(equals + 1))});
    }
    return true;
}
