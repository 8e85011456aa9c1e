package com.orrinworks.lumivodemo;

import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.image.BufferedImage;
import java.io.ByteArrayInputStream;
import java.io.File;
import java.io.IOException;
import javax.imageio.ImageIO;

/** Conversions between the engine's 4-byte pixels and Java images. */
final class Images {
    private Images() {}

    /** A picture of R, G, B, X bytes, rows without gaps. */
    static BufferedImage fromRgbx(byte[] data, int width, int height) {
        BufferedImage image = new BufferedImage(width, height, BufferedImage.TYPE_INT_RGB);
        int[] row = new int[width];
        for (int y = 0; y < height; y++) {
            int at = y * width * 4;
            for (int x = 0; x < width; x++, at += 4) {
                row[x] = (data[at] & 0xff) << 16 | (data[at + 1] & 0xff) << 8 | (data[at + 2] & 0xff);
            }
            image.setRGB(0, y, width, 1, row, 0, width);
        }
        return image;
    }

    /** The image as R, G, B, A bytes, rows without gaps (the watermark layout). */
    static byte[] toRgba(BufferedImage image) {
        int w = image.getWidth(), h = image.getHeight();
        byte[] out = new byte[w * h * 4];
        int[] row = new int[w];
        for (int y = 0; y < h; y++) {
            image.getRGB(0, y, w, 1, row, 0, w);
            for (int x = 0; x < w; x++) {
                int p = row[x], at = (y * w + x) * 4;
                out[at] = (byte) (p >> 16);
                out[at + 1] = (byte) (p >> 8);
                out[at + 2] = (byte) p;
                out[at + 3] = (byte) (p >>> 24);
            }
        }
        return out;
    }

    /**
     * A watermark picture: light text on a black ground. Black is below the engine's keying
     * threshold, so in keyed mode only the text shows.
     */
    static BufferedImage label(String text, int width, int height, Color ink) {
        BufferedImage image = new BufferedImage(width, height, BufferedImage.TYPE_INT_ARGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_TEXT_ANTIALIASING,
                RenderingHints.VALUE_TEXT_ANTIALIAS_OFF);
        g.setColor(Color.BLACK);
        g.fillRect(0, 0, width, height);
        g.setColor(ink);
        g.setFont(new Font(Font.SANS_SERIF, Font.BOLD, height * 3 / 5));
        int textWidth = g.getFontMetrics().stringWidth(text);
        g.drawString(text, Math.max(2, (width - textWidth) / 2), height * 3 / 4);
        g.dispose();
        return image;
    }

    static void writePng(BufferedImage image, File file) throws IOException {
        if (!ImageIO.write(image, "png", file))
            throw new IOException("no PNG writer");
    }

    /** Width and height of a JPEG, or null when the bytes do not decode as one. */
    static int[] jpegSize(byte[] jpeg) {
        try {
            BufferedImage image = ImageIO.read(new ByteArrayInputStream(jpeg));
            return image == null ? null : new int[] {image.getWidth(), image.getHeight()};
        } catch (IOException e) {
            return null;
        }
    }

    /** True when the bytes start with a JPEG's SOI and end with its EOI marker. */
    static boolean looksLikeJpeg(byte[] data, int size) {
        return size >= 4 && (data[0] & 0xff) == 0xFF && (data[1] & 0xff) == 0xD8
                && (data[size - 2] & 0xff) == 0xFF && (data[size - 1] & 0xff) == 0xD9;
    }
}
