// The registry of live camera objects, in creation order.
#include "logging.h"
#include "onload_dispatch.h"

ObjectArray<_CameraInfo *> g_CameraInfo(2);
pthread_mutex_t g_Infomutex;

namespace {

// Index of the first record of the camera object, or -1; the caller holds g_Infomutex.
int find_record(long cameraId) {
    for (int i = 0; i < g_CameraInfo.size(); i++) {
        if (g_CameraInfo[i]->CameraID == cameraId)
            return i;
    }
    return -1;
}

}  // namespace

void registry_add(_CameraInfo *info) {
    pthread_mutex_lock(&g_Infomutex);
    g_CameraInfo.put(info);
    pthread_mutex_unlock(&g_Infomutex);
}

bool registry_contains(long cameraId) {
    pthread_mutex_lock(&g_Infomutex);
    bool found = find_record(cameraId) >= 0;
    pthread_mutex_unlock(&g_Infomutex);
    return found;
}

jbyteArray registry_raw_array(JNIEnv *env, long cameraId, bool *found) {
    jbyteArray array = nullptr;
    pthread_mutex_lock(&g_Infomutex);
    int index = find_record(cameraId);
    *found = index >= 0;
    // A local reference made under the lock stays valid even if the record goes meanwhile.
    if (index >= 0 && g_CameraInfo[index]->Rawarr)
        array = (jbyteArray)env->NewLocalRef(g_CameraInfo[index]->Rawarr);
    pthread_mutex_unlock(&g_Infomutex);
    return array;
}

void registry_remove(JNIEnv *env, long cameraId) {
    pthread_mutex_lock(&g_Infomutex);
    _CameraInfo *info = g_CameraInfo.remove(find_record(cameraId));
    if (info && info->Rawarr)
        env->DeleteGlobalRef(info->Rawarr);
    pthread_mutex_unlock(&g_Infomutex);
    delete info;
}
