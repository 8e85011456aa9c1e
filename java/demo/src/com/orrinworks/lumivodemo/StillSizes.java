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
            // the decoder reads R, G, B and skips the fourth byte
            return DemoHost.decodeCounter(Images.toRgba(image), image.getWidth(), image.getHeight());
        } catch (IOException e) {
            return -1;
        }
    }
}
