package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import java.util.ArrayList;
import java.util.List;

/** A holder object: receives native handles and error codes through {@code set(long)}. */
public final class Holder {
    private final List<Long> values = new ArrayList<>();

    public void set(long value) {
        values.add(value);
    }

    public List<Long> values() {
        return values;
    }

    /** The one value received; fails the test when there was none or more than one. */
    public long single() {
        if (values.size() != 1) {
            throw new AssertionError("expected exactly one set(long) call, got " + values);
        }
        return values.get(0);
    }

    public boolean untouched() {
        return values.isEmpty();
    }
}
