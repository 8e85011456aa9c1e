// Camera ids: the address of a camera object as a Java long, with the full pointer width.
#pragma once

#include <jni.h>
#include <stdint.h>

#include <type_traits>

#include "UVCCamera.h"
#include "camera_hold.h"

inline UVCCamera *camera_of(jlong id) {
    return reinterpret_cast<UVCCamera *>(static_cast<intptr_t>(id));
}

inline long id_of(UVCCamera *camera) {
    return static_cast<long>(reinterpret_cast<intptr_t>(camera));
}

// Runs `call` on the camera object of `id`, held for the call, and gives its result; an id
// without a camera object gives `none` and runs nothing (so arrays and strings the call would
// convert stay untouched).
template <typename Call>
std::invoke_result_t<Call, UVCCamera *> with_camera(jlong id,
                                                    std::invoke_result_t<Call, UVCCamera *> none,
                                                    Call call,
                                                    CameraAccess access = CameraAccess::shared) {
    CameraHold hold(id, access);
    return hold.camera() ? call(hold.camera()) : none;
}

// The same for calls without a result: an id without a camera object does nothing.
template <typename Call>
void with_camera(jlong id, Call call) {
    CameraHold hold(id, CameraAccess::shared);
    if (hold.camera())
        call(hold.camera());
}
