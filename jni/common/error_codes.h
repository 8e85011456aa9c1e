// Translation of outside libraries' result codes, and the process-wide last-error text.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// USB audio library code -> engine code; 0 (success) for codes outside the table.
int parse_ErrCode(int code);

// Live-streaming library code -> its constant name; "UNKNOWN_CODE" for others.
const char *TlinkStringFromErrorCode(int code);

#ifdef __cplusplus
}
#endif

#define LAST_ERROR_SIZE 4096

// The last-error text shared by all engines (no lock: a new engine simply resets it).
char *last_error_text();

// Clears the last-error text and writes "no log" into it.
void reset_last_error();
