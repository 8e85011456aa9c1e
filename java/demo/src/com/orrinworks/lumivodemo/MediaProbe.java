package com.orrinworks.lumivodemo;

import java.io.File;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;

/** ffprobe's view of a recorded or streamed file. */
final class MediaProbe {
    final boolean readable;
    final String text;          // ffprobe's own lines, for the report
    final List<String> codecs;  // codec names in stream order
    final double duration;      // seconds, the container's
    final int width, height;
    final double frameRate;

    private MediaProbe(boolean readable, String text, List<String> codecs, double duration,
            int width, int height, double frameRate) {
        this.readable = readable;
        this.text = text;
        this.codecs = codecs;
        this.duration = duration;
        this.width = width;
        this.height = height;
        this.frameRate = frameRate;
    }

    static MediaProbe of(File file) {
        Commands.Result r = Commands.run(List.of("ffprobe", "-v", "error", "-show_entries",
                "format=format_name,duration,size,bit_rate:stream=index,codec_type,codec_name,"
                        + "profile,width,height,avg_frame_rate,sample_rate,channels,duration",
                "-of", "default=noprint_wrappers=1", file.getPath()), 60);
        List<String> codecs = new ArrayList<>();
        Map<String, String> first = new LinkedHashMap<>();
        for (String line : r.out().split("\n")) {
            int eq = line.indexOf('=');
            if (eq < 0)
                continue;
            String key = line.substring(0, eq), value = line.substring(eq + 1).trim();
            if (key.equals("codec_name"))
                codecs.add(value);
            // Streams come first, the container last: its duration is the one kept.
            if (key.equals("duration"))
                first.put(key, value);
            else
                first.putIfAbsent(key, value);
        }
        boolean readable = r.ok() && !codecs.isEmpty();
        return new MediaProbe(readable, r.out().trim(), codecs,
                number(first.get("duration")), (int) number(first.get("width")),
                (int) number(first.get("height")), rate(first.get("avg_frame_rate")));
    }

    String summary() {
        if (!readable)
            return "not readable";
        return String.join(" + ", codecs) + String.format(", %.2f s", duration)
                + (width > 0 ? ", " + width + "x" + height : "");
    }

    private static double number(String value) {
        try {
            return value == null ? 0 : Double.parseDouble(value);
        } catch (NumberFormatException e) {
            return 0;
        }
    }

    private static double rate(String value) {
        if (value == null || !value.contains("/"))
            return number(value);
        String[] parts = value.split("/");
        double den = number(parts[1]);
        return den == 0 ? 0 : number(parts[0]) / den;
    }
}
