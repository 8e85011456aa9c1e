// The registry of live camera objects, in creation order, and the holds of native calls.
#include <algorithm>
#include <vector>

#include "callback_scope.h"
#include "camera_hold.h"
#include "camera_id.h"
#include "finisher.h"
#include "logging.h"
#include "onload_dispatch.h"

ObjectArray<_CameraInfo *> g_CameraInfo(2);
Mutex g_Infomutex;

namespace {

// Signalled under g_Infomutex whenever a hold ends.
ConditionVariable g_InfoSync;
// The records this thread holds, so that a destroy from inside its own call does not wait for
// itself.
thread_local std::vector<const _CameraInfo *> t_held;

// Index of the first record of the camera object, or -1; the caller holds g_Infomutex. The
// record's id is widened with its sign, as Java got it: where long has 32 bits, an id whose high
// half differs names no camera.
int find_record(jlong cameraId) REQUIRES(g_Infomutex) {
    for (int i = 0; i < g_CameraInfo.size(); i++) {
        if ((jlong)g_CameraInfo[i]->CameraID == cameraId)
            return i;
    }
    return -1;
}

// Whether the record is still in the registry; the caller holds g_Infomutex.
bool registered(const _CameraInfo *info) REQUIRES(g_Infomutex) {
    for (int i = 0; i < g_CameraInfo.size(); i++) {
        if (g_CameraInfo[i] == info)
            return true;
    }
    return false;
}

bool held_here(const _CameraInfo *info) {
    return std::find(t_held.begin(), t_held.end(), info) != t_held.end();
}

// Waits until no call holds the record; it is out of the registry, so none can start.
void wait_unheld(_CameraInfo *info) {
    g_Infomutex.lock();
    while (info->calls > 0 || info->alone || info->waitingAlone > 0)
        g_InfoSync.wait(g_Infomutex);
    g_Infomutex.unlock();
}

void delete_when_unheld(_CameraInfo *info) {
    wait_unheld(info);
    delete camera_of(info->CameraID);
    delete info;
}

// The record is out of the registry and its array reference gone.
void destroy_record(_CameraInfo *info) {
    if (in_callback() || held_here(info))
        Finisher::instance().hand_over(info, [info] { delete_when_unheld(info); });
    else
        delete_when_unheld(info);
}

// Takes the record out of the registry and drops its array reference; the caller holds
// g_Infomutex.
_CameraInfo *take_record(JNIEnv *env, int index) REQUIRES(g_Infomutex) {
    _CameraInfo *info = g_CameraInfo.remove(index);
    if (info && info->Rawarr)
        env->DeleteGlobalRef(info->Rawarr);
    if (info)
        info->Rawarr = nullptr;
    return info;
}

}  // namespace

CameraHold::CameraHold(jlong cameraId, CameraAccess access) : mAccess(access) {
    if (cameraId == 0)
        return;
    const bool mayWait = !in_callback();
    g_Infomutex.lock();
    int index = find_record(cameraId);
    _CameraInfo *info = index >= 0 ? g_CameraInfo[index] : nullptr;
    if (info && access == CameraAccess::shared) {
        // Waiting alone calls go first, unless this thread could be the one they wait for.
        while (mayWait && info && (info->alone || info->waitingAlone > 0)) {
            g_InfoSync.wait(g_Infomutex);
            index = find_record(cameraId);
            info = index >= 0 ? g_CameraInfo[index] : nullptr;
        }
        if (info && info->alone)
            info = nullptr;
        if (info)
            info->calls++;
    } else if (info) {
        if (mayWait) {
            info->waitingAlone++;
            while ((info->calls > 0 || info->alone) && registered(info))
                g_InfoSync.wait(g_Infomutex);
            info->waitingAlone--;
            // A destroy that came meanwhile waits for this call to leave, then deletes.
            if (!registered(info)) {
                g_InfoSync.notify_all();
                info = nullptr;
            }
        } else if (info->calls > 0 || info->alone) {
            info = nullptr;
        }
        if (info)
            info->alone = true;
    }
    g_Infomutex.unlock();
    if (info) {
        mRecord = info;
        mCamera = camera_of(cameraId);
        t_held.push_back(info);
    }
}

CameraHold::~CameraHold() {
    if (!mRecord)
        return;
    t_held.erase(std::find(t_held.begin(), t_held.end(), mRecord));
    g_Infomutex.lock();
    if (mAccess == CameraAccess::shared)
        mRecord->calls--;
    else
        mRecord->alone = false;
    g_InfoSync.notify_all();
    g_Infomutex.unlock();
}

void registry_add(long cameraId, jbyteArray rawArray) {
    g_Infomutex.lock();
    g_CameraInfo.put(new _CameraInfo{rawArray, cameraId, 0, false, 0});
    g_Infomutex.unlock();
}

bool registry_contains(jlong cameraId) {
    g_Infomutex.lock();
    bool found = find_record(cameraId) >= 0;
    g_Infomutex.unlock();
    return found;
}

jbyteArray registry_raw_array(JNIEnv *env, jlong cameraId, bool *found) {
    jbyteArray array = nullptr;
    g_Infomutex.lock();
    int index = find_record(cameraId);
    *found = index >= 0;
    // A local reference made under the lock stays valid even if the record goes meanwhile.
    if (index >= 0 && g_CameraInfo[index]->Rawarr)
        array = (jbyteArray)env->NewLocalRef(g_CameraInfo[index]->Rawarr);
    g_Infomutex.unlock();
    return array;
}

bool registry_destroy(JNIEnv *env, jlong cameraId) {
    g_Infomutex.lock();
    const int index = find_record(cameraId);
    _CameraInfo *info = index >= 0 ? take_record(env, index) : nullptr;
    g_InfoSync.notify_all();
    g_Infomutex.unlock();
    if (!info)
        return false;
    destroy_record(info);
    return true;
}

void registry_destroy_all(JNIEnv *env) {
    std::vector<_CameraInfo *> records;
    g_Infomutex.lock();
    while (g_CameraInfo.size() > 0)
        records.push_back(take_record(env, 0));
    g_CameraInfo.clear();
    g_InfoSync.notify_all();
    g_Infomutex.unlock();
    for (_CameraInfo *info : records)
        destroy_record(info);
}
