// Marks code that runs on behalf of the engine or a library rather than for a caller of the
// engine: the engine's own threads, library report functions and every call into Java. A stop
// or release asked for there must not wait for engine threads, since it may run on one of them:
// it is handed to the finisher instead.
#pragma once

class CallbackScope {
  public:
    CallbackScope();
    ~CallbackScope();
    CallbackScope(const CallbackScope &) = delete;
    CallbackScope &operator=(const CallbackScope &) = delete;
};

// True inside any CallbackScope of the calling thread.
bool in_callback();
