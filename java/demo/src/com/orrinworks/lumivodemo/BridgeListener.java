package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.NativeCamera;

/** Hands the bridge's callbacks for one camera object to its CameraEvents. */
final class BridgeListener implements NativeCamera.Listener {
    private final CameraEvents events;

    private BridgeListener(CameraEvents events) {
        this.events = events;
    }

    static BridgeListener register(CameraEvents events) {
        BridgeListener listener = new BridgeListener(events);
        NativeCamera.addListener(listener);
        return listener;
    }

    void unregister() {
        NativeCamera.removeListener(this);
    }

    @Override
    public void onStillPicture(long id, byte[] data, int size, int kind) {
        events.onStill(id, data, size, kind);
    }

    @Override
    public void onVolume(long id, byte[] data, int size, int a, int b) {
        events.onVolume(id, data, size, a, b);
    }

    @Override
    public void onPictureTaken(long id, int what, boolean ready) {
        events.onFirstPicture(id, what, ready);
    }

    @Override
    public void onPreviewData(long id, byte[] data, int size) {
        events.onRawFrame(id, data, size);
    }

    @Override
    public void onError(long id, long errorClass, int value, byte[] message) {
        events.onError(id, errorClass, value, message);
    }
}
