package com.orrinworks.lumivodemo;

import android.view.Surface;
import com.orrinworks.lumivonative.Lumivo_Native;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/**
 * One camera of the run as an Android application drives it: connect, preview, capture, still,
 * live stream, recording with watermarks, raw frames, then stop and destroy everything.
 * DemoCameras takes each camera through these steps.
 */
final class DemoRun implements AutoCloseable {
    /** USB file-system path an application would pass; the virtual camera does not read it. */
    private static final String USB_PATH = "/dev/bus/usb/001/002";
    /** Camera frame at which the demo's copy of the description presses the still button. */
    private static final int BUTTON_FRAME = 45;
    private static final int START_TIMEOUT_S = 15;

    private final Options options;
    private final Path descriptionFile;
    final RunResults results;
    private final Lumivo_Native camera = new Lumivo_Native();
    private long id;
    private int fd = -1;
    private Path runDescription;
    private Surface preview;
    private CameraEvents events;
    private BridgeListener listener;
    private boolean previewing;
    private Recording recording;

    /** Camera `index` (0 the first) of the options. */
    DemoRun(Options options, int index) {
        this.options = options;
        this.descriptionFile = options.description(index);
        this.results = new RunResults(index, options.cameras);
    }

    Recording recording() {
        return recording;
    }

    /** This camera's output file `name`. */
    File out(String name) {
        return options.out(name, results.index);
    }

    /** Connects the camera and starts the preview with raw frames flowing into Java. */
    void open() throws DemoFailure, IOException, InterruptedException {
        CameraDescription description = CameraDescription.read(descriptionFile);
        results.library = "lib" + options.deliverable + ".so";
        results.version = camera.nativegetLibraryVersion(0);
        results.camera = descriptionFile.getFileName().toString();
        connect(description);
        chooseStream();
        startPreview();
    }

    /** Stops the preview (close does it too); the stop clears the surface. */
    void stopPreview() {
        if (previewing)
            camera.nativeStopPreview(id);
        previewing = false;
    }

    private void connect(CameraDescription description) throws DemoFailure, IOException {
        runDescription = description.withButtonAt(BUTTON_FRAME, options.outDir);
        fd = DemoHost.openDevice(runDescription.toString());
        if (fd < 0)
            throw new DemoFailure(DemoFailure.BAD_INPUT,
                    "cannot open camera description " + descriptionFile);
        id = camera.nativeCreate();
        events = new CameraEvents(id);
        listener = BridgeListener.register(events);
        int r = camera.nativeConnect(id, description.vendorId, description.productId, fd, USB_PATH);
        if (r != 0)
            throw new DemoFailure(DemoFailure.CAMERA, "camera " + descriptionFile
                    + " did not connect (code " + r + ")" + lastError());
    }

    /** The camera default, or the wished format and size when the camera offers them. */
    private void chooseStream() throws DemoFailure {
        StreamList streams = StreamList.query(camera, id);
        if (streams == null)
            throw new DemoFailure(DemoFailure.CAMERA, "camera gave no stream list" + lastError());
        int format = options.format == 0 ? streams.defaultFormat : options.format;
        int width = options.width, height = options.height;
        if (width == 0) {
            boolean defaultFits = format == streams.defaultFormat;
            width = defaultFits ? streams.defaultWidth : streams.first(format)[0];
            height = defaultFits ? streams.defaultHeight : streams.first(format)[1];
        }
        int index = streams.index(format, width, height);
        if (index <= 0)
            throw new DemoFailure(DemoFailure.BAD_INPUT, "the camera offers no "
                    + Options.formatName(format) + " " + width + "x" + height + " (it offers "
                    + streams.describe(format) + ")");
        results.format = format;
        results.width = width;
        results.height = height;
        results.cameraFps = streams.fps;
        camera.nativeSetResolution(id, format, width, height, index);
    }

    private void startPreview() throws DemoFailure, InterruptedException {
        int w = results.width, h = results.height;
        recording = new Recording(camera, id, options, results);
        recording.configure();
        preview = new Surface(w, h);
        int r = camera.nativeSetPreviewDisplay(id, preview);
        if (r != 0)
            throw new DemoFailure(DemoFailure.CAMERA, "preview surface refused (code " + r + ")");
        events.expectSize(w, h);
        camera.nativeUsingRawdataCallback(id, true);
        r = camera.nativeStartPreview(id);
        if (r != 0)
            throw new DemoFailure(DemoFailure.CAMERA, "preview did not start (code " + r + ")"
                    + lastError());
        previewing = true;
        if (!events.awaitFirstPicture(START_TIMEOUT_S)) {
            int error = events.startError();
            throw new DemoFailure(DemoFailure.CAMERA, error != 0
                    ? "camera failed to start streaming (error " + error + ")"
                    : "no picture reached the surface within " + START_TIMEOUT_S + " s");
        }
        System.out.printf(results.prefix + "preview: %s %dx%d at %d fps, library %s %s%n",
                Options.formatName(results.format), w, h, results.cameraFps, results.library,
                results.version);
    }

    /** One picture copied into a byte[] of the application. */
    void capture() throws IOException {
        int w = results.width, h = results.height;
        byte[] picture = new byte[w * h * 4];
        int[] info = new int[3];
        int n = camera.nativegetUVCGetCaptureBuf(id, picture, info, picture.length);
        if (n <= 0) {
            results.notDone("capture into a byte[] (code " + n + ")");
            return;
        }
        results.captureBytes = n;
        results.captureCounter = DemoHost.decodeCounter(picture, info[1], info[2]);
        Images.writePng(Images.fromRgbx(picture, info[1], info[2]), out("capture.png"));
        System.out.printf(results.prefix + "capture: %d bytes, %dx%d, camera frame %d%n", n, info[1], info[2],
                results.captureCounter);
    }

