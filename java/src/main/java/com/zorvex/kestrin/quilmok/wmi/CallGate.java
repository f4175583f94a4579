package com.zorvex.kestrin.quilmok.wmi;

/** Counts the calls in flight on a session so that closing can wait for them. */
final class CallGate {
    private final String what;
    private int inFlight;
    private boolean closed;

    CallGate(String what) {
        this.what = what;
    }

    synchronized void enter() {
        if (closed) {
            throw new IllegalStateException(what + " is closed");
        }
        inFlight++;
    }

    synchronized void exit() {
        if (--inFlight == 0) {
            notifyAll();
        }
    }

    /**
     * Refuses new calls and waits until the calls in flight have returned. Their waits are bounded
     * by their time-outs, so this is too. False when the gate was closed before.
     */
    synchronized boolean closeAndAwait() {
        if (closed) {
            return false;
        }
        closed = true;
        boolean interrupted = false;
        while (inFlight > 0) {
            try {
                wait();
            } catch (InterruptedException e) {
                interrupted = true;
            }
        }
        if (interrupted) {
            Thread.currentThread().interrupt();
        }
        return true;
    }

    synchronized boolean isClosed() {
        return closed;
    }
}
