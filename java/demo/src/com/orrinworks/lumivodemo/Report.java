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
    static final List<String> PICTURES =
            List.of("preview.png", "capture.png", "still.jpg", "contact-sheet.png", "levels.png");

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

    /** Label and value of every measured figure, in reading order. */
    List<String[]> rows() {
        List<String[]> rows = new ArrayList<>();
        row(rows, "library", r.library + " " + r.version);
        row(rows, "camera", r.camera);
        row(rows, "stream asked for", Options.formatName(r.format) + " " + r.width + "x" + r.height
                + " at " + r.cameraFps + " fps");
        row(rows, "camera frames handed over", String.valueOf(r.cameraFrames));
        row(rows, "frames shown on the surface", String.valueOf(r.framesShown));
        row(rows, "frames dropped (handed over, not shown)",
                String.valueOf(Math.max(0, r.cameraFrames - r.framesShown)));
        row(rows, "display fps (engine)", String.format("%.1f", r.viewFps));
        row(rows, "raw frames received in Java", String.valueOf(r.rawFrames));
        row(rows, "camera frames skipped between raw frames", String.valueOf(r.rawSkipped));
        row(rows, "hand-over to surface latency p50 / p99 (after 1 s)",
                r.surfaceP50 < 0 ? "n/a" : String.format("%.1f / %.1f ms", r.surfaceP50, r.surfaceP99));
        row(rows, "hand-over to Java latency p50 / p99 (after 1 s)",
                r.javaP50 < 0 ? "n/a" : String.format("%.1f / %.1f ms (%d frames)", r.javaP50,
                        r.javaP99, r.latencySamples));
        row(rows, "capture into byte[]", r.captureBytes > 0
                ? r.captureBytes + " bytes, camera frame " + r.captureCounter : "none");
        row(rows, "still", r.stillBytes > 0 ? String.format("%d bytes, %dx%d, %s, camera frame %d",
                r.stillBytes, r.stillWidth, r.stillHeight, r.stillKind == 2 ? "JPEG" : "pixels",
                r.stillCounter) : "none");
        row(rows, "sound blocks", String.valueOf(r.levelBlocks));
        row(rows, "sound level last RMS / max peak",
                String.format("%.1f / %.1f dBFS", r.lastRmsDb, r.maxPeakDb));
        row(rows, "recording time", String.format("%.1f s", r.recordedSeconds));
        if (!r.liveUrl.isEmpty()) {
            row(rows, "live stream", r.liveUrl);
            if (r.live != null) {
                row(rows, "live sent (live library)", r.live.sent());
                row(rows, "live frames dropped video / audio", r.live.drops());
            }
        }
        row(rows, "contact sheet counters", r.sheetCounters.isEmpty() ? "none"
                : r.sheetCounters + (increasing(r.sheetCounters) ? ", in camera order"
                                                                 : ", OUT OF ORDER"));
        for (String name : files) {
            MediaProbe p = media.get(name);
            row(rows, name, size(new File(folder, name).length())
                    + (p == null ? "" : ", " + p.summary()));
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

    private static void row(List<String[]> rows, String label, String value) {
        rows.add(new String[] {label, value});
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
                .append("text-align:left}img{max-width:100%;border:1px solid #888}")
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
        h.append("<h2>Measured</h2>\n<table>\n");
        for (String[] row : rows())
            h.append("<tr><th>").append(esc(row[0])).append("</th><td>").append(esc(row[1]))
                    .append("</td></tr>\n");
        h.append("</table>\n");
        h.append("<h2>Pictures</h2>\n");
        for (String name : PICTURES) {
            h.append("<h3>").append(name).append("</h3>\n");
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
