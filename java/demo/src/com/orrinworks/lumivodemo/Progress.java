package com.orrinworks.lumivodemo;

import java.util.function.DoubleFunction;

/** Prints one progress line a second on a thread of its own, started and joined by the run. */
final class Progress {
    private final DoubleFunction<String> line;
    private final Object lock = new Object(); // guards stopped
    private boolean stopped;
    private Thread thread;

    Progress(DoubleFunction<String> line) {
        this.line = line;
    }

    void start() {
        long start = System.nanoTime();
        thread = new Thread(() -> {
            for (int second = 1;; second++) {
                long due = start + second * 1_000_000_000L;
                synchronized (lock) {
                    for (long left = due - System.nanoTime(); !stopped && left > 0;
                            left = due - System.nanoTime()) {
                        try {
                            lock.wait(Math.max(1, left / 1_000_000));
                        } catch (InterruptedException e) {
                            return;
                        }
                    }
                    if (stopped)
                        return;
                }
                System.out.println(line.apply((System.nanoTime() - start) / 1e9));
            }
        }, "demo-progress");
        thread.start();
    }

    /** Stops the printing and waits for the thread; harmless when already stopped. */
    void stop() {
        synchronized (lock) {
            stopped = true;
            lock.notifyAll();
        }
        if (thread != null && thread != Thread.currentThread()) {
            try {
                thread.join();
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
            }
        }
    }
}
