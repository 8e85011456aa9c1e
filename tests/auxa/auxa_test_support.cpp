#include "auxa_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

DescriptionFile::DescriptionFile(const std::string &text) {
    char path[] = "/tmp/auxa_descriptionXXXXXX";
    fd_ = mkstemp(path);
    if (fd_ < 0)
        return;
    unlink(path);
    if (write(fd_, text.data(), text.size()) != (ssize_t)text.size())
        ADD_FAILURE() << "write";
}

DescriptionFile::~DescriptionFile() {
    if (fd_ >= 0)
        close(fd_);
}

std::string mic_description(const std::string &extra) {
    return "name = Test Camera\nvid = 0x1234\npid = 22136\nmicrophone = on\n" + extra;
}

OpenMic::OpenMic(const std::string &description, uint16_t vid, uint16_t pid) : file(description) {
    EXPECT_EQ(AuxaInit(&context, nullptr, nullptr), AUXA_OK);
    open_result = AuxaOpen(context, vid, pid, &device, file.fd(), nullptr);
}

OpenMic::~OpenMic() {
    if (device) {
        EXPECT_EQ(AuxaClose(device), AUXA_OK);
    }
    if (context) {
        EXPECT_EQ(AuxaDeInit(context), AUXA_OK);
    }
}

void BlockCollector::on_block(void *user, unsigned char *data, int bytes, void *info) {
    BlockCollector *self = static_cast<BlockCollector *>(user);
    ReceivedBlock block;
    block.bytes.assign(data, data + bytes);
    memcpy(&block.info, info, sizeof(block.info));
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->blocks_.push_back(std::move(block));
}

std::vector<ReceivedBlock> BlockCollector::blocks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_;
}

std::vector<int16_t> BlockCollector::samples() const {
    std::vector<int16_t> all;
    for (const ReceivedBlock &block : blocks()) {
        size_t count = block.bytes.size() / 2;
        size_t at = all.size();
        all.resize(at + count);
        memcpy(&all[at], block.bytes.data(), count * 2);
    }
    return all;
}

size_t BlockCollector::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size();
}

CDataDistributor *attach_callback(_AUXA_DEV *device, CDataDistributor *from,
                                  AuxaBlockCallback function, void *user, const char *name) {
    CDataDistributor *node = nullptr;
    EXPECT_EQ(AuxaDstCreate(device, AUXA_NODE_CALLBACK, name, &node), AUXA_OK);
    EXPECT_EQ(AuxaDstSetConfig(device, node, AUXA_CALLBACK_FUNCTION, &function), AUXA_OK);
    EXPECT_EQ(AuxaDstSetConfig(device, node, AUXA_CALLBACK_USER, &user), AUXA_OK);
    EXPECT_EQ(AuxaDstLink(device, from, node), AUXA_OK);
    return node;
}

CDataDistributor *attach_collector(_AUXA_DEV *device, CDataDistributor *from,
                                   BlockCollector *collector, const char *name) {
    return attach_callback(device, from, &BlockCollector::on_block, collector, name);
}

int config_value(_AUXA_DEV *device, int id) {
    void *value = nullptr;
    if (AuxaGetConfiguration(device, id, &value) != AUXA_OK)
        return -1;
    int result = *(int *)value;
    AuxaFreeConfiguration(value);
    return result;
}

void capture_for(_AUXA_DEV *device, int ms) {
    ASSERT_EQ(AuxaStart(device), AUXA_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ASSERT_EQ(AuxaStop(device), AUXA_OK);
}

double rms_of(const std::vector<int16_t> &samples, size_t first, size_t count) {
    double energy = 0;
    size_t end = std::min(samples.size(), first + count);
    for (size_t i = first; i < end; i++)
        energy += (double)samples[i] * samples[i];
    return end > first ? std::sqrt(energy / (end - first)) : 0;
}

double frequency_of(const std::vector<int16_t> &samples, int rate) {
    long first = -1, last = -1, crossings = 0;
    for (size_t i = 1; i < samples.size(); i++) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (first < 0)
                first = (long)i;
            last = (long)i;
            crossings++;
        }
    }
    if (crossings < 2)
        return 0;
    return (double)(crossings - 1) * rate / (double)(last - first);
}
