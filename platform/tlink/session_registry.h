// Context values handed out to callers, and the sessions behind them. A value is never handed
// out twice, so a stale value can only miss, never reach another session.
#pragma once

#include <memory>

#include "session.h"

// A fresh context value.
void *registry_new_handle();
void registry_add(void *handle, std::shared_ptr<Session> session);
// The session behind `handle`, or null.
std::shared_ptr<Session> registry_find(void *handle);
// Removes the session and shuts it down (its thread joined). False when it was not there.
bool registry_retire(void *handle);
