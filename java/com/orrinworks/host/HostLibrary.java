package com.orrinworks.host;

/** Loads the native side of the host stand-ins (android.view.Surface, android.graphics.Bitmap). */
public final class HostLibrary {
    private static boolean loaded;

    private HostLibrary() {}

    /** Loads "android_host_jni" from java.library.path once. */
    public static synchronized void load() {
        if (!loaded) {
            System.loadLibrary("android_host_jni");
            loaded = true;
        }
    }
}
