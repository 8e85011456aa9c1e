package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.Lumivo_Native;
import java.awt.Color;
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.ArrayList;
import java.util.List;

/**
 * The recorder over the running preview: a live stream to a peer and an MP4 file, each with a
 * system watermark and a user watermark that moves across the picture while it runs.
 */
final class Recording {
    private final Lumivo_Native camera;
    private final long id;
    private final Options options;
    private final RunResults results;
    /** The engine's answer to a start while its preview showed nothing for a moment. */
    private static final int NO_PICTURES = -5;
    private volatile long startNs; // 0 while nothing records
    private boolean streamingLive; // guarded by this: the live stream runs

    Recording(Lumivo_Native camera, long id, Options options, RunResults results) {
        this.camera = camera;
        this.id = id;
        this.options = options;
        this.results = results;
    }

    /**
     * Settings the engine takes before the preview starts: video with the microphone's sound
     * when the camera has one (else video only), the sample rate, frame rate and bit rate.
     */
    void configure() {
        camera.nativeSetRecType(id, 16);
        int rate = soundRate();
        results.recordsSound = rate > 0;
        if (rate > 0)
            camera.nativesetAudioSamplerate(id, rate);
        camera.nativeSetRecMode(id, rate > 0 ? 2 : 1);
        camera.nativeSetVideoFPS(id, results.cameraFps);
        camera.nativeSetVideoBitrate(id, Math.max(1_000_000, results.width * results.height * 4));
    }

    /** 44100 Hz when the microphone offers it, else its first rate; 0 without a microphone. */
    private int soundRate() {
        int[] list = new int[64]; // a count, then the rates
        if (camera.nativegetAudioSamplerateList(id, list) != 0 || list[0] <= 0)
            return 0;
        for (int i = 1; i <= Math.min(list[0], list.length - 1); i++) {
            if (list[i] == 44100)
                return 44100;
        }
        return list[1];
    }

    /** Seconds the current recording or stream has run, -1 when none runs. */
    double runningSeconds() {
        long start = startNs;
        return start == 0 ? -1 : (System.nanoTime() - start) / 1e9;
    }

    /** The live stream's figures for the progress line, or null while none streams. */
    synchronized LiveStats liveNow() {
        return streamingLive ? LiveStats.read(camera, id) : null;
    }

    static String liveFileName(Options options) {
        return options.rtmp() ? "live.flv" : "live.mkv";
    }

    /** Streams to the live peer for the recording time; an unreachable peer ends the run. */
    void live() throws DemoFailure, IOException, InterruptedException {
        camera.nativesetTlinkMode(id, options.rtmp() ? 1 : 2);
        camera.nativeSetRecType(id, 32);
        int r = start(options.liveUrl);
        if (r == -300)
            throw new DemoFailure(DemoFailure.LIVE, "cannot reach the live-stream peer at "
                    + options.liveUrl + " (code -300)");
        if (r != 0) {
            results.notDone("live stream to " + options.liveUrl + " (code " + r + ")");
            camera.nativeSetRecType(id, 16);
            return;
        }
        results.liveUrl = camera.nativegetTLinkUrl(id);
        System.out.println("live: streaming to " + results.liveUrl);
        synchronized (this) {
            streamingLive = true;
        }
        moveWatermarks(List.of(this), options.seconds);
        synchronized (this) {
            // The progress thread reads the figures no more once the stream stops.
            streamingLive = false;
            results.live = LiveStats.read(camera, id);
            r = camera.nativeStopRecording(id);
        }
        startNs = 0;
        if (r != 0)
            results.notDone("live stream stop (code " + r + ")");
        camera.nativeSetRecType(id, 16);
        keepLiveFile();
    }

    /**
     * The MP4 recordings of every camera at once, for the recording time: each camera records
     * into its own file with its own sound; what one camera could not do leaves the others be.
     */
    static void files(List<Recording> all, int seconds) throws InterruptedException {
        List<Recording> started = new ArrayList<>();
        for (Recording r : all) {
            if (r.startFile())
                started.add(r);
        }
        try {
            moveWatermarks(started, seconds);
        } finally {
            for (Recording r : started)
                r.stopFile();
        }
    }

    private boolean startFile() throws InterruptedException {
        File file = options.out("recording.mp4", results.index);
        int r = start(file.getAbsolutePath());
        if (r != 0) {
            results.notDone("recording (code " + r + ")");
            return false;
        }
        System.out.println(results.prefix + "recording: " + file.getPath());
        return true;
    }

