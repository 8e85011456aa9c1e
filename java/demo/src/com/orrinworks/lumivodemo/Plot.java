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

/** A small chart of values over seconds, written as a PNG: grid, axis labels and series. */
final class Plot {
    private static final int W = 900, H = 320, LEFT = 70, RIGHT = 20, TOP = 30, BOTTOM = 40;

    /** One series: x in seconds, y in the plot's unit; joined by lines or drawn as dots. */
    record Series(String name, Color color, double[] x, double[] y, boolean dots) {}

    private final String title;
    private final String unit;
    private final double yMin, yMax, yStep;
    private final List<Series> series = new ArrayList<>();

    Plot(String title, String unit, double yMin, double yMax, double yStep) {
        this.title = title;
        this.unit = unit;
        this.yMin = yMin;
        this.yMax = yMax;
        this.yStep = yStep;
    }

    void add(Series s) {
        series.add(s);
    }

    /** The y range that holds every value, widened to whole steps and at least `least`. */
    static double[] range(double[] values, double least, double step) {
        double lo = -least, hi = least;
        for (double v : values) {
            lo = Math.min(lo, v);
            hi = Math.max(hi, v);
        }
        return new double[] {Math.floor(lo / step) * step, Math.ceil(hi / step) * step};
    }

    void write(File file) throws IOException {
        double span = 1;
        for (Series s : series) {
            for (double x : s.x())
                span = Math.max(span, x);
        }
        BufferedImage image = new BufferedImage(W, H, BufferedImage.TYPE_INT_RGB);
        Graphics2D g = image.createGraphics();
        g.setRenderingHint(RenderingHints.KEY_ANTIALIASING, RenderingHints.VALUE_ANTIALIAS_ON);
        g.setColor(Color.WHITE);
        g.fillRect(0, 0, W, H);
        g.setFont(new Font(Font.SANS_SERIF, Font.PLAIN, 12));
        int plotW = W - LEFT - RIGHT, plotH = H - TOP - BOTTOM;
        for (double v = yMin; v <= yMax + 1e-9; v += yStep) {
            int y = yPixel(v, plotH);
            g.setColor(new Color(225, 225, 225));
            g.drawLine(LEFT, y, W - RIGHT, y);
            g.setColor(Color.DARK_GRAY);
            g.drawString(String.format("%.0f %s", v, unit), 6, y + 4);
        }
        int step = span > 30 ? 10 : span > 10 ? 2 : 1;
        for (int s = 0; s <= span; s += step)
            g.drawString(s + " s", LEFT + (int) (plotW * s / span) - 8, H - BOTTOM + 18);
        g.drawRect(LEFT, TOP, plotW, plotH);
        int legend = LEFT;
        for (Series s : series) {
            g.setColor(s.color());
            g.setStroke(new BasicStroke(1.5f));
            int px = -1, py = -1;
            for (int i = 0; i < s.x().length; i++) {
                int x = LEFT + (int) (plotW * s.x()[i] / span);
                int y = yPixel(Math.max(yMin, Math.min(yMax, s.y()[i])), plotH);
                if (s.dots())
                    g.fillOval(x - 3, y - 3, 7, 7);
                else if (px >= 0)
                    g.drawLine(px, py, x, y);
                px = x;
                py = y;
            }
            g.drawString(s.name(), legend, 20);
            legend += g.getFontMetrics().stringWidth(s.name()) + 16;
        }
        g.setColor(Color.DARK_GRAY);
        g.drawString(title, legend + 10, 20);
        g.dispose();
        if (!ImageIO.write(image, "png", file))
            throw new IOException("no PNG writer");
    }

    private int yPixel(double v, int plotH) {
        return TOP + (int) (plotH * (yMax - v) / (yMax - yMin));
    }
}
