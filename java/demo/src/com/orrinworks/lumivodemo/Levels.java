package com.orrinworks.lumivodemo;

import java.awt.Color;
import java.io.File;
import java.io.IOException;
import java.util.ArrayList;
import java.util.List;

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
        double[] x = new double[all.size()], peak = new double[all.size()],
                rms = new double[all.size()];
        for (int i = 0; i < all.size(); i++) {
            x[i] = all.get(i).seconds();
            peak[i] = dbfs(all.get(i).peak());
            rms[i] = dbfs(all.get(i).rms());
        }
        // dBFS from -60 to 0; quieter blocks sit on the bottom line.
        Plot plot = new Plot("microphone level per block (" + all.size() + " blocks)", "dB", -60,
                0, 10);
        plot.add(new Plot.Series("peak", new Color(220, 60, 40), x, peak, false));
        plot.add(new Plot.Series("RMS", new Color(30, 90, 200), x, rms, false));
        plot.write(file);
        return true;
    }
}
