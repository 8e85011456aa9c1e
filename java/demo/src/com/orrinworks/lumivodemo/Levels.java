package com.orrinworks.lumivodemo;

import java.awt.BasicStroke;
import java.awt.Color;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.RenderingHints;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import java.util.ArrayList;
import java.util.List;
import javax.imageio.ImageIO;

/** The microphone's RMS and peak per block over time, and their plot. */
final class Levels {
    /** One block: seconds since the first block, RMS and peak on the 16-bit scale. */
    record Block(double seconds, int rms, int peak) {}

    private final Object lock = new Object(); // guards blocks, start
    private final List<Block> blocks = new ArrayList<>();
    private long start = -1;

    void add(int rms, int peak) {
        long now = System.nanoTime();
        synchronized (lock) {
            if (start < 0)
                start = now;
            blocks.add(new Block((now - start) / 1e9, rms, peak));
        }
    }

    List<Block> blocks() {
        synchronized (lock) {
            return new ArrayList<>(blocks);
        }
    }

    int count() {
        synchronized (lock) {
            return blocks.size();
        }
    }

    Block last() {
        synchronized (lock) {
            return blocks.isEmpty() ? null : blocks.get(blocks.size() - 1);
        }
    }

    /** Level in dB below full scale (16-bit), -96 for silence. */
    static double dbfs(int level) {
        return level <= 0 ? -96.0 : 20 * Math.log10(level / 32768.0);
    }

    /** Draws RMS and peak in dBFS over time; false when there was no block to draw. */
    boolean plot(File file) throws IOException {
        List<Block> all = blocks();
        if (all.isEmpty())
            return false;
        final int w = 900, h = 360, left = 60, right = 20, top = 30, bottom = 40;
        BufferedImage image = new BufferedImage(w, h, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        g.setColor(Color.WHITE);
        g.fillRect(0, 0, w, h);
        g.setFont(new Font(Font.SANS_SERIF, Font.PLAIN, 12));
        double span = Math.max(1.0, all.get(all.size() - 1).seconds());
        int plotW = w - left - right, plotH = h - top - bottom;
        // dBFS from -60 (bottom) to 0 (top); quieter blocks sit on the bottom line.
        g.setColor(new Color(225, 225, 225));
        for (int db = -60; db <= 0; db += 10) {
            int y = top + (int) (plotH * (-db / 60.0));
            g.drawLine(left, y, w - right, y);
            g.setColor(Color.DARK_GRAY);
            g.drawString(db + " dB", 8, y + 4);
            g.setColor(new Color(225, 225, 225));
        }
        g.setColor(Color.DARK_GRAY);
        int step = span > 30 ? 10 : span > 10 ? 2 : 1;
        for (int s = 0; s <= span; s += step) {
            int x = left + (int) (plotW * s / span);
            g.drawString(s + " s", x - 8, h - bottom + 18);
        }
        g.drawRect(left, top, plotW, plotH);
        drawSeries(g, all, true, new Color(220, 60, 40), left, top, plotW, plotH, span);
        drawSeries(g, all, false, new Color(30, 90, 200), left, top, plotW, plotH, span);
        g.setColor(new Color(220, 60, 40));
        g.drawString("peak", left + 10, 20);
        g.setColor(new Color(30, 90, 200));
        g.drawString("RMS", left + 60, 20);
        g.setColor(Color.DARK_GRAY);
        g.drawString("microphone level per block (" + all.size() + " blocks)", left + 120, 20);
        g.dispose();
        return ImageIO.write(image, "png", file);
    }

    private static void drawSeries(Graphics2D g, List<Block> all, boolean peak, Color color,
            int left, int top, int plotW, int plotH, double span) {
        g.setColor(color);
        g.setStroke(new BasicStroke(1.5f));
        int px = -1, py = -1;
        for (Block b : all) {
            double db = Math.max(-60, dbfs(peak ? b.peak() : b.rms()));
            int x = left + (int) (plotW * b.seconds() / span);
            int y = top + (int) (plotH * (-db / 60.0));
            if (px >= 0)
                g.drawLine(px, py, x, y);
            px = x;
            py = y;
        }
    }
}
