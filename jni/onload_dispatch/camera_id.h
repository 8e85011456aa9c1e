// Camera ids: the address of a camera object as a Java long, with the full pointer width.
#pragma once

#include <jni.h>
#include <stdint.h>

#include "UVCCamera.h"

inline UVCCamera *camera_of(jlong id) {
    return reinterpret_cast<UVCCamera *>(static_cast<intptr_t>(id));
}

inline long id_of(UVCCamera *camera) {
    return static_cast<long>(reinterpret_cast<intptr_t>(camera));
}
