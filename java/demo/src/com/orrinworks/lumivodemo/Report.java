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

/** The summary table printed at the end and report.html, built from the same rows. */
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

    private final RunResults r;
    private final File folder;
    /** Output files that exist, with ffprobe's view of the media files among them. */
    private final Map<String, MediaProbe> media = new LinkedHashMap<>();
    private final List<String> files = new ArrayList<>();

    Report(RunResults results, File folder, List<String> outputs) {
        this.r = results;
        this.folder = folder;
        for (String name : outputs) {
            File f = new File(folder, name);
            if (!f.isFile())
                continue;
            files.add(name);
            if (name.endsWith(".mp4") || name.endsWith(".flv") || name.endsWith(".mkv"))
                media.put(name, MediaProbe.of(f));
        }
    }

    MediaProbe probe(String name) {
        return media.get(name);
    }

    /** Label, value and what it counts of every measured figure, in reading order. */
    List<String[]> rows() {
        List<String[]> rows = new ArrayList<>();
        FrameCounts c = r.counts;
        row(rows, "library", r.library + " " + r.version, "the deliverable the demo loaded");
        row(rows, "camera", r.camera, "the virtual camera's description file");
        row(rows, "stream asked for", Options.formatName(r.format) + " " + r.width + "x" + r.height
                + " at " + r.cameraFps + " fps", "format, size and rate negotiated with the camera");
        row(rows, "handed over", String.valueOf(c.handedOver()),
                "frames the camera handed to the engine");
        row(rows, "shown", String.valueOf(c.shown()),
                "camera pictures posted to the preview surface (not the stop's clearing)");
        row(rows, "dropped", String.valueOf(c.dropped()), "handed over minus shown");
        row(rows, "raw received", String.valueOf(c.raw()),
                "raw frames that reached Java through the raw-frame callback");
        row(rows, "skipped", String.valueOf(c.skipped()),
                "camera frames missing between two raw frames, by their counters");
        row(rows, "display fps (engine)", String.format("%.1f", r.viewFps),
                "the engine's own display rate just before the stop");
        row(rows, "hand-over to surface latency p50 / p99",
                r.surfaceP50 < 0 ? "n/a" : String.format("%.1f / %.1f ms", r.surfaceP50, r.surfaceP99),
                "camera hand-over to surface post, frames after the first second");
        row(rows, "hand-over to Java latency p50 / p99",
                r.javaP50 < 0 ? "n/a" : String.format("%.1f / %.1f ms (%d frames)", r.javaP50,
                        r.javaP99, r.latencySamples),
                "camera hand-over to the raw-frame callback, frames after the first second");
        row(rows, "lip sync mean / min / max", r.lipSync == null ? "n/a" : r.lipSync.summary(),
                "per clap in recording.mp4: video time of the marker frame minus audio time of"
                        + " the burst onset (positive: picture late)");
        row(rows, "capture into byte[]", r.captureBytes > 0
                ? r.captureBytes + " bytes, camera frame " + r.captureCounter : "none",
                "one picture copied into the application's array");
        row(rows, "still", r.stillBytes > 0 ? String.format("%d bytes, %dx%d, %s, camera frame %d",
                r.stillBytes, r.stillWidth, r.stillHeight, r.stillKind == 2 ? "JPEG" : "pixels",
                r.stillCounter) : "none", "the picture the still button delivered");
        row(rows, "sound blocks", String.valueOf(r.levelBlocks),
                "level callbacks from the microphone (about 10 ms each)");
        row(rows, "sound level last RMS / max peak",
                String.format("%.1f / %.1f dBFS", r.lastRmsDb, r.maxPeakDb),
                "of the last block, and the loudest block of the run");
        row(rows, "recording time", String.format("%.1f s", r.recordedSeconds),
                "from recordStart to recordStop as the demo timed it");
        if (!r.liveUrl.isEmpty()) {
            row(rows, "live stream", r.liveUrl, "the peer's address as the engine reports it");
            if (r.live != null) {
                row(rows, "live sent (live library)", r.live.sent(),
                        "the live library's rates just before the stop");
                row(rows, "live frames dropped video / audio", r.live.drops(),
                        "frames the live library did not send");
            }
        }
        row(rows, "contact sheet counters", r.sheetCounters.isEmpty() ? "none"
                : r.sheetCounters + (increasing(r.sheetCounters) ? ", in camera order"
                                                                 : ", OUT OF ORDER"),
                "camera frame numbers read from pictures sampled evenly from recording.mp4");
        for (String name : files) {
            MediaProbe p = media.get(name);
            row(rows, name, size(new File(folder, name).length())
                    + (p == null ? "" : ", " + p.summary()), "size, and ffprobe's view of it");
        }
        return rows;
    }

    private static boolean increasing(List<Long> counters) {
        for (int i = 0; i < counters.size(); i++) {
            if (counters.get(i) <= 0 || (i > 0 && counters.get(i) <= counters.get(i - 1)))
                return false;
        }
        return true;
    }

    private static void row(List<String[]> rows, String label, String value, String counts) {
        rows.add(new String[] {label, value, counts});
    }

    String table() {
        List<String[]> rows = rows();
        int width = 0;
        for (String[] row : rows)
            width = Math.max(width, row[0].length());
        StringBuilder out = new StringBuilder();
        String rule = "-".repeat(width + 2) + "+" + "-".repeat(50) + "\n";
        out.append(rule);
        for (String[] row : rows)
            out.append(String.format(" %-" + width + "s | %s%n", row[0], row[1]));
        out.append(rule);
        for (String note : r.notes)
            out.append(" note: ").append(note).append('\n');
        for (String what : r.notDone)
            out.append(" NOT DONE: ").append(what).append('\n');
        return out.toString();
    }

    void writeHtml(File file) throws IOException {
        StringBuilder h = new StringBuilder();
        h.append("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Lumivo demo run")
                .append("</title>\n<style>body{font-family:sans-serif;margin:2em;max-width:1400px}")
                .append("table{border-collapse:collapse}td,th{border:1px solid #bbb;padding:3px 8px;")
                .append("text-align:left}img,video{max-width:100%;border:1px solid #888}")
                .append(".missing{color:#b00;font-weight:bold}pre{background:#f4f4f4;padding:8px}")
                .append("</style></head><body>\n");
        h.append("<h1>Lumivo camera demo</h1>\n<p>Run of ")
                .append(LocalDateTime.now().format(DateTimeFormatter.ISO_LOCAL_DATE_TIME))
                .append(" with ").append(esc(r.library)).append(" on ").append(esc(r.camera))
                .append(".</p>\n");
        if (!r.notDone.isEmpty()) {
            h.append("<h2>Not done</h2>\n<ul>\n");
            for (String what : r.notDone)
                h.append("<li class=\"missing\">").append(esc(what)).append("</li>\n");
            h.append("</ul>\n");
        }
        for (String note : r.notes)
            h.append("<p>Note: ").append(esc(note)).append(".</p>\n");
        h.append("<h2>Moving pictures</h2>\n");
        for (String name : MOVIES) {
            if (!files.contains(name))
                continue;
            h.append("<h3>").append(name).append("</h3>\n<video controls preload=\"metadata\"")
                    .append(" width=\"960\" src=\"").append(name).append("\"></video>\n");
        }
        h.append("<h2>Measured</h2>\n<table>\n<tr><th>figure</th><th>value</th>")
                .append("<th>what it counts</th></tr>\n");
        for (String[] row : rows())
            h.append("<tr><th>").append(esc(row[0])).append("</th><td>").append(esc(row[1]))
                    .append("</td><td>").append(esc(row[2])).append("</td></tr>\n");
        h.append("</table>\n");
        h.append("<h2>Pictures</h2>\n");
        for (int i = 0; i < PICTURES.size(); i++) {
            String name = PICTURES.get(i);
            h.append("<h3>").append(name).append("</h3>\n<p>").append(esc(CAPTIONS.get(i)))
                    .append("</p>\n");
            if (files.contains(name))
                h.append("<p><a href=\"").append(name).append("\"><img src=\"").append(name)
                        .append("\" alt=\"").append(name).append("\"></a></p>\n");
            else
                h.append("<p class=\"missing\">").append(name).append(" was not made.</p>\n");
        }
        h.append("<h2>Contact sheet counters</h2>\n<table><tr><th>sample</th><th>camera frame")
                .append("</th></tr>\n");
        for (int i = 0; i < r.sheetCounters.size(); i++)
            h.append("<tr><td>").append(i + 1).append("</td><td class=\"counter\">")
                    .append(r.sheetCounters.get(i)).append("</td></tr>\n");
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
        if (!r.latencyNote.isEmpty())
            h.append("<p>Latency: ").append(esc(r.latencyNote)).append(".</p>\n");
        if (!r.errors.isEmpty()) {
            h.append("<h2>Errors the engine reported</h2>\n<ul>\n");
            for (String e : r.errors)
                h.append("<li>").append(esc(e)).append("</li>\n");
            h.append("</ul>\n");
        }
        h.append("</body></html>\n");
        Files.writeString(file.toPath(), h.toString());
    }

    private static String size(long bytes) {
        return bytes >= 1 << 20 ? String.format("%.1f MiB", bytes / 1048576.0)
                                : String.format("%.1f KiB", bytes / 1024.0);
    }

    private static String esc(String s) {
        return s.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace("\"", "&quot;");
    }
}
