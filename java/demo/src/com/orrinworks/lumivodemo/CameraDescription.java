package com.orrinworks.lumivodemo;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * The few facts of a virtual camera's description the application side needs: the USB ids
 * (on a phone they come from the USB device) and whether the description scripts button
 * presses. The camera itself reads everything else through the descriptor.
 */
final class CameraDescription {
    final int vendorId;
    final int productId;
    final boolean scriptsButton;
    private final List<String> lines;

    private CameraDescription(int vendorId, int productId, boolean scriptsButton, List<String> lines) {
        this.vendorId = vendorId;
        this.productId = productId;
        this.scriptsButton = scriptsButton;
        this.lines = lines;
    }

    static CameraDescription read(Path path) throws DemoFailure {
        List<String> lines;
        try {
            lines = Files.readAllLines(path);
        } catch (IOException e) {
            throw new DemoFailure(DemoFailure.BAD_INPUT, "cannot read camera description " + path);
        }
        Integer vid = null, pid = null;
        boolean buttons = false;
        for (String raw : lines) {
            String line = raw.replaceAll("#.*", "").trim();
            int eq = line.indexOf('=');
            if (eq < 0)
                continue;
            String key = line.substring(0, eq).trim(), value = line.substring(eq + 1).trim();
            switch (key) {
                case "vid" -> vid = usbId(path, key, value);
                case "pid" -> pid = usbId(path, key, value);
                case "buttons" -> buttons = true;
                default -> {}
            }
        }
        if (vid == null || pid == null)
            throw new DemoFailure(DemoFailure.BAD_INPUT,
                    "camera description " + path + " names no vid and pid");
        return new CameraDescription(vid, pid, buttons, lines);
    }

    /**
     * The description as the demo runs it: when it scripts no button press, one press at
     * `frame` is added so that the run shows a still.
     */
    Path withButtonAt(int frame, Path folder) throws IOException {
        List<String> run = new ArrayList<>(lines);
        if (!scriptsButton)
            run.add("buttons = " + frame);
        Path file = Files.createTempFile(folder, ".camera-", ".conf");
        Files.write(file, run);
        return file;
    }

    private static int usbId(Path path, String key, String value) throws DemoFailure {
        try {
            return value.startsWith("0x") ? Integer.parseInt(value.substring(2), 16)
                                          : Integer.parseInt(value);
        } catch (NumberFormatException e) {
            throw new DemoFailure(DemoFailure.BAD_INPUT,
                    "camera description " + path + ": bad " + key + " " + value);
        }
    }
}
