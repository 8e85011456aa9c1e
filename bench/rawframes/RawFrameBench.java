package com.orrinworks.lumivodemo;

import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Raw frames into Java at 1080p30: camera frames handed over versus drawn versus received in
 * Java over a live run, then the bridge's CPU per frame (attach, copy into the camera object's
 * array, call, detach) beside a bare SetByteArrayRegion of the same bytes, in the same process.
 * Usage: RawFrameBench LIBRARY_DIR DESCRIPTION [SECONDS] [DELIVERABLE]
 */
public final class RawFrameBench {
    private static final int CALLS = 300;

    private RawFrameBench() {}

    static native double bridgeCpuPerCall(String library, long id, int bytes, int calls);

    static native double bareCopyCpuPerCall(byte[] array, int bytes, int calls);

    public static void main(String[] args) throws Exception {
        String libDir = args[0];
        int seconds = args.length > 2 ? Integer.parseInt(args[2]) : 30;
        String deliverable = args.length > 3 ? args[3] : "OrrinUVC5_TL";
        Path out = Files.createTempDirectory("raw-frame-bench");
        Options options = Options.parse(new String[] {"--description", args[1], "--format",
                "mjpeg", "--size", "1920x1080", "--out", out.toString(), "--deliverable",
                deliverable});
        com.orrinworks.lumivonative.Lumivo_Native.loadLibrary(deliverable);
        System.loadLibrary("orrin_rawframe_bench");
        String library = Path.of(libDir, "lib" + deliverable + ".so").toAbsolutePath().toString();
        try (DemoRun run = new DemoRun(options)) {
            run.open();
            CameraEvents events = run.events();
            long raw0 = events.rawCount();
            int delivered0 = DemoHost.framesDelivered(run.deviceFd());
            long drawn0 = run.previewSurface().getPostCount();
            Thread.sleep(seconds * 1000L);
            long raw = events.rawCount() - raw0;
            int delivered = DemoHost.framesDelivered(run.deviceFd()) - delivered0;
            long drawn = run.previewSurface().getPostCount() - drawn0;
            run.stopPreview();

            // The bridge alone on the stopped camera object: the Java method only counts.
            events.expectSize(0, 0);
            final int bytes = 1920 * 1080 * 4;
            double bridge = bridgeCpuPerCall(library, run.cameraId(), bytes, CALLS);
            double bare = bareCopyCpuPerCall(new byte[bytes], bytes, CALLS);

            System.out.printf("load average: %s%n", Files.readString(Path.of("/proc/loadavg")).trim());
            System.out.printf("1080p30 MJPEG for %d s, %s%n", seconds, deliverable);
            System.out.printf("  camera frames handed over  %6d%n", delivered);
            System.out.printf("  frames drawn on surface    %6d%n", drawn);
            System.out.printf("  raw frames received (Java) %6d  (%.1f %% of drawn)%n", raw,
                    drawn > 0 ? 100.0 * raw / drawn : 0);
            System.out.printf("bridge CPU per 1080p frame (%d calls, %d bytes)%n", CALLS, bytes);
            System.out.printf("  attach + copy + call + detach  %8.3f ms%n", bridge / 1e6);
            System.out.printf("  bare SetByteArrayRegion        %8.3f ms%n", bare / 1e6);
            System.out.printf("  ratio                          %8.2f%n", bare > 0 ? bridge / bare : 0);
        } finally {
            try (var files = Files.list(out)) {
                for (Path p : (Iterable<Path>) files::iterator)
                    Files.deleteIfExists(p);
            }
            Files.deleteIfExists(out);
        }
    }
}
