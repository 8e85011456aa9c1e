package com.orrinworks.lumivodemo;

import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.time.LocalDateTime;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.function.Function;

/**
 * The summary table printed at the end and report.html, built from the same rows: one column
 * of values per camera, the cameras side by side.
 */
final class Report {
    static final List<String> PICTURES = List.of("preview.png", "capture.png", "still.jpg",
            "contact-sheet.png", "levels.png", "lipsync.png", "latency.png");
    /** What each picture shows, in the order of PICTURES. */
    private static final List<String> CAPTIONS = List.of(
            "the last picture on the preview surface",
            "the picture copied into the application's byte[]",
            "the still the button press delivered",
            "pictures sampled from the recording, with the camera frame number each carries",
            "the microphone's level per block: the claps stand out of the voice between them",
            "lip sync of every clap in the recording",
            "hand-over to surface latency of every frame");
    /** Files the page plays: the recording, and what a live peer received (as MP4). */
    static final List<String> MOVIES = List.of("recording.mp4", "live.mp4");
    /** What each camera may leave, as the first camera names them. */
    private static final List<String> CAMERA_FILES = camerasFiles();
    private static final int MAX_CAMERAS = 2;

    private final List<RunResults> cameras;
    private final File folder;
    /** Output files that exist, with ffprobe's view of the media files among them. */
    private final Map<String, MediaProbe> media = new LinkedHashMap<>();
    private final List<String> files = new ArrayList<>();

    Report(List<RunResults> cameras, File folder) {
        this.cameras = cameras;
        this.folder = folder;
        for (String name : outputs()) {
            File f = new File(folder, name);
            if (!f.isFile())
                continue;
            files.add(name);
            if (name.endsWith(".mp4") || name.endsWith(".flv") || name.endsWith(".mkv"))
                media.put(name, MediaProbe.of(f));
        }
    }

    /** Every file a run may leave, of every camera, and the page. */
    static List<String> outputs() {
        List<String> names = new ArrayList<>();
        for (int i = 0; i < MAX_CAMERAS; i++) {
            for (String name : CAMERA_FILES)
                names.add(Options.fileName(name, i));
        }
        names.add("report.html");
        return names;
    }

    private static List<String> camerasFiles() {
        List<String> names = new ArrayList<>(PICTURES);
        names.addAll(List.of("recording.mp4", "live.flv", "live.mkv", "live.mp4"));
        return names;
    }

    MediaProbe probe(String name) {
        return media.get(name);
    }

    /** One figure: its label, its value for each camera and what it counts. */
    record Row(String label, List<String> values, String counts) {}

    /** Every measured figure, in reading order. */
    List<Row> rows() {
        List<Row> rows = new ArrayList<>();
        row(rows, "library", "the deliverable the demo loaded", r -> r.library + " " + r.version);
        row(rows, "camera", "the virtual camera's description file", r -> r.camera);
        row(rows, "stream asked for", "format, size and rate negotiated with the camera",
                r -> Options.formatName(r.format) + " " + r.width + "x" + r.height + " at "
                        + r.cameraFps + " fps");
        row(rows, "handed over", "frames the camera handed to the engine",
                r -> String.valueOf(r.counts.handedOver()));
        row(rows, "shown", "camera pictures posted to the preview surface (not the stop's clearing)",
                r -> String.valueOf(r.counts.shown()));
        row(rows, "dropped", "handed over minus shown", r -> String.valueOf(r.counts.dropped()));
        row(rows, "raw received", "raw frames that reached Java through the raw-frame callback",
                r -> String.valueOf(r.counts.raw()));
        row(rows, "skipped", "camera frames missing between two raw frames, by their counters",
                r -> String.valueOf(r.counts.skipped()));
        row(rows, "display fps (engine)", "the engine's own display rate just before the stop",
                r -> String.format("%.1f", r.viewFps));
        row(rows, "hand-over to surface latency p50 / p99",
                "camera hand-over to surface post, frames after the first second",
                r -> r.surfaceP50 < 0 ? "n/a"
                                      : String.format("%.1f / %.1f ms", r.surfaceP50, r.surfaceP99));
        row(rows, "hand-over to Java latency p50 / p99",
                "camera hand-over to the raw-frame callback, frames after the first second",
                r -> r.javaP50 < 0 ? "n/a" : String.format("%.1f / %.1f ms (%d frames)",
                        r.javaP50, r.javaP99, r.latencySamples));
        row(rows, "lip sync mean / min / max",
                "per clap in the camera's recording: video time of the marker frame minus audio"
                        + " time of the burst onset (positive: picture late)",
                r -> r.lipSync == null ? "n/a" : r.lipSync.summary());
        row(rows, "capture into byte[]", "one picture copied into the application's array",
                r -> r.captureBytes > 0 ? r.captureBytes + " bytes, camera frame " + r.captureCounter
                                        : "none");
        row(rows, "still", "the picture the still button delivered",
                r -> r.stillBytes > 0 ? String.format("%d bytes, %dx%d, %s, camera frame %d",
                        r.stillBytes, r.stillWidth, r.stillHeight,
                        r.stillKind == 2 ? "JPEG" : "pixels", r.stillCounter) : "none");
        row(rows, "sound blocks", "level callbacks from the microphone (about 10 ms each)",
                r -> String.valueOf(r.levelBlocks));
        row(rows, "sound level last RMS / max peak",
                "of the last block, and the loudest block of the run",
                r -> String.format("%.1f / %.1f dBFS", r.lastRmsDb, r.maxPeakDb));
        row(rows, "recording time", "from recordStart to recordStop as the demo timed it",
                r -> String.format("%.1f s", r.recordedSeconds));
        if (cameras.stream().anyMatch(r -> !r.liveUrl.isEmpty())) {
            row(rows, "live stream", "the peer's address as the engine reports it",
                    r -> r.liveUrl.isEmpty() ? "none" : r.liveUrl);
            row(rows, "live sent (live library)", "the live library's rates just before the stop",
                    r -> r.live == null ? "n/a" : r.live.sent());
            row(rows, "live frames dropped video / audio", "frames the live library did not send",
                    r -> r.live == null ? "n/a" : r.live.drops());
        }
        row(rows, "contact sheet counters",
                "camera frame numbers read from pictures sampled evenly from the recording",
                r -> r.sheetCounters.isEmpty() ? "none"
                        : r.sheetCounters + (increasing(r.sheetCounters) ? ", in camera order"
                                                                         : ", OUT OF ORDER"));
        for (String name : CAMERA_FILES) {
            if (cameras.stream().noneMatch(r -> files.contains(r.file(name))))
                continue;
            row(rows, name, "size, and ffprobe's view of it", r -> fileFigure(r, name));
        }
        return rows;
    }

