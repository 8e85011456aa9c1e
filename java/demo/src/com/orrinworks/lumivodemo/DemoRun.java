package com.orrinworks.lumivodemo;

import android.view.Surface;
import com.orrinworks.lumivonative.Lumivo_Native;
import java.awt.Color;
import java.awt.image.BufferedImage;
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.List;

/**
 * One run of the camera as an Android application drives it: connect, preview, capture, still,
 * live stream, recording with watermarks, raw frames, then stop and destroy everything.
 */
final class DemoRun implements AutoCloseable {
    /** USB file-system path an application would pass; the virtual camera does not read it. */
    private static final String USB_PATH = "/dev/bus/usb/001/002";
    /** Camera frame at which the demo's copy of the description presses the still button. */
    private static final int BUTTON_FRAME = 45;
    private static final int START_TIMEOUT_S = 15;

    private final Options options;
    final RunResults results = new RunResults();
    private final Lumivo_Native camera = new Lumivo_Native();
    private long id;
    private int fd = -1;
    private Path runDescription;
    private Surface preview;
    private CameraEvents events;
    private BridgeListener listener;
    private Progress progress;
    private boolean previewing;
    private volatile long recordingStartNs; // 0 while not recording
    private String noRecording; // why this library cannot record, or null

    DemoRun(Options options) {
        this.options = options;
    }

    /** Everything the run does with the camera, in an application's order. */
    void run() throws DemoFailure, IOException, InterruptedException {
        open();
        progress = new Progress(this::progressLine);
        progress.start();
        capture();
        still();
        if (options.live())
            liveStream();
        record();
        progress.stop();
        finishPreview();
    }

    /** Connects the camera and starts the preview with raw frames flowing into Java. */
    void open() throws DemoFailure, IOException, InterruptedException {
        CameraDescription description = CameraDescription.read(options.description);
        results.library = "lib" + options.deliverable + ".so";
        results.version = camera.nativegetLibraryVersion(0);
        results.camera = options.description.getFileName().toString();
        connect(description);
        chooseStream();
        startPreview();
    }

    long cameraId() {
        return id;
    }

    CameraEvents events() {
        return events;
    }

    int deviceFd() {
        return fd;
    }

    Surface previewSurface() {
        return preview;
    }