    private void stopFile() {
        results.recordedSeconds = (System.nanoTime() - startNs) / 1e9;
        startNs = 0;
        int r = camera.nativeStopRecording(id);
        if (r != 0)
            results.notDone("recording stop (code " + r + ")");
        File file = options.out("recording.mp4", results.index);
        if (!file.isFile() || file.length() == 0)
            results.notDone("recording: the engine reported success but wrote no file");
    }

    /**
     * Prepares the encoder and both watermarks, then starts; the engine's result. The engine
     * refuses a start while its preview shows no picture (a stall of a loaded machine, seen
     * with two cameras at once): the start is tried again for up to a second.
     */
    private int start(String target) throws InterruptedException {
        int r = camera.nativeSetRecording(id, new byte[16]);
        if (r != 0)
            return r;
        int[] system = systemWatermarkSize(), user = userWatermarkSize();
        // Keyed (mode 0): the black ground is transparent, only the letters show.
        byte[] systemPixels = Images.toRgba(Images.label("ORRIN DEMO", system[0], system[1],
                Color.WHITE));
        camera.nativeSetWatermarkInit(id, system[0], system[1], 0, 0, 0);
        camera.nativeSetWatermarkBuf(id, systemPixels, systemPixels.length);
        // Plain (mode 1): the whole label shows.
        byte[] userPixels = Images.toRgba(Images.label("USER", user[0], user[1],
                new Color(255, 210, 0)));
        camera.nativeSetUserWatermarkInit(id, user[0], user[1], 0, bandTop(), 1);
        camera.nativeSetUserWatermarkBuf(id, userPixels, userPixels.length);
        r = camera.nativeStartRecording(id, true, target);
        for (int tries = 0; r == NO_PICTURES && tries < 10; tries++) {
            Thread.sleep(100);
            r = camera.nativeStartRecording(id, true, target);
        }
        if (r == 0)
            startNs = System.nanoTime();
        return r;
    }

    /**
     * Sizes that read well at the recording's size: the system label a twelfth of the picture
     * high (it sits in a corner, clear of the counter's first and last rows of cells), the user
     * label a tenth, as it moves within the band between the second and third rows.
     */
    private int[] systemWatermarkSize() {
        return new int[] {results.width / 3, Math.max(24, results.height / 12)};
    }

    private int[] userWatermarkSize() {
        return new int[] {results.width / 4, Math.max(20, results.height / 10)};
    }

    /**
     * Top of the band the user watermark moves in: the middle of the picture between the
     * centres of a counter pattern's second and third rows of cells (3/8 and 5/8 of the height),
     * where the counter is read, so that every recorded frame keeps its number legible.
     */
    private int bandTop() {
        return results.height * 42 / 100;
    }

    /**
     * Lets started recordings run for `seconds`, moving each one's user watermark from left to
     * right in a wave through the middle of its picture.
     */
    private static void moveWatermarks(List<Recording> running, int seconds)
            throws InterruptedException {
        long start = System.nanoTime(), end = start + seconds * 1_000_000_000L;
        for (long now = start; now < end; now = System.nanoTime()) {
            double t = (now - start) / (double) (end - start);
            for (Recording r : running)
                r.placeUserWatermark(t);
            Thread.sleep(40);
        }
    }

    /** Where the user watermark is at `t` (0 to 1) of the recording time. */
    private void placeUserWatermark(double t) {
        int[] user = userWatermarkSize();
        int spanX = Math.max(1, results.width - user[0]);
        int top = bandTop();
        int spanY = Math.max(1, results.height * 58 / 100 - user[1] - top);
        int x = (int) (spanX * t);
        int y = top + (int) (spanY * Math.abs(Math.sin(Math.PI * 2 * t)));
        camera.nativeSetUserWatermarkXY(id, x, y);
    }

    /** Copies what the live peer received into the output folder once the peer closed it. */
    private void keepLiveFile() throws IOException, InterruptedException {
        Path received = options.liveRecording;
        if (received == null)
            return;
        long last = -1;
        for (int i = 0; i < 50; i++) { // the peer closes its file after the publisher left
            long size = Files.isRegularFile(received) ? Files.size(received) : -1;
            if (size > 0 && size == last)
                break;
            last = size;
            Thread.sleep(200);
        }
        if (last <= 0) {
            results.notDone("live stream: the peer wrote no file at " + received);
            return;
        }
        Files.copy(received, options.out(liveFileName(options)).toPath(),
                StandardCopyOption.REPLACE_EXISTING);
    }
}