    /** Size and ffprobe's view of a camera's file; the others' values name their own file. */
    private String fileFigure(RunResults r, String name) {
        String file = r.file(name);
        if (!files.contains(file))
            return "none";
        MediaProbe p = media.get(file);
        return (r.index == 0 ? "" : file + ", ") + size(new File(folder, file).length())
                + (p == null ? "" : ", " + p.summary());
    }

    private static boolean increasing(List<Long> counters) {
        for (int i = 0; i < counters.size(); i++) {
            if (counters.get(i) <= 0 || (i > 0 && counters.get(i) <= counters.get(i - 1)))
                return false;
        }
        return true;
    }

    private void row(List<Row> rows, String label, String counts,
            Function<RunResults, String> value) {
        rows.add(new Row(label, cameras.stream().map(value).toList(), counts));
    }

    String table() {
        List<Row> rows = rows();
        int[] widths = new int[cameras.size()];
        int width = 0;
        for (Row row : rows) {
            width = Math.max(width, row.label().length());
            for (int i = 0; i < widths.length; i++)
                widths[i] = Math.max(widths[i], row.values().get(i).length());
        }
        StringBuilder out = new StringBuilder();
        String rule = "-".repeat(width + 2) + "+" + "-".repeat(50) + "\n";
        out.append(rule);
        for (Row row : rows) {
            out.append(String.format(" %-" + width + "s", row.label()));
            for (int i = 0; i < widths.length; i++) {
                String value = row.values().get(i);
                // The last column is not padded: no trailing blanks.
                out.append(" | ").append(i + 1 < widths.length
                        ? String.format("%-" + widths[i] + "s", value) : value);
            }
            out.append('\n');
        }
        out.append(rule);
        for (RunResults r : cameras) {
            for (String note : r.notes)
                out.append(" note: ").append(r.prefix).append(note).append('\n');
        }
        for (RunResults r : cameras) {
            for (String what : r.notDone)
                out.append(" NOT DONE: ").append(r.prefix).append(what).append('\n');
        }
        return out.toString();
    }

