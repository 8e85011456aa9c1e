package com.orrinworks.lumivodemo;

/** A refusal or failure of the demo: one line for the user and the process exit code. */
final class DemoFailure extends Exception {
    private static final long serialVersionUID = 1L;
    final int exitCode;

    DemoFailure(int exitCode, String message) {
        super(message);
        this.exitCode = exitCode;
    }

    static final int BAD_INPUT = 2;
    static final int CAMERA = 3;
    static final int LIVE = 4;
    static final int OUTPUT = 5;
}
