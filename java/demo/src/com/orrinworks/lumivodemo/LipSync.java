package com.orrinworks.lumivodemo;

import java.awt.Color;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * Lip sync, measured from a recording alone: a clapperboard in front of the camera shows a
 * marker on the frame of each clap while the microphone hears the clap as a burst. The video
 * time of each marker frame against the audio time of the nearest burst onset is that clap's
 * offset: positive when the picture comes later than the sound.
 */
final class LipSync {
    /** One clap: its video time in the recording (s) and the picture's lead of sound (ms). */
    record Clap(double seconds, double offsetMs) {}

    /** A burst starts where the sound first reaches this share of its loudest sample. */
    private static final double ONSET_SHARE = 0.4;
    /** Bursts lie this far apart at least; a louder stretch within one belongs to it. */
    private static final double MIN_GAP_S = 0.3;
    /** A marker and a burst further apart than this are not the same clap. */
    private static final double MAX_PAIRING_S = 0.5;

    final List<Clap> claps;
    final int markers, bursts;

    private LipSync(List<Clap> claps, int markers, int bursts) {
        this.claps = claps;
        this.markers = markers;
        this.bursts = bursts;
    }

    static LipSync measure(File recording, MediaProbe probe) throws IOException {
        if (probe.width <= 0 || probe.height <= 0)
            throw new IOException("the recording has no picture size");
        double[] markerTimes = markerTimes(recording, probe.width, probe.height);
        double[] onsets = burstOnsets(recording);
        List<Clap> claps = new ArrayList<>();
        for (double marker : markerTimes) {
            double best = Double.NaN;
            for (double onset : onsets) {
                if (Math.abs(marker - onset) <= MAX_PAIRING_S
                        && (Double.isNaN(best) || Math.abs(marker - onset) < Math.abs(marker - best)))
                    best = onset;
            }
            if (!Double.isNaN(best))
                claps.add(new Clap(marker, (marker - best) * 1000));
        }
        return new LipSync(claps, markerTimes.length, onsets.length);
    }

    double mean() {
        return claps.stream().mapToDouble(Clap::offsetMs).average().orElse(Double.NaN);
    }

    double min() {
        return claps.stream().mapToDouble(Clap::offsetMs).min().orElse(Double.NaN);
    }

    double max() {
        return claps.stream().mapToDouble(Clap::offsetMs).max().orElse(Double.NaN);
    }

    /** For the report and the summary table. */
    String summary() {
        if (claps.isEmpty())
            return "no clap seen and heard (" + markers + " markers, " + bursts + " bursts)";
        return String.format("%+.1f / %+.1f / %+.1f ms over %d claps (%d markers, %d bursts)",
                mean(), min(), max(), claps.size(), markers, bursts);
    }

    void plot(File file) throws IOException {
        double[] x = new double[claps.size()], y = new double[claps.size()];
        for (int i = 0; i < claps.size(); i++) {
            x[i] = claps.get(i).seconds();
            y[i] = claps.get(i).offsetMs();
        }
        double[] range = Plot.range(y, 50, 25);
        Plot plot = new Plot("lip sync per clap: picture time minus sound time", "ms", range[0],
                range[1], 25);
        plot.add(new Plot.Series("offset", new Color(200, 40, 120), x, y, true));
        double[] mean = new double[x.length];
        Arrays.fill(mean, mean());
        plot.add(new Plot.Series(String.format("mean %+.1f ms", mean()), new Color(30, 90, 200), x,
                mean, false));
        plot.write(file);
    }

    /** Times of the frames that show the marker where the frame before did not. */
    private static double[] markerTimes(File recording, int width, int height) throws IOException {
        double[] times = packetTimes(recording);
        Process ffmpeg = new ProcessBuilder("ffmpeg", "-nostdin", "-v", "error", "-i",
                recording.getPath(), "-map", "0:v:0", "-fps_mode", "passthrough", "-f",
                "rawvideo", "-pix_fmt", "rgb0", "-")
                .redirectError(ProcessBuilder.Redirect.DISCARD).start();
        List<Double> starts = new ArrayList<>();
        byte[] frame = new byte[width * height * 4];
        int index = 0;
        try (InputStream in = ffmpeg.getInputStream()) {
            boolean before = false;
            for (; in.readNBytes(frame, 0, frame.length) == frame.length; index++) {
                boolean shown = DemoHost.clapMarker(frame, width, height);
                if (shown && !before && index < times.length)
                    starts.add(times[index]);
                before = shown;
            }
        } finally {
            ffmpeg.destroy();
        }
        if (index != times.length)
            throw new IOException("ffmpeg decoded " + index + " pictures of " + times.length);
        return starts.stream().mapToDouble(Double::doubleValue).toArray();
    }

    /** Presentation times of the video stream's pictures, in presentation order. */
    private static double[] packetTimes(File recording) throws IOException {
        Commands.Result r = Commands.run(List.of("ffprobe", "-v", "error", "-select_streams",
                "v:0", "-show_entries", "packet=pts_time", "-of", "csv=p=0",
                recording.getPath()), 60);
        if (!r.ok())
            throw new IOException("ffprobe cannot list the pictures: " + r.out().trim());
        double[] times = r.out().lines().map(String::trim).filter(s -> !s.isEmpty())
                .mapToDouble(Double::parseDouble).toArray();
        Arrays.sort(times);
        return times;
    }

    /** Audio times (s) at which a burst starts. */
    private static double[] burstOnsets(File recording) throws IOException {
        Commands.Result r = Commands.run(List.of("ffprobe", "-v", "error", "-select_streams",
                "a:0", "-show_entries", "stream=start_time,sample_rate", "-of",
                "default=nw=1", recording.getPath()), 60);
        double start = 0, rate = 0;
        for (String line : r.out().split("\n")) {
            String[] kv = line.trim().split("=");
            if (kv.length == 2 && kv[0].equals("start_time"))
                start = Double.parseDouble(kv[1]);
            if (kv.length == 2 && kv[0].equals("sample_rate"))
                rate = Double.parseDouble(kv[1]);
        }
        if (!r.ok() || rate <= 0)
            throw new IOException("the recording has no sound to measure");
        short[] samples = monoSamples(recording);
        int loudest = 1;
        for (short s : samples)
            loudest = Math.max(loudest, Math.abs(s));
        double threshold = loudest * ONSET_SHARE;
        List<Double> onsets = new ArrayList<>();
        long last = Long.MIN_VALUE / 2; // sample of the last loud sample seen
        for (int i = 0; i < samples.length; i++) {
            if (Math.abs(samples[i]) < threshold)
                continue;
            if (i - last > MIN_GAP_S * rate)
                onsets.add(start + i / rate);
            last = i;
        }
        return onsets.stream().mapToDouble(Double::doubleValue).toArray();
    }

    private static short[] monoSamples(File recording) throws IOException {
        Process ffmpeg = new ProcessBuilder("ffmpeg", "-nostdin", "-v", "error", "-i",
                recording.getPath(), "-map", "0:a:0", "-ac", "1", "-f", "s16le", "-acodec",
                "pcm_s16le", "-").redirectError(ProcessBuilder.Redirect.DISCARD).start();
        byte[] bytes;
        try (InputStream in = ffmpeg.getInputStream()) {
            bytes = in.readAllBytes();
        } finally {
            ffmpeg.destroy();
        }
        short[] samples = new short[bytes.length / 2];
        ByteBuffer.wrap(bytes).order(ByteOrder.LITTLE_ENDIAN).asShortBuffer().get(samples);
        return samples;
    }
}