    void writeHtml(File file) throws IOException {
        StringBuilder h = new StringBuilder();
        h.append("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Lumivo demo run")
                .append("</title>\n<style>body{font-family:sans-serif;margin:2em;max-width:1400px}")
                .append("table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:3px 8px;")
                .append("text-align:left}img,video{max-width:100%;border:1px solid #888}")
                .append(".missing{color:#b00;font-weight:bold}pre{background:#f4f4f4;padding:8px}")
                .append(".cameras{display:grid;grid-template-columns:repeat(")
                .append(cameras.size()).append(",1fr);gap:1em}")
                .append("</style></head><body>\n");
        h.append("<h1>Lumivo camera demo</h1>\n<p>Run of ")
                .append(LocalDateTime.now().format(DateTimeFormatter.ISO_LOCAL_DATE_TIME))
                .append(" with ").append(esc(cameras.get(0).library)).append(" on ")
                .append(esc(String.join(" and ", cameras.stream().map(r -> r.camera).toList())))
                .append(".</p>\n");
        if (cameras.stream().anyMatch(r -> !r.notDone.isEmpty())) {
            h.append("<h2>Not done</h2>\n<ul>\n");
            for (RunResults r : cameras) {
                for (String what : r.notDone)
                    h.append("<li class=\"missing\">").append(esc(r.prefix + what))
                            .append("</li>\n");
            }
            h.append("</ul>\n");
        }
        for (RunResults r : cameras) {
            for (String note : r.notes)
                h.append("<p>Note: ").append(esc(r.prefix + note)).append(".</p>\n");
        }
        h.append("<h2>Moving pictures</h2>\n");
        for (String name : MOVIES) {
            if (cameras.stream().noneMatch(r -> files.contains(r.file(name))))
                continue;
            sideBySide(h, name, r -> "<h3>" + esc(r.prefix + r.file(name)) + "</h3>\n",
                    own -> "<video controls preload=\"metadata\" width=\"960\" src=\"" + own
                            + "\"></video>");
        }
        h.append("<h2>Measured</h2>\n<table>\n<tr><th>figure</th>");
        for (RunResults r : cameras)
            h.append("<th>").append(cameras.size() == 1 ? "value" : esc(r.prefix.replace(": ", "")))
                    .append("</th>");
        h.append("<th>what it counts</th></tr>\n");
        for (Row row : rows()) {
            h.append("<tr><th>").append(esc(row.label())).append("</th>");
            for (String value : row.values())
                h.append("<td>").append(esc(value)).append("</td>");
            h.append("<td>").append(esc(row.counts())).append("</td></tr>\n");
        }
        h.append("</table>\n");
        h.append("<h2>Pictures</h2>\n");
        for (int i = 0; i < PICTURES.size(); i++) {
            String name = PICTURES.get(i);
            h.append("<h3>").append(name).append("</h3>\n<p>").append(esc(CAPTIONS.get(i)))
                    .append("</p>\n");
            sideBySide(h, name,
                    r -> cameras.size() == 1 ? "" : "<p>" + esc(r.prefix + r.file(name)) + "</p>",
                    own -> "<a href=\"" + own + "\"><img src=\"" + own + "\" alt=\"" + own
                            + "\"></a>");
        }
        h.append("<h2>Contact sheet counters</h2>\n<table><tr><th>sample</th>");
        for (RunResults r : cameras)
            h.append("<th>").append(esc(r.prefix)).append("camera frame</th>");
        h.append("</tr>\n");
        int samples = cameras.stream().mapToInt(r -> r.sheetCounters.size()).max().orElse(0);
        for (int i = 0; i < samples; i++) {
            h.append("<tr><td>").append(i + 1).append("</td>");
            for (RunResults r : cameras) {
                h.append("<td class=\"counter").append(r.index == 0 ? "" : "-" + (r.index + 1))
                        .append("\">")
                        .append(i < r.sheetCounters.size() ? r.sheetCounters.get(i) : "")
                        .append("</td>");
            }
            h.append("</tr>\n");
        }
        h.append("</table>\n<h2>Files</h2>\n<table><tr><th>file</th><th>bytes</th></tr>\n");
        for (String name : files)
            h.append("<tr><td><a href=\"").append(name).append("\">").append(name)
                    .append("</a></td><td>").append(new File(folder, name).length())
                    .append("</td></tr>\n");
        h.append("</table>\n");
        for (Map.Entry<String, MediaProbe> e : media.entrySet()) {
            h.append("<h3>ffprobe ").append(e.getKey()).append("</h3>\n<pre>")
                    .append(esc(e.getValue().text)).append("</pre>\n");
        }
        for (RunResults r : cameras) {
            if (!r.latencyNote.isEmpty())
                h.append("<p>").append(esc(r.prefix)).append("Latency: ")
                        .append(esc(r.latencyNote)).append(".</p>\n");
        }
        if (cameras.stream().anyMatch(r -> !r.errors.isEmpty())) {
            h.append("<h2>Errors the engine reported</h2>\n<ul>\n");
            for (RunResults r : cameras) {
                for (String e : r.errors)
                    h.append("<li>").append(esc(r.prefix + e)).append("</li>\n");
            }
            h.append("</ul>\n");
        }
        h.append("</body></html>\n");
        Files.writeString(file.toPath(), h.toString());
    }

    /**
     * One cell per camera for its own file `name`: the caption, then the element that shows
     * the file, or a line saying it was not made.
     */
    private void sideBySide(StringBuilder h, String name, Function<RunResults, String> caption,
            Function<String, String> element) {
        h.append("<div class=\"cameras\">\n");
        for (RunResults r : cameras) {
            String own = r.file(name);
            h.append("<div>").append(caption.apply(r)).append(files.contains(own)
                    ? element.apply(own) : "<p class=\"missing\">" + own + " was not made.</p>")
                    .append("</div>\n");
        }
        h.append("</div>\n");
    }

    private static String size(long bytes) {
        return bytes >= 1 << 20 ? String.format("%.1f MiB", bytes / 1048576.0)
                                : String.format("%.1f KiB", bytes / 1024.0);
    }

    private static String esc(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;");
    }
}
