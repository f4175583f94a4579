package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.Optional;

/**
 * What one host of a {@link WmiFleet} run gave: a value, or the exception that ended its work.
 *
 * @param host the host
 * @param value the work's result; null when it failed (or returned null)
 * @param error the failure; null on success. A host that did not finish within its deadline has a
 *     {@link WmiTimeoutException}.
 * @param elapsed how long the host took, up to its deadline
 * @param <T> the type of the work's result
 */
public record HostOutcome<T>(String host, T value, RuntimeException error, Duration elapsed) {
    /**
     * True when the work finished without an exception.
     *
     * @return whether there is no error
     */
    public boolean succeeded() {
        return error == null;
    }

    /**
     * The value, or the exception rethrown.
     *
     * @return the value (null when the work returned null)
     * @throws RuntimeException the error, when the work failed
     */
    public T orThrow() {
        if (error != null) {
            throw error;
        }
        return value;
    }

    /**
     * The failure as a WMI exception, when it is one.
     *
     * @return the {@link WmiException}, or empty on success or for another kind of exception
     */
    public Optional<WmiException> wmiError() {
        return error instanceof WmiException wmi ? Optional.of(wmi) : Optional.empty();
    }
}
