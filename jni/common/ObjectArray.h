// Growable array of element pointers: doubles when full, shrinks back on clear, never frees
// its elements and has no lock of its own (each user guards it with its own mutex).
#pragma once

#include <cstring>

template <class T>
class ObjectArray {
  public:
    explicit ObjectArray(int initialCapacity = 2)
        : mInitialCapacity(initialCapacity > 0 ? initialCapacity : 0),
          mCapacity(mInitialCapacity),
          mSize(0) {
        mElements = mCapacity > 0 ? new T[mCapacity] : nullptr;
    }
    ~ObjectArray() { delete[] mElements; }
    ObjectArray(const ObjectArray &) = delete;
    ObjectArray &operator=(const ObjectArray &) = delete;

    // Appends an element; returns its index.
    int put(T element) {
        if (mSize >= mCapacity) {
            int grown = mCapacity > 0 ? mCapacity * 2 : 2;
            T *storage = new T[grown];
            for (int i = 0; i < mSize; i++)
                storage[i] = mElements[i];
            delete[] mElements;
            mElements = storage;
            mCapacity = grown;
        }
        mElements[mSize] = element;
        return mSize++;
    }

    // Takes the element at `index` out, moving later ones down; T() when out of range.
    T remove(int index) {
        if (index < 0 || index >= mSize)
            return T();
        T element = mElements[index];
        for (int i = index; i < mSize - 1; i++)
            mElements[i] = mElements[i + 1];
        mSize--;
        return element;
    }

    // Forgets every element (without freeing them) and returns to the initial capacity.
    void clear() {
        mSize = 0;
        if (mCapacity != mInitialCapacity) {
            delete[] mElements;
            mCapacity = mInitialCapacity;
            mElements = mCapacity > 0 ? new T[mCapacity] : nullptr;
        }
    }

    int size() const { return mSize; }
    int capacity() const { return mCapacity; }

    // Element at `index`; T() when out of range.
    T operator[](int index) const { return (index >= 0 && index < mSize) ? mElements[index] : T(); }

  private:
    T *mElements;
    const int mInitialCapacity;
    int mCapacity;
    int mSize;
};
