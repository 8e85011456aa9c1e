package bridgebench;

import com.orrinworks.lumivonative.Lumivo_Native;

/**
 * Cost of one native round trip from Java: a scalar native, a native that pins a 1080p
 * picture (1920 x 1080 x 4 bytes) and releases it, and an empty JNI method, measured side by
 * side in one run. Usage: Bench DELIVERABLE_PATH [ROUNDS]
 */
public final class Bench {
    private static native void noop(long id);

    private interface Call {
        void run();
    }

    // Nanoseconds per call: the best of five batches, after a warm-up.
    private static double measure(Call call, int calls) {
        for (int i = 0; i < calls; i++) {
            call.run();
        }
        double best = Double.MAX_VALUE;
        for (int batch = 0; batch < 5; batch++) {
            long start = System.nanoTime();
            for (int i = 0; i < calls; i++) {
                call.run();
            }
            best = Math.min(best, (System.nanoTime() - start) / (double) calls);
        }
        return best;
    }

    public static void main(String[] args) {
        Lumivo_Native.loadLibrary(args[0]);
        System.loadLibrary("bridge_bench_jni");
        int rounds = args.length > 1 ? Integer.parseInt(args[1]) : 200000;
        Lumivo_Native natives = new Lumivo_Native();
        // A camera object without an engine: the natives do their marshalling and return.
        long id = natives.nativeCreate_internal();
        byte[] picture = new byte[1920 * 1080 * 4];

        double empty = measure(() -> noop(id), rounds);
        double scalar = measure(() -> natives.nativesetAudioVolume(id, 50), rounds);
        double pinned = measure(
            () -> natives.nativeaudioDataCallback_internal(id, picture, picture.length),
            Math.max(rounds / 1000, 50));
        natives.nativeDestroy(id);

        System.out.printf("empty JNI call            %10.1f ns%n", empty);
        System.out.printf("scalar native round trip  %10.1f ns  (%.2f x empty)%n", scalar,
                          scalar / empty);
        System.out.printf("1080p byte[] round trip   %10.1f ns  (%.1f x empty, %.2f GB/s)%n",
                          pinned, pinned / empty, picture.length / pinned);
        System.out.printf("load average              %s%n", loadAverage());
    }

    private static String loadAverage() {
        try {
            return new String(java.nio.file.Files.readAllBytes(
                java.nio.file.Paths.get("/proc/loadavg"))).trim();
        } catch (java.io.IOException e) {
            return "unknown";
        }
    }
}
