// The misnumbered restart marker of the virtual camera's fault.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Gives the restart marker halfway through a JPEG's markers the next marker's number. False
// when the JPEG has no restart marker.
bool misnumber_restart_marker(uint8_t *jpeg, size_t bytes);
