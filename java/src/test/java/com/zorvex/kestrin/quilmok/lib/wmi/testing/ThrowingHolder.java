package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import java.util.ArrayList;
import java.util.List;

/**
 * A holder whose {@code set(long)} keeps the value and then throws, as a holder that stores before
 * it validates would: the caller still owns every handle it was given.
 */
public final class ThrowingHolder {
    /** What {@code set} throws. */
    public static final class Refusal extends RuntimeException {
        private static final long serialVersionUID = 1L;

        Refusal(long value) {
            super("set(" + value + ") refused");
        }
    }

    private final List<Long> values = new ArrayList<>();

    public void set(long value) {
        values.add(value);
        throw new Refusal(value);
    }

    public List<Long> values() {
        return values;
    }
}
