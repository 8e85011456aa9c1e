package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.Lumivo_Native;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import javax.imageio.ImageIO;

/** Reading a still back: its size when it came as pixels, its counter when it came as JPEG. */
final class StillSizes {
    private StillSizes() {}

    /**
     * A still of raw pixels carries no size: it is the preview size or one of the camera's
     * still sizes with that many pixels. Null when none matches.
     */
    static int[] forPixels(Lumivo_Native camera, long id, int pixels, RunResults run) {
        if (pixels == run.width * run.height)
            return new int[] {run.width, run.height};
        int[] list = new int[100]; // a count, then width and height pairs
        if (camera.nativegetStillResolution(id, list) != 0)
            return null;
        int end = Math.min(list.length - 1, 1 + 2 * Math.max(0, list[0]));
        for (int i = 1; i + 1 <= end; i += 2) {
            if (list[i] * list[i + 1] == pixels)
                return new int[] {list[i], list[i + 1]};
        }
        return null;
    }

    /** Camera frame number of a JPEG still, -1 when unreadable. */
    static long jpegCounter(File jpeg) {
        try {
            BufferedImage image = ImageIO.read(jpeg);
            if (image == null)
                return -1;
            int w = image.getWidth(), h = image.getHeight();
            byte[] rgbx = new byte[w * h * 4];
            int[] row = new int[w];
            for (int y = 0; y < h; y++) {
                image.getRGB(0, y, w, 1, row, 0, w);
                for (int x = 0, at = y * w * 4; x < w; x++, at += 4) {
                    rgbx[at] = (byte) (row[x] >> 16);
                    rgbx[at + 1] = (byte) (row[x] >> 8);
                    rgbx[at + 2] = (byte) row[x];
                }
            }
            return DemoHost.decodeCounter(rgbx, w, h);
        } catch (IOException e) {
            return -1;
        }
    }
}