    /** Stops the preview (close does it too); the surface keeps what was posted. */
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
                    "cannot open camera description " + options.description);
        id = camera.nativeCreate();
        events = new CameraEvents(id);
        listener = BridgeListener.register(events);
        int r = camera.nativeConnect(id, description.vendorId, description.productId, fd, USB_PATH);
        if (r != 0)
            throw new DemoFailure(DemoFailure.CAMERA, "camera " + options.description
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
        camera.nativeSetRecType(id, 16);
        try {
            camera.nativeSetRecMode(id, 2); // video and sound
            camera.nativeSetVideoFPS(id, results.cameraFps);
            camera.nativeSetVideoBitrate(id, Math.max(1_000_000, w * h * 4));
        } catch (UnsatisfiedLinkError e) {
            // A library built without recording: the run goes on and says what it missed.
            noRecording = "the library has no recording natives (" + e.getMessage() + ")";
        }
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
        System.out.printf("preview: %s %dx%d at %d fps, library %s %s%n",
                Options.formatName(results.format), w, h, results.cameraFps, results.library,
                results.version);
    }

    /** One picture copied into a byte[] of the application. */
    private void capture() throws IOException {
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
        Images.writePng(Images.fromRgbx(picture, info[1], info[2]), options.out("capture.png"));
        System.out.printf("capture: %d bytes, %dx%d, camera frame %d%n", n, info[1], info[2],
                results.captureCounter);
    }

    /** The still the camera's button press delivers. */
    private void still() throws IOException, InterruptedException {
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
        File file = options.out("still.jpg");
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
        System.out.printf("still: %d bytes, %dx%d, kind %d%n", data.length, results.stillWidth,
                results.stillHeight, results.stillKind);
    }

    /** Streams to the live peer for the recording time. */
    private void liveStream() throws DemoFailure, IOException, InterruptedException {
        if (noRecording != null) {
            results.notDone("live stream: " + noRecording);
            return;
        }
        camera.nativesetTlinkMode(id, options.rtmp() ? 1 : 2);
        camera.nativeSetRecType(id, 32);
        int r = prepareRecording();
        if (r == 0)
            r = camera.nativeStartRecording(id, true, options.liveUrl);
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
        runRecording();
        results.liveKbps = camera.nativegetTransmissionperSec(id);
        results.liveVideoKbps = camera.nativegetVideoTransmissionperSec(id);
        results.liveAudioKbps = camera.nativegetAudioTransmissionperSec(id);
        results.liveVideoDrops = camera.nativegetVideoDropFrame(id);
        results.liveAudioDrops = camera.nativegetAudioDropFrame(id);
        r = camera.nativeStopRecording(id);
        if (r != 0)
            results.notDone("live stream stop (code " + r + ")");
        camera.nativeSetRecType(id, 16);
        keepLiveRecording();
    }

    /** The file recording with a system and a moving user watermark. */
    private void record() throws IOException, InterruptedException {
        if (noRecording != null) {
            results.notDone("recording: " + noRecording);
            return;
        }
        int r = prepareRecording();
        File file = options.out("recording.mp4");
        if (r == 0)
            r = camera.nativeStartRecording(id, true, file.getAbsolutePath());
        if (r != 0) {
            results.notDone("recording (code " + r + ")" + lastError());
            return;
        }
        results.recordedSeconds = runRecording();
        r = camera.nativeStopRecording(id);
        if (r != 0)
            results.notDone("recording stop (code " + r + ")");
        if (!file.isFile() || file.length() == 0)
            results.notDone("recording: the engine reported success but wrote no file");
    }

    /** Configures the encoder and both watermarks; the engine's result. */
    private int prepareRecording() {
        int r = camera.nativeSetRecording(id, new byte[16]);
        if (r != 0)
            return r;
        int w = results.width, h = results.height;
        byte[] system = Images.toRgba(Images.label("ORRIN DEMO", Math.min(320, w / 2),
                Math.max(24, h / 16), Color.WHITE));
        camera.nativeSetWatermarkInit(id, Math.min(320, w / 2), Math.max(24, h / 16), 0, 0, 0);
        camera.nativeSetWatermarkBuf(id, system, system.length);
        int[] user = userWatermarkSize();
        byte[] userPixels = Images.toRgba(Images.label("user", user[0], user[1],
                new Color(255, 210, 0)));
        camera.nativeSetUserWatermarkInit(id, user[0], user[1], 0, 0, 1);
        camera.nativeSetUserWatermarkBuf(id, userPixels, userPixels.length);
        return 0;
    }

    private int[] userWatermarkSize() {
        return new int[] {Math.min(160, results.width / 4), Math.max(20, results.height / 20)};
    }

    /** Lets a started recording run for the chosen time, moving the user watermark. */
    private double runRecording() throws InterruptedException {
        int[] user = userWatermarkSize();
        int spanX = Math.max(1, results.width - user[0]), spanY = Math.max(1, results.height / 3);
        long start = System.nanoTime(), end = start + options.seconds * 1_000_000_000L;
        recordingStartNs = start;
        for (long now = start; now < end; now = System.nanoTime()) {
            double t = (now - start) / (double) (end - start);
            int x = (int) (spanX * t);
            int y = (int) (spanY * Math.abs(Math.sin(Math.PI * 2 * t)));
            camera.nativeSetUserWatermarkXY(id, x, y);
            Thread.sleep(40);
        }
        recordingStartNs = 0;
        return (System.nanoTime() - start) / 1e9;
    }

    /** Copies what the live peer received into the output folder once the peer closed it. */
    private void keepLiveRecording() throws IOException, InterruptedException {
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
        Files.copy(received, options.out(liveFileName()).toPath(),
                StandardCopyOption.REPLACE_EXISTING);
    }

    String liveFileName() {
        return options.rtmp() ? "live.flv" : "live.mkv";
    }

    /** Measures, keeps the last preview picture and stops the preview. */
    private void finishPreview() throws IOException {
        // The stop clears the surface: its last picture is kept before.
        if (!preview.savePng(options.out("preview.png").getPath()))
            results.notDone("preview.png: the surface kept no picture");
        List<CameraEvents.RawFrame> raw = events.rawFrames();
        results.viewFps = camera.nativegetviewFPS(id);
        stopPreview();
        long[] posts = DemoHost.surfacePostTimes(preview);
        results.framesShown = posts.length;
        results.cameraFrames = DemoHost.framesDelivered(fd);
        results.rawFrames = events.rawCount();
        results.rawSkipped = events.rawSkipped();
        Latency.measure(raw, posts, fd, results);
        if (results.stillKind == 2 && results.stillBytes > 0) {
            results.stillCounter = StillSizes.jpegCounter(options.out("still.jpg"));
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

    /** The line the progress thread prints every second. */
    private String progressLine(double elapsed) {
        long shown = preview.getPostCount();
        long delivered = DemoHost.framesDelivered(fd);
        Levels.Block level = events.levels.last();
        long recStart = recordingStartNs;
        String rec = recStart == 0 ? "-" : String.format("%.1f s", (System.nanoTime() - recStart) / 1e9);
        return String.format("[%4.0f s] shown %6d  display %5.1f fps  dropped %4d  sound %6s dBFS"
                        + "  raw %6d  recording %s",
                elapsed, shown, camera.nativegetviewFPS(id), Math.max(0, delivered - shown),
                level == null ? "-" : String.format("%.1f", Levels.dbfs(level.rms())),
                events.rawCount(), rec);
    }

    File levelsPlot() throws IOException {
        File file = options.out("levels.png");
        if (!events.levels.plot(file)) {
            results.notDone("levels.png: the microphone delivered no level");
            return null;
        }
        return file;
    }

    private String lastError() {
        String text = id == 0 ? null : camera.nativegetLastError(id);
        // "no log" is the engine's text for nothing recorded
        return text == null || text.isBlank() || text.equals("no log") ? "" : ": " + text.trim();
    }

    /** Stops whatever still runs and destroys the camera object; safe after any failure. */
    @Override
    public void close() {
        if (progress != null)
            progress.stop();
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
