#include "engine_session.h"

#include <fcntl.h>
#include <stdlib.h>

#include "host_android.h"
#include "uvc_testing.h"

UVCPreview *fuzz_engine() {
    static UVCCamera *camera = [] {
        host_log_set_echo(false);
        int fd = open(uvc_test_default_description(), O_RDONLY);
        UVCCamera *connected = new UVCCamera();
        if (fd < 0 || connected->connect(0x1bcf, 0x2c9a, fd, nullptr, false, "") != 0)
            abort();
        connected->setRecMode(1);
        return connected;
    }();
    return camera->preview();
}
