package com.orrinworks.lumivonative;

import java.util.concurrent.CopyOnWriteArrayList;

/**
 * Events of the camera engine. The engine calls the five static methods from its own threads;
 * each passes the event on to every registered listener, in registration order. A listener that
 * throws ends the dispatch of that one event (the engine logs and clears the exception).
 */
public final class NativeCamera {
    /** Receives engine events; every method has an empty default. */
    public interface Listener {
        /** A still picture: JPEG bytes (kind 2) or R, G, B, X pixels (kind 1). */
        default void onStillPicture(long cameraId, byte[] data, int size, int kind) {}

        /** One block of microphone samples with its two level values. */
        default void onVolume(long cameraId, byte[] data, int size, int valueA, int valueB) {}

        /** The first picture of a preview reached the surface. */
        default void onPictureTaken(long cameraId, int what, boolean ready) {}

        /**
         * A preview picture of {@code size} bytes. The array is reused for the next picture:
         * copy what you keep before returning.
         */
        default void onPreviewData(long cameraId, byte[] data, int size) {}

        /** Class 1: the camera failed to start; class 2: a live-stream connection error. */
        default void onError(long cameraId, long errorClass, int value, byte[] message) {}
    }

    private static final CopyOnWriteArrayList<Listener> listeners = new CopyOnWriteArrayList<>();

    private NativeCamera() {}

    public static void addListener(Listener listener) {
        listeners.add(listener);
    }

    public static void removeListener(Listener listener) {
        listeners.remove(listener);
    }

    public static void StillTriggerCallback(long cameraId, byte[] data, int size, int kind) {
        for (Listener listener : listeners) {
            listener.onStillPicture(cameraId, data, size, kind);
        }
    }

    public static void VolumeCallback(long cameraId, byte[] data, int size, int valueA,
                                      int valueB) {
        for (Listener listener : listeners) {
            listener.onVolume(cameraId, data, size, valueA, valueB);
        }
    }

    public static void sendPictureTake(long cameraId, int what, boolean ready) {
        for (Listener listener : listeners) {
            listener.onPictureTaken(cameraId, what, ready);
        }
    }

    public static void PreviewDataCallback(long cameraId, byte[] data, int size) {
        for (Listener listener : listeners) {
            listener.onPreviewData(cameraId, data, size);
        }
    }

    public static void notifyErrCallback(long cameraId, long errorClass, int value,
                                         byte[] message) {
        for (Listener listener : listeners) {
            listener.onError(cameraId, errorClass, value, message);
        }
    }
}
