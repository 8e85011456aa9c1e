// Java arrays and strings as native arguments.
#include "jni_arrays.h"

#include "logging.h"

bool clear_java_exception(JNIEnv *env, const char *what) {
    if (!env->ExceptionCheck())
        return false;
    LOGE("Java exception in %s: cleared\n", what);
    env->ExceptionClear();
    return true;
}

PinnedBytes::PinnedBytes(JNIEnv *env, jbyteArray array)
    : mEnv(env), mArray(array), mElements(nullptr), mLength(0) {
    if (!array)
        return;
    mElements = env->GetByteArrayElements(array, nullptr);
    if (!mElements) {
        clear_java_exception(env, "GetByteArrayElements");
        return;
    }
    mLength = env->GetArrayLength(array);
}

PinnedBytes::~PinnedBytes() {
    if (mElements)
        mEnv->ReleaseByteArrayElements(mArray, mElements, 0);
}

IntArrayBuffer::IntArrayBuffer(JNIEnv *env, jintArray array, int count)
    : mEnv(env),
      mArray(array),
      mLength(0),
      mCount(count > 0 ? count : 0),
      mValues(mCount > 0 ? mCount : 1, 0) {
    if (!array)
        return;
    mLength = env->GetArrayLength(array);
    if (covered() > 0)
        env->GetIntArrayRegion(array, 0, covered(), mValues.data());
}

void IntArrayBuffer::release() {
    if (!mArray)
        return;
    if (covered() > 0)
        mEnv->SetIntArrayRegion(mArray, 0, covered(), mValues.data());
    mArray = nullptr;
}

StringChars::StringChars(JNIEnv *env, jstring text) : mEnv(env), mText(text), mChars(nullptr) {
    if (!text)
        return;
    mChars = env->GetStringUTFChars(text, nullptr);
    if (!mChars)
        clear_java_exception(env, "GetStringUTFChars");
}

StringChars::~StringChars() {
    if (mChars)
        mEnv->ReleaseStringUTFChars(mText, mChars);
}
