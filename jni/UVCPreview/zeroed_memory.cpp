#include "zeroed_memory.h"

#include <sys/mman.h>
#include <unistd.h>

// The mapping's length is kept in a page of its own in front of the buffer, so that the buffer
// stays page-aligned and unmap_zeroed needs no size.
void *map_zeroed(size_t bytes) {
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    if (bytes > (size_t)-1 - page)
        return nullptr;
    const size_t length = page + bytes;
    void *base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    *static_cast<size_t *>(base) = length;
    return static_cast<char *>(base) + page;
}

void unmap_zeroed(void *buffer) {
    if (!buffer)
        return;
    char *base = static_cast<char *>(buffer) - (size_t)sysconf(_SC_PAGESIZE);
    munmap(base, *reinterpret_cast<size_t *>(base));
}

void fault_in(void *buffer, size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    if (madvise(buffer, bytes, MADV_POPULATE_WRITE) == 0)
        return;
#endif
    // Kernels before 5.14: a write of each page's own first byte faults it in unchanged.
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    volatile char *bytesOf = static_cast<volatile char *>(buffer);
    for (size_t i = 0; i < bytes; i += page)
        bytesOf[i] = bytesOf[i];
}
