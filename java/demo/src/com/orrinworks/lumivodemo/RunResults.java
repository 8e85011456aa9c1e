package com.orrinworks.lumivodemo;

import java.util.ArrayList;
import java.util.List;

/** What one run measured and produced, for the summary table and the report. */
final class RunResults {
    /** Which camera of the run (0 the first); its output files are named after it. */
    final int index;
    /** Put before what the demo prints of this camera when it runs more than one. */
    final String prefix;
    String library = "";
    String version = "";
    String camera = "";
    int format, width, height, cameraFps;
    double seconds;               // preview time measured
    FrameCounts counts = new FrameCounts(0, 0, 0, 0); // after the preview stopped
    double viewFps;               // the engine's display rate at the end
    double surfaceP50 = -1, surfaceP99 = -1; // hand-over to surface post, ms
    /** Hand-over to surface per paired frame after the first second: seconds, ms. */
    double[] surfaceAtS = new double[0], surfaceMs = new double[0];
    double javaP50 = -1, javaP99 = -1;       // hand-over to the Java raw callback, ms
    int latencySamples;
    String latencyNote = "";
    long captureCounter = -1;
    int captureBytes;
    int stillBytes, stillKind, stillWidth, stillHeight;
    long stillCounterBefore = -1, stillCounter = -1;
    int levelBlocks;
    double lastRmsDb = -96, lastPeakDb = -96, maxPeakDb = -96;
    double recordedSeconds;
    boolean recordsSound;         // the camera has a microphone: recordings carry AAC
    String liveUrl = "";
    LiveStats live;               // the live stream's figures just before it stopped, or null
    List<Long> sheetCounters = new ArrayList<>();
    LipSync lipSync;              // measured from recording.mp4, or null
    List<String> errors = new ArrayList<>();
    /** What the camera itself rules out (not a failure), for the report. */
    List<String> notes = new ArrayList<>();
    /** What the run was asked to do and could not, each said plainly. */
    List<String> notDone = new ArrayList<>();

    RunResults(int index, int cameras) {
        this.index = index;
        this.prefix = cameras > 1 ? "camera " + (index + 1) + ": " : "";
    }

    /** This camera's output `name` (recording.mp4 is recording-2.mp4 for the second). */
    String file(String name) {
        return Options.fileName(name, index);
    }

    void notDone(String what) {
        notDone.add(what);
        System.out.println("NOT DONE: " + prefix + what);
    }
}
