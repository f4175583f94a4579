package com.zorvex.kestrin.quilmok.lib.wmi.testing;

/** A holder whose class lacks {@code set(long)}: it has only a method of another signature. */
public final class NoSetHolder {
    public int calls;

    public void set(int value) {
        calls += value;
    }
}
