// An object that a device library hands out (recorder, encoder, muxer, decoder) together with
// the caller's instance of that library. The instance count is process-wide, so each instance
// taken is given back exactly once: the object is released first, then the instance.
#pragma once

#include <atomic>
#include <type_traits>
#include <utility>

template <class Library, class Object>
class LibraryObject {
  public:
    LibraryObject() = default;
    // Takes over `object` (may be null) and the instance `library` it came from.
    LibraryObject(Library *library, Object *object) : mLibrary(library), mObject(object) {}
    ~LibraryObject() { reset(); }
    LibraryObject(LibraryObject &&other) noexcept
        : mLibrary(std::exchange(other.mLibrary, nullptr)),
          mObject(other.mObject.exchange(nullptr)) {}
    LibraryObject &operator=(LibraryObject &&other) noexcept {
        if (this != &other) {
            reset();
            mLibrary = std::exchange(other.mLibrary, nullptr);
            mObject = other.mObject.exchange(nullptr);
        }
        return *this;
    }
    LibraryObject(const LibraryObject &) = delete;
    LibraryObject &operator=(const LibraryObject &) = delete;

    // The object, null when none is held. May be read from another thread (an output thread of
    // the library) while the owner keeps the object alive.
    Object *get() const { return mObject.load(); }
    Object *operator->() const { return mObject.load(); }
    explicit operator bool() const { return mObject.load() != nullptr; }
    bool holds_instance() const { return mLibrary != nullptr; }

    // Releases the object (stopped first when `stopFirst`), then the instance.
    void reset(bool stopFirst = false) {
        if (Object *object = mObject.exchange(nullptr)) {
            if (stopFirst)
                object->Stop();
            object->Release();
        }
        if (Library *library = std::exchange(mLibrary, nullptr))
            library->releaseInstance();
    }

  private:
    Library *mLibrary = nullptr;
    std::atomic<Object *> mObject{nullptr};
};

// A fresh instance of `Library` and the object `make` gets from it; a null object gives the
// instance straight back and leaves nothing held.
template <class Library, class Make>
auto take_library_object(Make make)
    -> LibraryObject<Library, std::remove_pointer_t<decltype(make(std::declval<Library *>()))>> {
    Library *library = Library::getInstance();
    auto *object = make(library);
    if (!object) {
        library->releaseInstance();
        return {};
    }
    return {library, object};
}
