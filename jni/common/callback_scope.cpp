#include "callback_scope.h"

namespace {
thread_local int t_depth = 0;
}  // namespace

CallbackScope::CallbackScope() {
    t_depth++;
}

CallbackScope::~CallbackScope() {
    t_depth--;
}

bool in_callback() {
    return t_depth > 0;
}
