package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.Lumivo_Native;
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.util.List;

/**
 * The demo application: drives one or two virtual cameras through the engine's Java interface
 * and leaves pictures, recordings, sound plots and a report page in the output folder.
 * Exit codes: 0 everything done, 2 bad input, 3 camera failure, 4 live peer unreachable,
 * 5 output failure, 6 the run finished but something it should do was not done.
 */
public final class DemoMain {
    static final int INCOMPLETE = 6;

    private DemoMain() {}

    public static void main(String[] args) {
        int exit;
        try {
            exit = run(Options.parse(args));
        } catch (DemoFailure e) {
            // stdout: the engine's log lines own stderr (scripts/demo.sh keeps them in a file)
            System.out.println("lumivo-demo: " + e.getMessage());
            exit = e.exitCode;
        }
        System.exit(exit);
    }

    private static int run(Options options) throws DemoFailure {
        removeStale(options, Report.outputs());
        try {
            Lumivo_Native.loadLibrary(options.deliverable);
        } catch (UnsatisfiedLinkError e) {
            throw new DemoFailure(DemoFailure.CAMERA, "cannot load lib" + options.deliverable
                    + ".so: " + e.getMessage());
        }
        List<RunResults> results;
        String liveFile = Recording.liveFileName(options);
        try (DemoCameras run = new DemoCameras(options)) {
            run.run();
            run.plots();
            results = run.results();
        } catch (IOException e) {
            throw new DemoFailure(DemoFailure.OUTPUT, "cannot write the outputs: " + e.getMessage());
        } catch (InterruptedException e) {
            throw new DemoFailure(DemoFailure.CAMERA, "interrupted");
        } finally {
            System.err.println("demo: left open after release: " + DemoHost.leftOpen());
        }
        try {
            File folder = options.outDir.toFile();
            Report first = new Report(results, folder);
            for (RunResults r : results) {
                String recording = r.file("recording.mp4");
                checkMedia(first, recording, r.recordedSeconds, r);
                makeContactSheet(options, first.probe(recording), r);
                measureLipSync(options, first.probe(recording), r);
            }
            if (options.live()) {
                checkMedia(first, liveFile, 0, results.get(0));
                playableCopy(options, liveFile, results.get(0));
            }
            Report report = new Report(results, folder);
            report.writeHtml(options.out("report.html"));
            System.out.print(report.table());
            System.out.println("report: " + options.out("report.html").getAbsolutePath());
        } catch (IOException e) {
            throw new DemoFailure(DemoFailure.OUTPUT, "cannot write the report: " + e.getMessage());
        }
        return results.stream().allMatch(r -> r.notDone.isEmpty()) ? 0 : INCOMPLETE;
    }

    /** A file from an earlier run must never pass for one of this run. */
    private static void removeStale(Options options, List<String> outputs) throws DemoFailure {
        try {
            for (String name : outputs)
                Files.deleteIfExists(options.out(name).toPath());
        } catch (IOException e) {
            throw new DemoFailure(DemoFailure.BAD_INPUT,
                    "cannot write to output folder " + options.outDir);
        }
    }

    /** A recorded or received file must read back with its streams and the right length. */
    private static void checkMedia(Report report, String name, double seconds, RunResults r) {
        MediaProbe probe = report.probe(name);
        if (probe == null)
            return; // its absence is already reported
        if (!probe.readable) {
            r.notDone(name + ": ffprobe cannot read it");
        } else if (!probe.codecs.contains("h264") || probe.codecs.contains("aac") != r.recordsSound) {
            r.notDone(name + ": carries " + probe.codecs + " instead of h264"
                    + (r.recordsSound ? " and aac" : " alone"));
        } else if (seconds > 0 && Math.abs(probe.duration - seconds) > 1.0) {
            r.notDone(String.format("%s: lasts %.2f s for %.2f s recorded", name, probe.duration,
                    seconds));
        }
    }

    /**
     * What the live peer received as MP4, the pictures and sound copied as they are, so that
     * a browser plays it (it plays neither FLV nor Matroska).
     */
    private static void playableCopy(Options options, String liveFile, RunResults r) {
        File received = options.out(liveFile);
        if (!received.isFile())
            return;
        Commands.Result copy = Commands.run(List.of("ffmpeg", "-nostdin", "-v", "error", "-y",
                "-i", received.getPath(), "-c", "copy", "-movflags", "+faststart",
                options.out("live.mp4").getPath()), 120);
        if (!copy.ok())
            r.notDone("live.mp4: ffmpeg cannot copy " + liveFile + ": " + copy.out().trim());
    }

    /** Lip sync from the recording when the camera films a clapperboard its microphone hears. */
    private static void measureLipSync(Options options, MediaProbe recording, RunResults r) {
        if (recording == null || !recording.readable || !r.recordsSound)
            return;
        try {
            LipSync sync = LipSync.measure(options.out("recording.mp4", r.index), recording);
            if (sync.markers == 0) {
                r.notes.add("the camera shows no clapperboard: no lip sync measured");
                return;
            }
            r.lipSync = sync;
            if (sync.claps.isEmpty())
                r.notDone("lip sync: " + sync.summary());
            else
                sync.plot(options.out("lipsync.png", r.index));
        } catch (IOException e) {
            r.notDone("lip sync: " + e.getMessage());
        }
    }

    private static void makeContactSheet(Options options, MediaProbe recording, RunResults r) {
        if (recording == null || !recording.readable)
            return;
        try {
            r.sheetCounters = ContactSheet.make(options.out("recording.mp4", r.index), recording,
                    options.out("contact-sheet.png", r.index));
        } catch (IOException e) {
            r.notDone(r.file("contact-sheet.png") + ": " + e.getMessage());
        }
    }
}
