package android.graphics;

import com.orrinworks.host.HostLibrary;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import javax.imageio.ImageIO;

/**
 * Host stand-in for a bitmap: it carries a bitmap of the host NDK stand-in, whose handle the
 * engine reads from {@code mNativePtr}.
 */
public final class Bitmap {
    /** Pixel layouts, with the NDK's format numbers. */
    public enum Config {
        ARGB_8888(1, 4),
        RGB_565(4, 2);

        final int format;
        final int bytesPerPixel;

        Config(int format, int bytesPerPixel) {
            this.format = format;
            this.bytesPerPixel = bytesPerPixel;
        }
    }

    /** Handle of the host bitmap; 0 once recycled. */
    long mNativePtr;
    private final int width;
    private final int height;
    private final Config config;

    private Bitmap(int width, int height, Config config, int rowPadding) {
        HostLibrary.load();
        this.width = width;
        this.height = height;
        this.config = config;
        mNativePtr = nativeCreate(width, height, config.format, rowPadding);
        if (mNativePtr == 0) {
            throw new IllegalArgumentException("no bitmap of " + width + "x" + height);
        }
    }

    public static Bitmap createBitmap(int width, int height, Config config) {
        return new Bitmap(width, height, config, 0);
    }

    /** Host only: a bitmap whose rows carry {@code rowPadding} extra bytes (at most 4096). */
    public static Bitmap createPaddedBitmap(int width, int height, Config config,
                                            int rowPadding) {
        return new Bitmap(width, height, config, rowPadding);
    }

    public int getWidth() {
        return width;
    }

    public int getHeight() {
        return height;
    }

    public Config getConfig() {
        return config;
    }

    /** The pixel bytes row after row, without the stride's padding. */
    public byte[] getPixelBytes() {
        return nativePixels(mNativePtr, width * config.bytesPerPixel);
    }

    /** Saves an ARGB_8888 bitmap (R, G, B, A bytes) as a PNG. */
    public void savePng(String path) throws IOException {
        if (config != Config.ARGB_8888) {
            throw new IOException("only ARGB_8888 bitmaps are saved");
        }
        byte[] rgba = getPixelBytes();
        BufferedImage image = new BufferedImage(width, height, BufferedImage.TYPE_INT_ARGB);
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                int i = (y * width + x) * 4;
                int argb = (rgba[i + 3] & 0xFF) << 24 | (rgba[i] & 0xFF) << 16
                        | (rgba[i + 1] & 0xFF) << 8 | (rgba[i + 2] & 0xFF);
                image.setRGB(x, y, argb);
            }
        }
        if (!ImageIO.write(image, "png", new File(path))) {
            throw new IOException("no PNG writer");
        }
    }

    public void recycle() {
        if (mNativePtr != 0) {
            nativeDestroy(mNativePtr);
            mNativePtr = 0;
        }
    }

    private static native long nativeCreate(int width, int height, int format, int rowPadding);
    private static native byte[] nativePixels(long bitmap, int rowBytes);
    private static native void nativeDestroy(long bitmap);
}
