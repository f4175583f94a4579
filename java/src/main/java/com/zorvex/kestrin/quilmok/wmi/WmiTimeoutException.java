package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;

/**
 * An operation that did not finish within its time-out: WMI's own ({@code WBEM_S_TIMEDOUT},
 * {@code WBEM_E_TIMED_OUT}) or the deadline this library keeps for every call. A call abandoned
 * at its deadline is left to finish in the background, and whatever it makes is freed then.
 */
public class WmiTimeoutException extends WmiException {
    private static final long serialVersionUID = 1L;

    /** The time-out that ran out, or null; see {@link #timeout()}. */
    private final Duration timeout;

    /**
     * A time-out of {@code timeout} while doing {@code operation} to {@code target}.
     *
     * @param error the code with its name and text: WMI's, or {@code WBEM_E_TIMED_OUT} for a
     *     deadline of this library
     * @param operation what was being done
     * @param target what it was done to; may be empty
     * @param timeout the time-out that ran out; null when WMI reported it without saying
     */
    public WmiTimeoutException(WmiErrorInfo error, String operation, String target, Duration timeout) {
        super(error, operation, target);
        this.timeout = timeout;
    }

    /**
     * The time-out that ran out; null when WMI reported it without saying.
     *
     * @return the time-out, or null
     */
    public Duration timeout() {
        return timeout;
    }
}
