package com.zorvex.kestrin.quilmok.wmi;

import java.util.function.LongConsumer;

/**
 * The one owner of a native handle. Calls lease the handle for as long as the native side uses it;
 * closing refuses new leases and frees the handle once the last lease is returned, so a handle is
 * never freed under a native call that still reads it (a call abandoned at its deadline included).
 * Also the cleaning action of a {@link java.lang.ref.Cleaner}: it must not reach its owner.
 */
final class NativeHandle implements Runnable {
    private final long handle;
    private final LongConsumer destroy;
    private final String kind;
    private int leases;
    private boolean closed;
    private boolean destroyed;

    NativeHandle(long handle, LongConsumer destroy, String kind) {
        this.handle = handle;
        this.destroy = destroy;
        this.kind = kind;
    }

    /** Takes a lease and returns the handle; the caller must {@link #release()} it. */
    synchronized long lease() {
        if (closed) {
            throw new IllegalStateException("the " + kind + " is closed");
        }
        leases++;
        return handle;
    }

    /** Returns a lease; the last one after close frees the handle. */
    void release() {
        boolean free;
        synchronized (this) {
            leases--;
            free = closed && leases == 0 && !destroyed;
            destroyed |= free;
        }
        if (free) {
            destroy.accept(handle);
        }
    }

    /** Refuses new leases; frees the handle now if no lease is out, otherwise when the last returns. */
    void close() {
        boolean free;
        synchronized (this) {
            if (closed) {
                return;
            }
            closed = true;
            free = leases == 0;
            destroyed |= free;
        }
        if (free) {
            destroy.accept(handle);
        }
    }

    synchronized boolean isClosed() {
        return closed;
    }

    @Override
    public void run() {
        close();
    }
}
