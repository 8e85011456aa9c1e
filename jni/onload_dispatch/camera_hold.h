// Holds the camera object of a Java id for one native call, so that no other thread deletes it
// or replaces its engine meanwhile. An unknown, destroyed or made-up id holds nothing: the
// call answers its id-0 value without touching memory.
#pragma once

#include <jni.h>

#include "UVCCamera.h"

struct _CameraInfo;

enum class CameraAccess {
    shared,  // most calls: any number at once
    alone,   // connect and release, which replace the engine: no other call meanwhile
};

class CameraHold {
  public:
    // A thread running engine work (a callback, see callback_scope.h) never waits here: it is
    // refused while a call runs alone, and alone access is refused it while any call runs.
    CameraHold(jlong cameraId, CameraAccess access);
    ~CameraHold();
    CameraHold(const CameraHold &) = delete;
    CameraHold &operator=(const CameraHold &) = delete;

    // The held camera object, or null.
    UVCCamera *camera() const { return mCamera; }

  private:
    _CameraInfo *mRecord = nullptr;
    UVCCamera *mCamera = nullptr;
    CameraAccess mAccess;
};
