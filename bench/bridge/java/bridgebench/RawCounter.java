package bridgebench;

import com.orrinworks.lumivonative.NativeCamera;

/** Counts the raw frames that reach Java and touches one byte of each, as a consumer would. */
public final class RawCounter implements NativeCamera.Listener {
    private static final RawCounter instance = new RawCounter();
    private static volatile long frames;
    private static volatile long checksum;

    private RawCounter() {}

    public static void install() {
        NativeCamera.addListener(instance);
    }

    public static long frames() {
        return frames;
    }

    public static long checksum() {
        return checksum;
    }

    @Override
    public void onPreviewData(long cameraId, byte[] data, int size) {
        checksum += data[size / 2];
        frames++;
    }
}
