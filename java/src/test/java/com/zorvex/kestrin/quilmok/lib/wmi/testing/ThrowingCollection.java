package com.zorvex.kestrin.quilmok.lib.wmi.testing;

/** A collection whose {@code add(Object)} throws on every call. */
public final class ThrowingCollection {
    public int calls;

    public boolean add(Object value) {
        calls++;
        throw new IllegalStateException("add(" + value + ") refused");
    }
}
