package com.zorvex.kestrin.quilmok.wmi;

/** Receives a native handle or an error code from the natives, which call {@code set(long)}. */
final class Holder {
    private long value;
    private boolean received;

    void set(long value) {
        this.value = value;
        this.received = true;
    }

    long value() {
        return value;
    }

    boolean received() {
        return received;
    }

    /** The code the natives reported, as the 32-bit value they sign-extended. */
    int code() {
        return (int) value;
    }
}
