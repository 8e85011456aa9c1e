// Large buffers that start as zeros without being written: fresh anonymous pages read as zeros
// and take neither memory nor a page fault until first written. calloc gives this only while
// the allocator maps large blocks itself; once it reuses freed memory it clears it, which maps
// every page. Picture-sized buffers of which a stream may write little or nothing (pool frames,
// the still copy) come from here.
#pragma once

#include <stddef.h>

// A buffer of `bytes` zero bytes, or null.
void *map_zeroed(size_t bytes);
// Gives back a buffer of map_zeroed; null is ignored.
void unmap_zeroed(void *buffer);
// Takes the page faults of the first `bytes` of a map_zeroed buffer now, leaving its contents as
// they are, so that a later first write does not pay them.
void fault_in(void *buffer, size_t bytes);
