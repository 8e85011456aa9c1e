package com.orrinworks.lumivodemo;

import com.orrinworks.lumivonative.Lumivo_Native;

/** The engine's live-stream figures at one moment, as the live library counts them. */
final class LiveStats {
    final double bytesPerSecond;
    final double videoFps;
    final double audioFps; // audio frames (AAC blocks) sent per second
    final int videoDrops;
    final int audioDrops;

    private LiveStats(double bytesPerSecond, double videoFps, double audioFps, int videoDrops,
            int audioDrops) {
        this.bytesPerSecond = bytesPerSecond;
        this.videoFps = videoFps;
        this.audioFps = audioFps;
        this.videoDrops = videoDrops;
        this.audioDrops = audioDrops;
    }

    static LiveStats read(Lumivo_Native camera, long id) {
        return new LiveStats(camera.nativegetTransmissionperSec(id),
                camera.nativegetVideoTransmissionperSec(id),
                camera.nativegetAudioTransmissionperSec(id), camera.nativegetVideoDropFrame(id),
                camera.nativegetAudioDropFrame(id));
    }

    /** For the progress line. */
    String brief() {
        return String.format("live %6.1f KiB/s %4.1f fps drops %d/%d", bytesPerSecond / 1024,
                videoFps, videoDrops, audioDrops);
    }

    /** For the report and the summary table. */
    String sent() {
        return String.format("%.1f KiB/s, video %.1f fps, audio %.1f frames/s",
                bytesPerSecond / 1024, videoFps, audioFps);
    }

    String drops() {
        return videoDrops + " / " + audioDrops;
    }
}
