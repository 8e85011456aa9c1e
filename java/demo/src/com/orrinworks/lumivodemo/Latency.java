package com.orrinworks.lumivodemo;

import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * Hand-over latency from the camera's counter pattern: the camera keeps the time it handed
 * each numbered frame to the engine; the raw-frame callback tells which frame each drawn
 * picture was and when Java got it; the surface keeps the time of each post.
 */
final class Latency {
    private Latency() {}

    /**
     * Hand-over to Java for every raw frame, and hand-over to the surface when the raw frames
     * pair up one to one with the posts. Each picture is posted before the raw-frame thread
     * gets it, so a post after its Java delivery, or before its own hand-over, shows that the
     * raw path skipped a picture and the pairing does not hold.
     */
    static void measure(List<CameraEvents.RawFrame> raw, long[] postsUs, int fd, RunResults out) {
        // The first second shows start-up (class loading, first allocations), not the steady
        // state: its frames take part in the pairing but not in the figures.
        final long settled = Math.max(1, out.cameraFps);
        List<Double> toJava = new ArrayList<>(), toSurface = new ArrayList<>();
        List<Double> surfaceAt = new ArrayList<>();
        long firstHandover = -1;
        boolean paired = raw.size() <= postsUs.length;
        for (int i = 0; i < raw.size(); i++) {
            CameraEvents.RawFrame frame = raw.get(i);
            if (frame.counter() <= 0)
                continue;
            long handover = DemoHost.handoverTimeNs(fd, (int) frame.counter());
            if (handover < 0)
                continue;
            if (firstHandover < 0)
                firstHandover = handover;
            boolean counted = frame.counter() > settled;
            if (counted)
                toJava.add((frame.receivedNs() - handover) / 1e6);
            if (!paired)
                continue;
            long postNs = postsUs[i] * 1000;
            if (postNs < handover || postNs > frame.receivedNs())
                paired = false;
            else if (counted) {
                toSurface.add((postNs - handover) / 1e6);
                surfaceAt.add((handover - firstHandover) / 1e9);
            }
        }
        out.latencySamples = toJava.size();
        out.javaP50 = percentile(toJava, 0.50);
        out.javaP99 = percentile(toJava, 0.99);
        if (paired && !toSurface.isEmpty()) {
            out.surfaceP50 = percentile(toSurface, 0.50);
            out.surfaceP99 = percentile(toSurface, 0.99);
            out.surfaceAtS = surfaceAt.stream().mapToDouble(Double::doubleValue).toArray();
            out.surfaceMs = toSurface.stream().mapToDouble(Double::doubleValue).toArray();
        } else {
            out.latencyNote = "the raw-frame path skipped pictures, so drawn pictures could not"
                    + " be paired with posts; only hand-over to Java is given";
        }
    }

    /** latency.png: hand-over to surface of every paired frame; false when none was paired. */
    static boolean plot(RunResults r, java.io.File file) throws java.io.IOException {
        if (r.surfaceMs.length == 0)
            return false;
        double[] range = Plot.range(r.surfaceMs, 10, 5);
        Plot plot = new Plot("camera hand-over to surface post, per frame (after 1 s)", "ms",
                0, range[1], Math.max(5, Math.ceil(range[1] / 50) * 5));
        plot.add(new Plot.Series("latency", new java.awt.Color(30, 130, 70), r.surfaceAtS,
                r.surfaceMs, false));
        plot.write(file);
        return true;
    }

    static double percentile(List<Double> values, double p) {
        if (values.isEmpty())
            return -1;
        List<Double> sorted = new ArrayList<>(values);
        Collections.sort(sorted);
        return sorted.get(Math.min(sorted.size() - 1, (int) (p * sorted.size())));
    }
}
