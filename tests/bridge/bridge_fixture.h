// A test with the deliverable loaded into the process's JVM: a Lumivo_Native object to call
// natives on, the engine events recorded by bridgetest.EventLog, and a virtual webcam.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "description_file.h"
#include "jvm_session.h"
#include "wait_until.h"

// The default virtual webcam at `stream` (e.g. "mjpeg 640x480"); the `key = value` lines of
// `extra` replace the description's own or are added.
std::string webcam_description(const std::string &stream, const std::string &extra = "");

// How long a test waits for what the engine's threads bring about before it gives up.
const int kGuardMs = 10000;

class BridgeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Calls a method of the Lumivo_Native object.
    template <typename... Args>
    JavaResult call(const char *name, const char *signature, Args... args) {
        return call_method(env, natives, name, signature, args...);
    }
    int callInt(const char *name, const char *signature, jlong id) {
        JavaResult result = call(name, signature, id);
        EXPECT_EQ(result.exception, "") << name;
        return result.value.i;
    }
    // nativeCreate or nativeCreate_internal; destroyed by TearDown when the test did not.
    jlong create(bool internal = false);
    // Creates a camera object and connects it to a virtual webcam described by `description`.
    jlong connectWebcam(const std::string &description, int *result = nullptr);
    void destroy(jlong id);
    jobject newSurface(int width, int height);
    long long surfacePosts(jobject surface);

    JNIEnv *env = nullptr;
    jobject natives = nullptr;

  private:
    std::vector<jlong> mCreated;
    std::vector<std::unique_ptr<DescriptionFile>> mDevices;
};
