// Camera controls by index, the supported-control lists, relative pan/tilt and extension-unit
// messages, against the virtual camera's controls.
#include <vector>

#include "UVCControlTables.h"
#include "engine_fixture.h"
#include "host_android.h"
#include "uvc_testing.h"

namespace {

const int kCameraTerminal = 1;
const int kProcessingUnit = 2;
const int kReservedIndexes[] = {15, 16, 19, 22, 23};

bool reserved(int index) {
    for (int r : kReservedIndexes) {
        if (r == index)
            return true;
    }
    return false;
}

// A camera with every control of both units, or with the given bitmaps.
CameraSetup control_camera(const std::string &ct = "0x367fff", const std::string &pu = "0x7fff") {
    CameraSetup setup;
    setup.extra = "ct_controls = " + ct + "\npu_controls = " + pu + "\n";
    return setup;
}

// A connected camera whose controls the tests set through the engine.
struct ControlSession : CameraSession {
    explicit ControlSession(const CameraSetup &setup, bool debug = false)
        : CameraSession(setup, debug), connected(connect() == 0) {}
    uvc_device_handle_t *handle() { return UVCPreviewTestAccess::handle(engine()); }
    bool connected;
};

// Sets a control of either unit through the engine, and reads it back.
int set_control(ControlSession &s, int unit, int index, int value) {
    return unit == kCameraTerminal ? s.engine()->setUVCCameraInputTerminalControl(index, value)
                                   : s.engine()->setUVCCameraProcessingUnitControl(index, value);
}
int get_control(ControlSession &s, int unit, int index) {
    int value = 12345;
    if (unit == kCameraTerminal)
        s.engine()->getUVCCameraInputTerminalControl(index, &value);
    else
        s.engine()->getUVCCameraProcessingUnitControl(index, &value);
    return value;
}

// Sets every control of a unit to its maximum through the engine and reads it back, from the
// engine and from the camera itself.
void check_every_index(ControlSession &s, int unit, int count, uvc_control_getter_func *getters) {
    for (int index = 0; index < count; index++) {
        if (unit == kCameraTerminal && reserved(index))
            continue;
        int max = 0;
        ASSERT_EQ(getters[index](s.handle(), &max, UVC_GET_MAX), 0) << "index " << index;
        EXPECT_EQ(set_control(s, unit, index, max), 0) << "unit " << unit << " index " << index;
        EXPECT_EQ(get_control(s, unit, index), max) << "unit " << unit << " index " << index;
        int cameraValue = -1;
        EXPECT_TRUE(uvc_test_last_set_value(s.handle(), unit, index, &cameraValue));
        EXPECT_EQ(cameraValue, max) << "unit " << unit << " index " << index;
    }
}

TEST(Controls, EveryIndexReachesItsControl) {
    ControlSession s(control_camera());
    ASSERT_TRUE(s.connected);
    check_every_index(s, kCameraTerminal, INPUT_TERMINAL_CONTROL_COUNT,
                      get_uvc_input_terminal_func);
    check_every_index(s, kProcessingUnit, PROCESSING_UNIT_CONTROL_COUNT,
                      get_uvc_processing_unit_func);

    // Brightness and power line frequency by their own indexes.
    EXPECT_EQ(s.engine()->setUVCCameraProcessingUnitControl(0, -20), 0);
    EXPECT_EQ(s.engine()->setUVCCameraProcessingUnitControl(10, 2), 0);
    int brightness = 0, powerLine = 0;
    ASSERT_TRUE(uvc_test_last_set_value(s.handle(), kProcessingUnit, 0, &brightness));
    ASSERT_TRUE(uvc_test_last_set_value(s.handle(), kProcessingUnit, 10, &powerLine));
    EXPECT_EQ(brightness, -20);
    EXPECT_EQ(powerLine, 2);
}

TEST(Controls, ReservedAndOutOfRangeIndexesFailWithoutARequest) {
    host_log_capture_start();
    ControlSession s(control_camera("0xffffff", "0x7fff"), true);
    ASSERT_TRUE(s.connected);
    for (int index : kReservedIndexes) {
        EXPECT_NE(s.engine()->setUVCCameraInputTerminalControl(index, 1), 0) << index;
        // The line names the operation the application called, not a helper of it.
        const std::string line =
            ":setUVCCameraInputTerminalControl]:setctrl idx : " + std::to_string(index) +
            " failed\n";
        EXPECT_EQ(host_log_count(line.c_str()), 1) << index;
        EXPECT_LT(get_control(s, kCameraTerminal, index), 0) << index;
        int cameraValue;
        EXPECT_FALSE(uvc_test_last_set_value(s.handle(), kCameraTerminal, index, &cameraValue));
    }
    const int outside[][2] = {{kCameraTerminal, -1},   {kCameraTerminal, 24},
                              {kCameraTerminal, 1000}, {kProcessingUnit, -1},
                              {kProcessingUnit, 15},   {kProcessingUnit, 1000}};
    for (const auto &c : outside) {
        EXPECT_LT(set_control(s, c[0], c[1], 1), 0) << "unit " << c[0] << " index " << c[1];
        EXPECT_LT(get_control(s, c[0], c[1]), 0) << "unit " << c[0] << " index " << c[1];
    }
    s.engine()->getUVCCameraInputTerminalControl(1, nullptr);
    s.engine()->getUVCCameraProcessingUnitControl(1, nullptr);
    host_log_capture_stop();
}

TEST(Controls, FailedRequestsPassTheCameraErrorBack) {
    ControlSession s(control_camera("0x2", "0x1"));  // auto-exposure mode and brightness only
    ASSERT_TRUE(s.connected);
    EXPECT_EQ(get_control(s, kCameraTerminal, 5), UVC_ERROR_NOT_SUPPORTED);  // focus
    EXPECT_EQ(set_control(s, kProcessingUnit, 0, 1000), UVC_ERROR_INVALID_PARAM);
    EXPECT_EQ(get_control(s, kProcessingUnit, 0), 0);  // unchanged default
}

TEST(Controls, EnabledControlListsCountThenBitNumbers) {
    ControlSession s(control_camera("0xa0e", "0x401"));
    ASSERT_TRUE(s.connected);
    std::vector<int> it(32, -1), pu(32, -1);
    ASSERT_EQ(s.engine()->getEnableControl(it.data(), pu.data()), 0);
    std::vector<int> expectedIt(32, 0), expectedPu(32, 0);
    const int itBits[] = {5, 1, 2, 3, 9, 11};
    std::copy(std::begin(itBits), std::end(itBits), expectedIt.begin());
    expectedPu[0] = 2;
    expectedPu[1] = 0;
    expectedPu[2] = 10;
    EXPECT_EQ(it, expectedIt);
    EXPECT_EQ(pu, expectedPu);
    EXPECT_EQ(s.engine()->getEnableControl(nullptr, pu.data()), -2);

    ControlSession noUnitControls(control_camera("0xa0e", "0x0"));
    ASSERT_TRUE(noUnitControls.connected);
    std::vector<int> untouched(32, -1);
    EXPECT_EQ(noUnitControls.engine()->getEnableControl(it.data(), untouched.data()), -121);
    EXPECT_EQ(untouched, std::vector<int>(32, -1));
}

TEST(Controls, RelativePanTiltSendsSignedDirectionsAndSpeeds) {
    ControlSession s(control_camera());
    ASSERT_TRUE(s.connected);
    int args[4] = {-1, 10, 1, 10};
    EXPECT_EQ(s.engine()->Set_pantilt_rel(args), 0);
    UvcPanTiltRequest request;
    ASSERT_TRUE(uvc_test_last_pantilt(s.handle(), &request));
    EXPECT_EQ((uint8_t)request.pan, 0xFF);
    EXPECT_EQ(request.pan_speed, 10);
    EXPECT_EQ(request.tilt, 1);
    EXPECT_EQ(request.tilt_speed, 10);

    EXPECT_EQ(s.engine()->Set_pantilt_rel(nullptr), -2);
    int tooFar[4] = {2, 1, 0, 1};
    EXPECT_EQ(s.engine()->Set_pantilt_rel(tooFar), UVC_ERROR_INVALID_PARAM);
}

TEST(Controls, ExtensionMessagesRoundTrip) {
    ControlSession s(control_camera());
    ASSERT_TRUE(s.connected);
    const int wValue = 0x0200;  // selector 2
    const int wIndex = UVC_EXTENSION_UNIT_ID << 8;
    unsigned char sent[4] = {0xde, 0xad, 0xbe, 0xef};
    EXPECT_EQ(s.engine()->sendExtensionMsg(0x21, UVC_SET_CUR, wValue, wIndex, sent, 4), 0);
    UvcExtensionRequest request;
    ASSERT_TRUE(uvc_test_last_extension_request(s.handle(), &request));
    EXPECT_EQ(request.bmRequestType, 0x21);
    EXPECT_EQ(request.bRequest, UVC_SET_CUR);
    EXPECT_EQ(request.wValue, wValue);
    EXPECT_EQ(request.wIndex, wIndex);
    EXPECT_EQ(request.data, std::vector<uint8_t>(sent, sent + 4));

    unsigned char received[4] = {};
    EXPECT_EQ(s.engine()->recvExtensionMsg(0xa1, UVC_GET_CUR, wValue, wIndex, received, 4), 4);
    EXPECT_EQ(std::vector<uint8_t>(received, received + 4), std::vector<uint8_t>(sent, sent + 4));

    // Another unit stalls: the send reports -1, the receive the camera's own error.
    EXPECT_EQ(s.engine()->sendExtensionMsg(0x21, UVC_SET_CUR, wValue, 5 << 8, sent, 4), -1);
    EXPECT_EQ(s.engine()->recvExtensionMsg(0xa1, UVC_GET_CUR, wValue, 5 << 8, received, 4),
              UVC_ERROR_PIPE);
    EXPECT_EQ(s.engine()->sendExtensionMsg(0x21, UVC_SET_CUR, wValue, wIndex, nullptr, 4), -1);
    EXPECT_LT(s.engine()->recvExtensionMsg(0xa1, UVC_GET_CUR, wValue, wIndex, nullptr, 4), 0);

    // A length outside 0..65535 is refused before any request; cut to 16 bits it would make
    // the camera library read or write past the caller's buffer.
    ASSERT_TRUE(uvc_test_last_extension_request(s.handle(), &request));
    const uint16_t lastLength = request.wLength;
    for (int length : {-1, 65536 + 4, 1 << 30}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(s.engine()->sendExtensionMsg(0x21, UVC_SET_CUR, wValue, wIndex, sent, length),
                  -1);
        EXPECT_EQ(s.engine()->recvExtensionMsg(0xa1, UVC_GET_CUR, wValue, wIndex, received, length),
                  UVC_ERROR_INVALID_PARAM);
        ASSERT_TRUE(uvc_test_last_extension_request(s.handle(), &request));
        EXPECT_EQ(request.wLength, lastLength);  // the camera saw no new request
    }
}

}  // namespace
