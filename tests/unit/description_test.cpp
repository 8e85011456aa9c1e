#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "description.h"

namespace {

int open_text(const std::string &text) {
    FILE *file = tmpfile();
    fwrite(text.data(), 1, text.size(), file);
    fflush(file);
    int fd = dup(fileno(file));
    fclose(file);
    return fd;
}

TEST(Description, ReadsKeysValuesAndLineNumbers) {
    int fd = open_text("# camera\nvid = 0x1234\n\n  name =  Test Cam  # trailing\nempty =\n");
    lseek(fd, 3, SEEK_SET);
    std::vector<DescriptionEntry> entries;
    std::string error;
    ASSERT_TRUE(read_description(fd, &entries, &error)) << error;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].line, 2);
    EXPECT_EQ(entries[0].key, "vid");
    EXPECT_EQ(entries[0].value, "0x1234");
    EXPECT_EQ(entries[1].line, 4);
    EXPECT_EQ(entries[1].value, "Test Cam");
    EXPECT_EQ(entries[2].value, "");
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR), 3);  // the caller's offset is left alone
    close(fd);
}

TEST(Description, MalformedLinesAndDescriptorsAreErrors) {
    std::vector<DescriptionEntry> entries;
    std::string error;
    int fd = open_text("vid = 1\nno equals sign\n");
    EXPECT_FALSE(read_description(fd, &entries, &error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    close(fd);
    fd = open_text("= value\n");
    EXPECT_FALSE(read_description(fd, &entries, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
    close(fd);
    EXPECT_FALSE(read_description(-1, &entries, &error));
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    EXPECT_FALSE(is_description_fd(pipes[0]));
    EXPECT_FALSE(read_description(pipes[0], &entries, &error));
    close(pipes[0]);
    close(pipes[1]);
}

}  // namespace
