#include "temp_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace {

struct ProcessFolder {
    std::string path;
    ProcessFolder() {
        std::string pattern = testing::TempDir() + "orrin_test_XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a temporary folder in " + testing::TempDir());
        path = pattern;
    }
    ~ProcessFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

std::string temp_path(const std::string &name) {
    static ProcessFolder folder;
    return folder.path + "/" + name;
}
