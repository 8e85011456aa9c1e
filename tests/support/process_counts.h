// Open descriptors and threads of this process, to show that nothing was left behind.
#pragma once

int count_open_descriptors();
int count_threads();
// The thread count once it is back to `expected`, or what it is after a guard time: a joined
// thread can stay listed by the kernel for a moment after the join returns.
int settled_thread_count(int expected);
