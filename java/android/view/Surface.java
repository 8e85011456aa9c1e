package android.view;

import com.orrinworks.host.HostLibrary;

/**
 * Host stand-in for a preview surface: it carries a window of the host NDK stand-in, whose
 * handle the engine reads from {@code mNativeObject}.
 */
public class Surface {
    /** Handle of the host window; 0 once released. */
    long mNativeObject;

    /** A surface with a window of the given size (4 bytes per pixel). */
    public Surface(int width, int height) {
        HostLibrary.load();
        mNativeObject = nativeCreate(width, height);
        if (mNativeObject == 0) {
            throw new IllegalArgumentException("no window of " + width + "x" + height);
        }
    }

    /** Pictures posted to the window so far. */
    public long getPostCount() {
        return mNativeObject == 0 ? 0 : nativePostCount(mNativeObject);
    }

    /** The last posted picture as R, G, B, A rows without gaps; null when none was posted. */
    public byte[] getLastPicture(int[] size) {
        return mNativeObject == 0 ? null : nativeLastPicture(mNativeObject, size);
    }

    /** Saves the last posted picture as a PNG; false when nothing was posted or writing failed. */
    public boolean savePng(String path) {
        return mNativeObject != 0 && nativeSavePng(mNativeObject, path);
    }

    /** Gives up this surface's reference to the window; the engine may still hold its own. */
    public void release() {
        if (mNativeObject != 0) {
            nativeRelease(mNativeObject);
            mNativeObject = 0;
        }
    }

    public boolean isValid() {
        return mNativeObject != 0;
    }

    private static native long nativeCreate(int width, int height);
    private static native long nativePostCount(long window);
    private static native byte[] nativeLastPicture(long window, int[] size);
    private static native boolean nativeSavePng(long window, String path);
    private static native void nativeRelease(long window);
}
