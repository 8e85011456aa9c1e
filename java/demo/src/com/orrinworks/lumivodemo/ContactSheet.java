package com.orrinworks.lumivodemo;

import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.util.ArrayList;
import java.util.List;

/**
 * Frames sampled evenly from a recording, each with the camera frame number its counter
 * pattern carries (read back with the virtual camera's decoder; -1 when none is legible).
 */
final class ContactSheet {
    static final int SAMPLES = 12;
    private static final int COLUMNS = 4, THUMB_WIDTH = 320, CAPTION = 28;

    private ContactSheet() {}

    /** Writes the sheet and returns the counters in recording order. */
    static List<Long> make(File recording, MediaProbe probe, File sheet) throws IOException {
        int w = probe.width, h = probe.height;
        if (w <= 0 || h <= 0)
            throw new IOException("the recording has no picture size");
        long frames = Math.max(1, Math.round(probe.duration * Math.max(1, probe.frameRate)));
        long step = Math.max(1, frames / SAMPLES);
        Process ffmpeg = new ProcessBuilder("ffmpeg", "-nostdin", "-v", "error", "-i",
                recording.getPath(), "-vf", "select=not(mod(n\\," + step + "))", "-vsync", "vfr",
                "-frames:v", String.valueOf(SAMPLES), "-f", "rawvideo", "-pix_fmt", "rgb0", "-")
                .redirectError(ProcessBuilder.Redirect.DISCARD).start();
        List<BufferedImage> thumbs = new ArrayList<>();
        List<Long> counters = new ArrayList<>();
        byte[] frame = new byte[w * h * 4];
        try (InputStream in = ffmpeg.getInputStream()) {
            while (in.readNBytes(frame, 0, frame.length) == frame.length) {
                counters.add(DemoHost.decodeCounter(frame, w, h));
                thumbs.add(thumbnail(Images.fromRgbx(frame, w, h)));
            }
        } finally {
            ffmpeg.destroy();
        }
        if (thumbs.isEmpty())
            throw new IOException("ffmpeg gave no frame of " + recording.getName());
        int th = thumbs.get(0).getHeight(), rows = (thumbs.size() + COLUMNS - 1) / COLUMNS;
        BufferedImage out = new BufferedImage(COLUMNS * (THUMB_WIDTH + 8) + 8,
                rows * (th + CAPTION + 8) + 8, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = out.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_TEXT_ANTIALIASING,
                RenderingHints.VALUE_TEXT_ANTIALIAS_ON);
        g.setColor(new Color(40, 40, 40));
        g.fillRect(0, 0, out.getWidth(), out.getHeight());
        g.setFont(new Font(Font.MONOSPACED, Font.BOLD, 16));
        for (int i = 0; i < thumbs.size(); i++) {
            int x = 8 + (i % COLUMNS) * (THUMB_WIDTH + 8), y = 8 + (i / COLUMNS) * (th + CAPTION + 8);
            g.drawImage(thumbs.get(i), x, y, null);
            long n = counters.get(i);
            g.setColor(n >= 0 ? Color.WHITE : new Color(255, 120, 120));
            g.drawString(n >= 0 ? "frame " + n : "no counter", x + 4, y + th + 20);
        }
        g.dispose();
        Images.writePng(out, sheet);
        return counters;
    }

    private static BufferedImage thumbnail(BufferedImage full) {
        int th = Math.max(1, full.getHeight() * THUMB_WIDTH / full.getWidth());
        BufferedImage small = new BufferedImage(THUMB_WIDTH, th, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = small.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_INTERPOLATION,
                RenderingHints.VALUE_INTERPOLATION_BILINEAR);
        g.drawImage(full, 0, 0, THUMB_WIDTH, th, null);
        g.dispose();
        return small;
    }
}
