package bridgetest;

import com.orrinworks.lumivonative.Lumivo_Native;
import com.orrinworks.lumivonative.NativeCamera;
import java.util.concurrent.atomic.AtomicBoolean;

/**
 * Calls one native on the camera of the first event of one kind, from inside that callback:
 * what an application does when it stops the camera from a listener.
 */
public final class Reactor implements NativeCamera.Listener {
    private static final Reactor instance = new Reactor();
    private static final AtomicBoolean fired = new AtomicBoolean();
    private static volatile boolean returned;
    private static volatile String eventKind = "";
    private static volatile String nativeName = "";
    private static volatile Lumivo_Native natives;

    private Reactor() {}

    /** Reacts to the next event of {@code kind} by calling {@code method}. */
    public static synchronized void arm(Lumivo_Native target, String kind, String method) {
        natives = target;
        eventKind = kind;
        nativeName = method;
        fired.set(false);
        returned = false;
        NativeCamera.removeListener(instance);
        NativeCamera.addListener(instance);
    }

    /** Whether the native called from the callback has returned. */
    public static boolean returned() {
        return returned;
    }

    private static void react(String kind, long id) {
        if (!kind.equals(eventKind) || fired.getAndSet(true)) {
            return;
        }
        switch (nativeName) {
            case "nativeStopPreview":
                natives.nativeStopPreview(id);
                break;
            case "nativeRelease":
                natives.nativeRelease(id);
                break;
            case "nativeDestroy":
                natives.nativeDestroy(id);
                break;
            default:
                throw new IllegalArgumentException(nativeName);
        }
        returned = true;
    }

    @Override
    public void onStillPicture(long cameraId, byte[] data, int size, int kind) {
        react("StillTriggerCallback", cameraId);
    }

    @Override
    public void onVolume(long cameraId, byte[] data, int size, int valueA, int valueB) {
        react("VolumeCallback", cameraId);
    }

    @Override
    public void onPictureTaken(long cameraId, int what, boolean ready) {
        react("sendPictureTake", cameraId);
    }

    @Override
    public void onPreviewData(long cameraId, byte[] data, int size) {
        react("PreviewDataCallback", cameraId);
    }

    @Override
    public void onError(long cameraId, long errorClass, int value, byte[] message) {
        react("notifyErrCallback", cameraId);
    }
}
