package com.orrinworks.lumivodemo;

import java.io.IOException;
import java.util.ArrayList;
import java.util.List;

/**
 * The cameras of one run, connected, previewed and recorded at the same time, each with its
 * own microphone and its own output files; one progress line a second shows them all.
 */
final class DemoCameras implements AutoCloseable {
    private final Options options;
    private final List<DemoRun> cameras = new ArrayList<>();
    private Progress progress;

    DemoCameras(Options options) {
        this.options = options;
        for (int i = 0; i < options.cameras; i++)
            cameras.add(new DemoRun(options, i));
    }

    /** Everything the run does with the cameras, in an application's order. */
    void run() throws DemoFailure, IOException, InterruptedException {
        for (DemoRun camera : cameras)
            camera.open();
        progress = new Progress(this::progressLine);
        progress.start();
        for (DemoRun camera : cameras)
            camera.capture();
        for (DemoRun camera : cameras)
            camera.still();
        if (options.live())
            cameras.get(0).recording().live();
        Recording.files(cameras.stream().map(DemoRun::recording).toList(), options.seconds);
        progress.stop();
        for (DemoRun camera : cameras)
            camera.finishPreview();
    }

    /** levels.png and latency.png of every camera. */
    void plots() throws IOException {
        for (DemoRun camera : cameras) {
            camera.levelsPlot();
            if (!Latency.plot(camera.results, camera.out("latency.png")))
                camera.results.notes.add("no frame could be paired with its post: no latency.png");
        }
    }

    List<RunResults> results() {
        return cameras.stream().map(camera -> camera.results).toList();
    }

    private String progressLine(double elapsed) {
        // The counts of every camera are read first, at one moment for all of them.
        List<DemoRun.Now> now = new ArrayList<>();
        for (DemoRun camera : cameras)
            now.add(camera.now());
        StringBuilder line = new StringBuilder(String.format("[%4.0f s] ", elapsed));
        for (int i = 0; i < now.size(); i++)
            line.append(i == 0 ? "" : "  |  ").append(now.get(i).line(cameras.get(i).displayFps()));
        return line.toString();
    }

    /** Stops the progress line and releases every camera, the last connected first. */
    @Override
    public void close() {
        if (progress != null)
            progress.stop();
        for (int i = cameras.size() - 1; i >= 0; i--)
            cameras.get(i).close();
    }
}