    /** The still the camera's button press delivers. */
    void still() throws IOException, InterruptedException {
        long frameTime = 1000L / Math.max(1, results.cameraFps);
        int wait = (int) Math.max(10, (BUTTON_FRAME * frameTime) / 1000 + 8);
        if (!events.awaitStill(wait)) {
            results.notDone("still picture: no still within " + wait + " s of the button press");
            return;
        }
        byte[] data = events.still();
        results.stillBytes = data.length;
        results.stillKind = events.stillKind();
        results.stillCounterBefore = events.stillCounter();
        File file = out("still.jpg");
        if (results.stillKind == 2) {
            if (!Images.looksLikeJpeg(data, data.length)) {
                results.notDone("still picture: the camera's still is no complete JPEG");
                return;
            }
            Files.write(file.toPath(), data);
            int[] size = Images.jpegSize(data);
            if (size != null) {
                results.stillWidth = size[0];
                results.stillHeight = size[1];
            }
        } else {
            int[] size = StillSizes.forPixels(camera, id, data.length / 4, results);
            if (size == null) {
                results.notDone("still picture: " + data.length + " bytes match no still size");
                return;
            }
            results.stillWidth = size[0];
            results.stillHeight = size[1];
            results.stillCounter = DemoHost.decodeCounter(data, size[0], size[1]);
            BufferedImage image = Images.fromRgbx(data, size[0], size[1]);
            if (!javax.imageio.ImageIO.write(image, "jpeg", file))
                throw new IOException("no JPEG writer");
        }
        System.out.printf(results.prefix + "still: %d bytes, %dx%d, kind %d%n", data.length, results.stillWidth,
                results.stillHeight, results.stillKind);
    }


    /** Measures, keeps the last preview picture and stops the preview. */
    void finishPreview() throws IOException {
        // The stop clears the surface: its last picture is kept before.
        if (!preview.savePng(out("preview.png").getPath()))
            results.notDone(results.file("preview.png") + ": the surface kept no picture");
        results.viewFps = camera.nativegetviewFPS(id);
        stopPreview();
        // Nothing moves once the preview stopped: every figure is read at this one moment.
        List<CameraEvents.RawFrame> raw = events.rawFrames();
        long[] posts = DemoHost.surfacePostTimes(preview);
        int clears = FrameCounts.clearingPosts(preview);
        results.counts = FrameCounts.read(events, preview, fd, clears);
        Latency.measure(raw, java.util.Arrays.copyOf(posts, posts.length - clears), fd, results);
        if (results.stillKind == 2 && results.stillBytes > 0) {
            results.stillCounter = StillSizes.jpegCounter(out("still.jpg"));
        }
        Levels.Block last = events.levels.last();
        results.levelBlocks = events.levels.count();
        if (last != null) {
            results.lastRmsDb = Levels.dbfs(last.rms());
            results.lastPeakDb = Levels.dbfs(last.peak());
        }
        for (Levels.Block b : events.levels.blocks())
            results.maxPeakDb = Math.max(results.maxPeakDb, Levels.dbfs(b.peak()));
        results.errors.addAll(events.errors());
    }

    /** This camera's figures for a progress line, each read once. */
    record Now(String prefix, FrameCounts counts, Levels.Block level, double recorded,
            LiveStats live) {
        String line(double displayFps) {
            String rec = recorded < 0 ? "-" : String.format("%.1f s", recorded);
            return String.format("%shanded over %6d  shown %6d  raw %6d  display %5.1f fps"
                            + "  sound %6s dBFS  recording %s%s",
                    prefix, counts.handedOver(), counts.shown(), counts.raw(), displayFps,
                    level == null ? "-" : String.format("%.1f", Levels.dbfs(level.rms())), rec,
                    live == null ? "" : "  " + live.brief());
        }
    }

    /** The figures the demo counts itself; none waits for the engine. */
    Now now() {
        return new Now(results.prefix, FrameCounts.read(events, preview, fd, 0),
                events.levels.last(), recording.runningSeconds(), recording.liveNow());
    }

    /**
     * The engine's own display rate. The call may wait while the engine starts or stops a
     * recording, so it is read after the figures of every camera.
     */
    double displayFps() {
        return camera.nativegetviewFPS(id);
    }

    /** levels.png; a camera without a microphone has none to draw, which is no failure. */
    void levelsPlot() throws IOException {
        if (events.levels.plot(out("levels.png")))
            return;
        if (results.recordsSound)
            results.notDone(results.file("levels.png") + ": the microphone delivered no level");
        else
            results.notes.add("the camera has no microphone: no levels.png, recordings without sound");
    }

    private String lastError() {
        String text = id == 0 ? null : camera.nativegetLastError(id);
        // "no log" is the engine's text for nothing recorded
        return text == null || text.isBlank() || text.equals("no log") ? "" : ": " + text.trim();
    }

    /** Stops whatever still runs and destroys the camera object; safe after any failure. */
    @Override
    public void close() {
        if (id != 0) {
            stopPreview();
            camera.nativeRelease(id);
            camera.nativeDestroy(id);
            id = 0;
        }
        if (listener != null)
            listener.unregister();
        if (preview != null)
            preview.release();
        if (fd > 0)
            DemoHost.closeDevice(fd);
        fd = -1;
        try {
            if (runDescription != null)
                Files.deleteIfExists(runDescription);
        } catch (IOException e) {
            // a leftover hidden file in the output folder is harmless
        }
    }
}
