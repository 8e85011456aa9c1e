// Camera ids: the camera object's address in a Java long, widened with its sign where pointers
// have 32 bits, and turned back into the object only when it is exactly the id Java was given.
#include <gtest/gtest.h>
#include <stdint.h>

#include "camera_id.h"
#include "onload_dispatch.h"

namespace {

const jlong kHighWord = jlong(1) << 32;

TEST(CameraIds, AddressesRoundTripWidenedWithTheirSign) {
    const uintptr_t top = uintptr_t(1) << (sizeof(void *) * 8 - 1);
    for (uintptr_t address : {uintptr_t(0x1000), top - 0x1000, top | 0x1000}) {
        UVCCamera *camera = reinterpret_cast<UVCCamera *>(address);
        const jlong id = id_of(camera);
        EXPECT_EQ(id, (jlong)(intptr_t)address) << std::hex << address;
        EXPECT_EQ(id < 0, (address & top) != 0) << std::hex << address;
        EXPECT_EQ(camera_of(id), camera) << std::hex << address;
    }
}

TEST(CameraIds, OnlyTheIdJavaHoldsReachesTheCamera) {
    UVCCamera *camera = new UVCCamera();
    const jlong id = id_of(camera);
    registry_add(id, nullptr);
    {
        CameraHold hold(id, CameraAccess::shared);
        EXPECT_EQ(hold.camera(), camera);
    }
    // Ids whose low 32 bits are the camera's address but which are not the id itself.
    for (jlong madeUp : {id ^ kHighWord, id + (kHighWord << 8), (jlong)(uint32_t)id | kHighWord}) {
        SCOPED_TRACE(madeUp);
        EXPECT_EQ(CameraHold(madeUp, CameraAccess::shared).camera(), nullptr);
        EXPECT_EQ(CameraHold(madeUp, CameraAccess::alone).camera(), nullptr);
        EXPECT_FALSE(registry_contains(madeUp));
        EXPECT_FALSE(registry_destroy(nullptr, madeUp));
    }
    EXPECT_TRUE(registry_contains(id));
    EXPECT_TRUE(registry_destroy(nullptr, id));
    EXPECT_FALSE(registry_contains(id));
}

}  // namespace
