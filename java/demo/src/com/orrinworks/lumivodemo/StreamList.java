package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.Lumivo_Native;
import java.util.ArrayList;
import java.util.List;

/**
 * The camera's diagnostic data: its default stream and frame rate, then per format the list
 * of frame sizes, whose 1-based position is the frame index a resolution request names.
 */
final class StreamList {
    int defaultFormat, defaultWidth, defaultHeight, fps;
    private final List<int[]> entries = new ArrayList<>(); // {format, index, width, height}

    static StreamList query(Lumivo_Native camera, long id) {
        int[] diag = new int[1021];
        if (camera.nativegetUVCDevInfo(id, diag) != 0 || diag[0] < 5)
            return null;
        StreamList list = new StreamList();
        list.defaultFormat = diag[1] == 9 ? 9 : 3;
        list.defaultWidth = diag[2];
        list.defaultHeight = diag[3];
        list.fps = diag[5] > 0 ? diag[5] : 30;
        int end = Math.min(diag.length, diag[0] + 1);
        for (int at = 6; at + 1 < end;) {
            int format = diag[at], count = diag[at + 1];
            at += 2;
            for (int i = 0; i < count && at + 1 < end; i++, at += 2)
                list.entries.add(new int[] {format, i + 1, diag[at], diag[at + 1]});
        }
        return list;
    }

    /** Frame index of the size in the format's list, 0 when the camera does not offer it. */
    int index(int format, int width, int height) {
        for (int[] e : entries) {
            if (e[0] == format && e[2] == width && e[3] == height)
                return e[1];
        }
        return 0;
    }

    /** The format's first size, or {0, 0} when the camera has no such format. */
    int[] first(int format) {
        for (int[] e : entries) {
            if (e[0] == format)
                return new int[] {e[2], e[3]};
        }
        return new int[] {0, 0};
    }

    String describe(int format) {
        StringBuilder sizes = new StringBuilder();
        for (int[] e : entries) {
            if (e[0] == format)
                sizes.append(sizes.length() == 0 ? "" : ", ").append(e[2]).append('x').append(e[3]);
        }
        return sizes.length() == 0 ? "no " + Options.formatName(format) + " stream"
                                   : Options.formatName(format) + " " + sizes;
    }
}
