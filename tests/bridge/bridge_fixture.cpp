#include "bridge_fixture.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "host_android.h"
#include "uvc_testing.h"

const char *deliverable_path() {
    return DELIVERABLE_PATH;
}

std::string webcam_description(const std::string &stream, const std::string &extra) {
    std::ifstream file(uvc_test_default_description());
    std::stringstream read;
    read << file.rdbuf();
    std::string text = read.str() + "\n";
    std::stringstream lines("default = " + stream + "\n" + extra);
    std::string line;
    while (std::getline(lines, line)) {
        size_t equals = line.find(" = ");
        if (equals == std::string::npos)
            continue;
        // A key the description has gets its value replaced; a new key is appended.
        std::regex existing("\n" + line.substr(0, equals) + " = [^\n]*");
        if (std::regex_search(text, existing))
            text = std::regex_replace(text, existing, "\n" + line);
        else
            text += line + "\n";
    }
    return text;
}

void BridgeTest::SetUp() {
    std::string error;
    bool started = jvm() != nullptr;
    env = jvm_start(standard_classpath(), &error);
    ASSERT_NE(env, nullptr) << error;
    ASSERT_EQ(env->PushLocalFrame(512), 0);
    if (!started) {
        ASSERT_EQ(load_deliverable(env), "");
    }
    ASSERT_EQ(call_static(env, "bridgetest/EventLog", "install", "()V").exception, "");
    ASSERT_EQ(call_static(env, "bridgetest/EventLog", "clear", "()V").exception, "");
    natives = new_object(env, "com/orrinworks/lumivonative/Lumivo_Native", "()V");
    ASSERT_NE(natives, nullptr);
}

void BridgeTest::TearDown() {
    if (!env)
        return;
    for (jlong id : mCreated)
        call("nativeDestroy", "(J)V", id);
    mCreated.clear();
    mDevices.clear();
    call_static(env, "bridgetest/EventLog", "throwOn", "(Ljava/lang/String;)V",
                env->NewStringUTF(""));
    env->PopLocalFrame(nullptr);
}

jlong BridgeTest::create(bool internal) {
    JavaResult result = call(internal ? "nativeCreate_internal" : "nativeCreate", "()J");
    EXPECT_EQ(result.exception, "");
    if (result.value.j)
        mCreated.push_back(result.value.j);
    return result.value.j;
}

jlong BridgeTest::connectWebcam(const std::string &description, int *result) {
    jlong id = create();
    mDevices.push_back(std::make_unique<DescriptionFile>(description));
    jstring path = env->NewStringUTF("/dev/bus/usb/001/002");
    JavaResult connected = call("nativeConnect", "(JIIILjava/lang/String;)I", id, (jint)0x1bcf,
                                (jint)0x2c9a, (jint)mDevices.back()->fd(), path);
    env->DeleteLocalRef(path);
    EXPECT_EQ(connected.exception, "");
    if (result)
        *result = connected.value.i;
    else
        EXPECT_EQ(connected.value.i, 0);
    return id;
}

void BridgeTest::destroy(jlong id) {
    EXPECT_EQ(call("nativeDestroy", "(J)V", id).exception, "");
    mCreated.erase(std::remove(mCreated.begin(), mCreated.end(), id), mCreated.end());
}

jobject BridgeTest::newSurface(int width, int height) {
    return new_object(env, "android/view/Surface", "(II)V", (jint)width, (jint)height);
}

long long BridgeTest::surfacePosts(jobject surface) {
    return call_method(env, surface, "getPostCount", "()J").value.j;
}
