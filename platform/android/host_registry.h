// Registry of live host objects, so that a handle arriving as a jobject is recognised by
// address comparison alone, never by dereferencing an unknown pointer.
#pragma once

enum class HostKind { Window, Bitmap };

void host_registry_add(HostKind kind, const void *object);
void host_registry_remove(HostKind kind, const void *object);
bool host_registry_contains(HostKind kind, const void *object);
int host_registry_count(HostKind kind);
