// Java arrays and strings as native arguments. Every size that Java passes is limited to the
// array it passes, and a failed JNI call never leaves an exception pending.
#pragma once

#include <jni.h>

#include <vector>

// Logs and clears a pending exception; true when there was one.
bool clear_java_exception(JNIEnv *env, const char *what);

// A byte[] pinned for one call and released with mode 0 (changes are copied back). A null
// array, or one that cannot be pinned, gives a null pointer and length 0.
class PinnedBytes {
  public:
    PinnedBytes(JNIEnv *env, jbyteArray array);
    ~PinnedBytes();
    PinnedBytes(const PinnedBytes &) = delete;
    PinnedBytes &operator=(const PinnedBytes &) = delete;

    jbyte *data() const { return mElements; }
    int length() const { return mLength; }
    // `size` limited to 0 ... length().
    int clamp(int size) const { return size < 0 ? 0 : size > mLength ? mLength : size; }

  private:
    JNIEnv *mEnv;
    jbyteArray mArray;
    jbyte *mElements;
    int mLength;
};

// A native int buffer of a fixed size standing in for a Java int[]: filled from the array's
// first entries (the rest 0) and copied back only as far as both the array and the buffer
// reach. A null array gives a null buffer, so the callee reports its own null-argument error;
// a size of 0 or less covers no entry of the array.
class IntArrayBuffer {
  public:
    IntArrayBuffer(JNIEnv *env, jintArray array, int count);
    ~IntArrayBuffer() { release(); }
    IntArrayBuffer(const IntArrayBuffer &) = delete;
    IntArrayBuffer &operator=(const IntArrayBuffer &) = delete;

    int *data() { return mArray ? mValues.data() : nullptr; }
    // Entries the Java array has (0 for a null array).
    int length() const { return mLength; }
    // Copies the buffer back into the array; later calls do nothing.
    void release();

  private:
    // Entries shared by the array and the buffer.
    int covered() const { return mLength < mCount ? mLength : mCount; }

    JNIEnv *mEnv;
    jintArray mArray;
    int mLength;
    int mCount;
    std::vector<int> mValues;
};

// The characters of a Java string for one call; a null string gives a null pointer.
class StringChars {
  public:
    StringChars(JNIEnv *env, jstring text);
    ~StringChars();
    StringChars(const StringChars &) = delete;
    StringChars &operator=(const StringChars &) = delete;

    const char *c_str() const { return mChars; }

  private:
    JNIEnv *mEnv;
    jstring mText;
    const char *mChars;
};
