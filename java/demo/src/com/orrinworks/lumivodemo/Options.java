package com.orrinworks.lumivodemo;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;

/** The demo's command line, checked before anything is opened. */
final class Options {
    Path description;
    /** Cameras connected at once (1 or 2); the second one is described by `secondDescription`. */
    int cameras = 1;
    Path secondDescription;
    int seconds = 10;
    Path outDir = Path.of("demo-out");
    String deliverable = "OrrinUVC5_TL";
    /** 0 for the camera default, else 9 (MJPEG) or 3 (YUYV). */
    int format;
    int width;
    int height;
    /** rtmp:// or rtsp:// address of a live-stream peer, or null. */
    String liveUrl;
    /** File the peer writes what it received to (reported, not written by the demo). */
    Path liveRecording;

    static final String USAGE =
            "usage: lumivo-demo --description FILE [--cameras 1|2 --second-description FILE]"
                    + " [--seconds N] [--out DIR]"
                    + " [--deliverable libOrrinUVC5_TL|libOrrinUVC0] [--format mjpeg|yuyv]"
                    + " [--size WxH] [--live-url URL --live-recording FILE]";

    static Options parse(String[] args) throws DemoFailure {
        Options o = new Options();
        for (int i = 0; i < args.length; i++) {
            String key = args[i];
            if (i + 1 >= args.length)
                throw bad("missing value after " + key);
            String value = args[++i];
            switch (key) {
                case "--description" -> o.description = Path.of(value);
                case "--cameras" -> o.cameras = cameras(value);
                case "--second-description" -> o.secondDescription = Path.of(value);
                case "--seconds" -> o.seconds = positive(key, value, 3600);
                case "--out" -> o.outDir = Path.of(value);
                case "--deliverable" -> o.deliverable = deliverable(value);
                case "--format" -> o.format = format(value);
                case "--size" -> o.size(value);
                case "--live-url" -> o.liveUrl = liveUrl(value);
                case "--live-recording" -> o.liveRecording = Path.of(value);
                default -> throw bad("unknown option " + key);
            }
        }
        o.check();
        return o;
    }

    boolean live() {
        return liveUrl != null;
    }

    boolean rtmp() {
        return liveUrl != null && liveUrl.startsWith("rtmp://");
    }

    private void check() throws DemoFailure {
        if (description == null)
            throw bad("no camera description given (--description FILE)");
        readable(description);
        if (cameras == 2) {
            if (secondDescription == null)
                throw bad("--cameras 2 needs the second camera's description"
                        + " (--second-description FILE)");
            readable(secondDescription);
            if (live())
                throw bad("a live stream goes with one camera: give --cameras 1 with it");
        }
        if (width > 0 && format == 0)
            format = 9;
        try {
            Files.createDirectories(outDir);
            Path probe = Files.createTempFile(outDir, ".write-check", "");
            Files.delete(probe);
        } catch (IOException | SecurityException e) {
            throw bad("cannot write to output folder " + outDir);
        }
    }

    /** The description of camera `index` (0 the first). */
    Path description(int index) {
        return index == 0 ? description : secondDescription;
    }

    private static void readable(Path file) throws DemoFailure {
        if (!Files.isRegularFile(file) || !Files.isReadable(file))
            throw bad("cannot read camera description " + file);
    }

    private static int cameras(String value) throws DemoFailure {
        if (!value.equals("1") && !value.equals("2"))
            throw bad("--cameras takes 1 or 2, not " + value);
        return Integer.parseInt(value);
    }

    private void size(String value) throws DemoFailure {
        String[] parts = value.toLowerCase().split("x");
        if (parts.length != 2)
            throw bad("size must look like 1280x720, not " + value);
        width = positive("--size", parts[0], 8192);
        height = positive("--size", parts[1], 8192);
    }

    private static String deliverable(String value) throws DemoFailure {
        String name = value.startsWith("lib") ? value.substring(3) : value;
        if (!name.equals("OrrinUVC5_TL") && !name.equals("OrrinUVC0"))
            throw bad("deliverable must be libOrrinUVC5_TL or libOrrinUVC0, not " + value);
        return name;
    }

    private static int format(String value) throws DemoFailure {
        return switch (value.toLowerCase()) {
            case "mjpeg" -> 9;
            case "yuyv" -> 3;
            default -> throw bad("format must be mjpeg or yuyv, not " + value);
        };
    }

    private static String liveUrl(String value) throws DemoFailure {
        if (!value.startsWith("rtmp://") && !value.startsWith("rtsp://"))
            throw bad("live address must start with rtmp:// or rtsp://, not " + value);
        return value;
    }

    private static int positive(String key, String value, int max) throws DemoFailure {
        try {
            int n = Integer.parseInt(value);
            if (n > 0 && n <= max)
                return n;
        } catch (NumberFormatException e) {
            // reported below
        }
        throw bad(key + " takes a whole number from 1 to " + max + ", not " + value);
    }

    static String formatName(int format) {
        return format == 9 ? "MJPEG" : format == 3 ? "YUYV" : "camera default";
    }

    private static DemoFailure bad(String message) {
        return new DemoFailure(DemoFailure.BAD_INPUT, message);
    }

    File out(String name) {
        return outDir.resolve(name).toFile();
    }

    /** The output of camera `index`: the first camera's file is `name`, the second's name-2. */
    File out(String name, int index) {
        return out(fileName(name, index));
    }

    static String fileName(String name, int index) {
        if (index == 0)
            return name;
        int dot = name.lastIndexOf('.');
        return name.substring(0, dot) + "-" + (index + 1) + name.substring(dot);
    }
}
