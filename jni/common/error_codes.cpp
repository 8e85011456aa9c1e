#include "error_codes.h"

#include <cstring>

extern "C" int parse_ErrCode(int code) {
    switch (code) {
        case 16:
            return -2;
        case 48:
            return -3;
        case 256:
            return -11;
        case 0x10000001:
            return -91;
        default:
            return 0;
    }
}

extern "C" const char *TlinkStringFromErrorCode(int code) {
    switch (code) {
        case 0x0:
            return "TL_ERROR_SUCCESS";
        case 0x10:
            return "TL_ERROR_INVALID_PARAMETER";
        case 0x11:
            return "TL_ERROR_INVALID_PARAMETER_1";
        case 0x12:
            return "TL_ERROR_INVALID_PARAMETER_2";
        case 0x13:
            return "TL_ERROR_INVALID_PARAMETER_3";
        case 0x14:
            return "TL_ERROR_INVALID_PARAMETER_4";
        case 0x15:
            return "TL_ERROR_INVALID_PARAMETER_5";
        case 0x16:
            return "TL_ERROR_INVALID_PARAMETER_6";
        case 0x17:
            return "TL_ERROR_INVALID_OBJECT";
        case 0x30:
            return "TL_ERROR_INSUFFICIENT_MEMORY";
        case 0x40:
            return "TL_ERROR_NOT_INITIALIZED";
        case 0x41:
            return "TL_ERROR_BUFFER_OVERFLOW";
        case 0x97:
            return "TL_ERROR_NO_PENDING_JOB";
        case 0x98:
            return "TL_ERROR_WAIT_TIMEOUT";
        case 0x99:
            return "TL_ERROR_PENDING";
        case 0x101:
            return "TL_ERROR_NO_HEADER_FRAME";
        case 0x200:
            return "TL_ERROR_PREVIOUS_JOB_NOT_COMPLETED";
        case 0x805:
            return "TL_ERROR_CREATE_THREAD";
        case 0x10001:
            return "TL_ERROR_RTMP_HANDSHAKE";
        case 0x10002:
            return "TL_ERROR_RTMP_CONNECT_APP";
        case 0x10003:
            return "TL_ERROR_RTMP_PUBLISH_STREAM";
        case 0x1000001:
            return "TL_ERROR_SOCKET_READ";
        case 0x1000002:
            return "TL_ERROR_SOCKET_WRITE";
        case 0x20000001:
            return "TL_ERROR_UNSUPPORTED_FUNCTION";
        case 0x20000002:
            return "TL_ERROR_UNSUPPORTED_STATS";
        default:
            return "UNKNOWN_CODE";
    }
}

static char g_last_error[LAST_ERROR_SIZE] = "no log";

char *last_error_text() {
    return g_last_error;
}

void reset_last_error() {
    memset(g_last_error, 0, sizeof(g_last_error));
    strcpy(g_last_error, "no log");
}
