#include "description_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

DescriptionFile::DescriptionFile(const std::string &text) {
    FILE *file = tmpfile();
    if (!file) {
        ADD_FAILURE() << "no temporary file for the description";
        return;
    }
    if (fwrite(text.data(), 1, text.size(), file) != text.size() || fflush(file) != 0)
        ADD_FAILURE() << "description not written";
    fd_ = dup(fileno(file));
    fclose(file);
}

DescriptionFile::~DescriptionFile() {
    if (fd_ >= 0)
        close(fd_);
}
