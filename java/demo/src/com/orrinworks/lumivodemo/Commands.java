package com.orrinworks.lumivodemo;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.util.List;
import java.util.concurrent.TimeUnit;

/** Runs the host's media tools (ffprobe, ffmpeg) and collects what they print. */
final class Commands {
    private Commands() {}

    record Result(int exit, String out) {
        boolean ok() {
            return exit == 0;
        }
    }

    /** Runs `command` with stderr folded into stdout; gives up after `seconds`. */
    static Result run(List<String> command, int seconds) {
        try {
            Process process = new ProcessBuilder(command).redirectErrorStream(true).start();
            process.getOutputStream().close();
            ByteArrayOutputStream out = new ByteArrayOutputStream();
            Thread reader = new Thread(() -> copy(process.getInputStream(), out));
            reader.start();
            if (!process.waitFor(seconds, TimeUnit.SECONDS)) {
                process.destroyForcibly();
                process.waitFor();
            }
            reader.join();
            String text = out.toString(StandardCharsets.UTF_8);
            return new Result(process.isAlive() ? -1 : process.exitValue(), text);
        } catch (IOException e) {
            return new Result(-1, command.get(0) + ": " + e.getMessage());
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            return new Result(-1, command.get(0) + ": interrupted");
        }
    }

    private static void copy(InputStream in, ByteArrayOutputStream out) {
        try (in) {
            in.transferTo(out);
        } catch (IOException e) {
            // the process ended; what was read stays
        }
    }
}
