package com.orrinworks.lumivodemo;

/**
 * What the host offers the demo beside the engine: the USB manager's part (a descriptor for
 * the virtual camera's description) and read-only probes of the virtual camera and the host
 * surfaces, used to measure what the engine did.
 */
final class DemoHost {
    private DemoHost() {}

    static {
        System.loadLibrary("orrin_demo_host");
    }

    /** Opens the camera behind `path` read-only; the descriptor, or -errno. */
    static native int openDevice(String path);

    static native void closeDevice(int fd);

    /** Frame number carried by a counter picture of R, G, B, X pixels, or -1. */
    static native long decodeCounter(byte[] rgbx, int width, int height);

    /** True when a picture of R, G, B, X pixels shows the camera's clap marker. */
    static native boolean clapMarker(byte[] rgbx, int width, int height);

    /** Monotonic time (ns, as System.nanoTime) the camera handed frame `sequence` over; -1. */
    static native long handoverTimeNs(int fd, int sequence);

    /** Frames the camera handed to the engine in its current or last stream. */
    static native int framesDelivered(int fd);

    /** Monotonic post times (µs) of every picture posted to the surface's window. */
    static native long[] surfacePostTimes(Object surface);

    /** What the virtual camera and the host windows still hold open, counted per kind. */
    static native String leftOpen();
}
