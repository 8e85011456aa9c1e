package com.orrinworks.lumivodemo;

import android.view.Surface;

/**
 * The frame figures at one moment, each defined once. A frame goes camera, surface, Java in
 * that order, so the counters are read the other way round: a frame counted further on is
 * always counted before, and raw received <= shown <= handed over holds in every reading.
 *
 * @param handedOver frames the camera handed to the engine
 * @param shown      camera pictures posted to the preview surface
 * @param raw        raw frames that reached Java
 * @param skipped    camera frames missing between two raw frames that reached Java
 */
record FrameCounts(long handedOver, long shown, long raw, long skipped) {
    /** Handed over and not shown (during a run this includes the frames in flight). */
    long dropped() {
        return Math.max(0, handedOver - shown);
    }

    /** Now. `clears`: posts that were no camera picture (the stop's clearing of the surface). */
    static FrameCounts read(CameraEvents events, Surface surface, int fd, int clears) {
        long raw = events.rawCount(), skipped = events.rawSkipped();
        long shown = Math.max(0, surface.getPostCount() - clears);
        return new FrameCounts(DemoHost.framesDelivered(fd), shown, raw, skipped);
    }

    /** 1 when the surface's last post is the stop's black picture, else 0. */
    static int clearingPosts(Surface surface) {
        byte[] last = surface.getLastPicture(new int[2]);
        if (last == null)
            return 0;
        for (int i = 0; i < last.length; i += 4) {
            if (last[i] != 0 || last[i + 1] != 0 || last[i + 2] != 0)
                return 0;
        }
        return 1;
    }
}
