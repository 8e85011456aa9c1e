package com.orrinworks.lumivodemo;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * What the engine reported through the five callbacks of one camera object. Callbacks arrive
 * on the engine's threads; the demo's main thread reads the results.
 */
final class CameraEvents {
    /** One raw frame: its counter and when Java received it (System.nanoTime). */
    record RawFrame(long counter, long receivedNs) {}

    private final long cameraId;
    final Levels levels = new Levels();
    private final CountDownLatch firstPicture = new CountDownLatch(1);
    private final CountDownLatch stillArrived = new CountDownLatch(1);

    private final Object lock = new Object(); // guards every field below
    private int width, height;
    private final List<RawFrame> rawFrames = new ArrayList<>();
    private long rawCount;
    private long rawSkipped;
    private long lastCounter = -1;
    private byte[] still;
    private int stillKind;
    private long stillCounter = -1;
    private final List<String> errors = new ArrayList<>();
    private int startError;
    private long otherCameraEvents;

    CameraEvents(long cameraId) {
        this.cameraId = cameraId;
    }

    /** Size of the pictures the raw-frame callback will carry. */
    void expectSize(int width, int height) {
        synchronized (lock) {
            this.width = width;
            this.height = height;
        }
    }

    private boolean mine(long id) {
        if (id == cameraId)
            return true;
        synchronized (lock) {
            otherCameraEvents++;
        }
        return false;
    }

    void onStill(long id, byte[] data, int size, int kind) {
        if (!mine(id) || data == null)
            return;
        byte[] copy = java.util.Arrays.copyOf(data, Math.min(size, data.length));
        synchronized (lock) {
            if (still != null)
                return; // the first still of the run is the one the demo keeps
            still = copy;
            stillKind = kind;
            stillCounter = lastCounter;
        }
        stillArrived.countDown();
    }

    void onVolume(long id, byte[] data, int size, int rms, int peak) {
        if (mine(id))
            levels.add(rms, peak);
    }

    void onFirstPicture(long id, int what, boolean ready) {
        if (mine(id))
            firstPicture.countDown();
    }

    void onRawFrame(long id, byte[] data, int size) {
        if (!mine(id) || data == null)
            return;
        int w, h;
        synchronized (lock) {
            w = width;
            h = height;
        }
        long counter = size >= w * h * 4 ? DemoHost.decodeCounter(data, w, h) : -1;
        long now = System.nanoTime();
        synchronized (lock) {
            rawCount++;
            if (counter > 0 && lastCounter > 0 && counter > lastCounter + 1)
                rawSkipped += counter - lastCounter - 1;
            if (counter > 0)
                lastCounter = counter;
            rawFrames.add(new RawFrame(counter, now));
        }
    }

    void onError(long id, long errorClass, int value, byte[] message) {
        if (!mine(id))
            return;
        String text = message == null ? "" : new String(message, StandardCharsets.UTF_8);
        synchronized (lock) {
            errors.add("class " + errorClass + ", value " + value + ": " + text);
            if (errorClass == 1)
                startError = value;
        }
        if (errorClass == 1)
            firstPicture.countDown(); // the camera will not show a picture: stop waiting
    }

    boolean awaitFirstPicture(int seconds) throws InterruptedException {
        return firstPicture.await(seconds, TimeUnit.SECONDS) && startError() == 0;
    }

    boolean awaitStill(int seconds) throws InterruptedException {
        return stillArrived.await(seconds, TimeUnit.SECONDS);
    }

    int startError() {
        synchronized (lock) {
            return startError;
        }
    }

    byte[] still() {
        synchronized (lock) {
            return still;
        }
    }

    int stillKind() {
        synchronized (lock) {
            return stillKind;
        }
    }

    /** Counter of the last raw frame before the still arrived (-1 unknown). */
    long stillCounter() {
        synchronized (lock) {
            return stillCounter;
        }
    }

    long rawCount() {
        synchronized (lock) {
            return rawCount;
        }
    }

    /** Camera frames that never reached Java between two raw frames that did. */
    long rawSkipped() {
        synchronized (lock) {
            return rawSkipped;
        }
    }

    long lastCounter() {
        synchronized (lock) {
            return lastCounter;
        }
    }

    List<RawFrame> rawFrames() {
        synchronized (lock) {
            return new ArrayList<>(rawFrames);
        }
    }

    List<String> errors() {
        synchronized (lock) {
            return new ArrayList<>(errors);
        }
    }

    long otherCameraEvents() {
        synchronized (lock) {
            return otherCameraEvents;
        }
    }
}
