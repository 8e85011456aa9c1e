// Objects that a device library hands out (recorder, encoder, muxer, decoder) belong to the
// caller's instance of that library: the object is released first, then the instance.
#pragma once

#include <atomic>

namespace library_objects {

template <class T>
T *current(T *object) {
    return object;
}

template <class T>
T *current(const std::atomic<T *> &object) {
    return object.load();
}

}  // namespace library_objects

// Releases `object` (stopped first when `stopFirst`), then the instance `library`, and clears
// both; either may already be null. `object` is a plain or an atomic pointer.
template <class Library, class Slot>
void release_library_object(Library *&library, Slot &object, bool stopFirst = false) {
    if (auto *held = library_objects::current(object)) {
        if (stopFirst)
            held->Stop();
        held->Release();
        object = nullptr;
    }
    if (library) {
        library->releaseInstance();
        library = nullptr;
    }
}
