package com.zorvex.kestrin.quilmok.wmi;

import java.util.function.LongConsumer;

/**
 * The one owner of a native handle. Calls lease the handle for as long as the native side uses it;
 * closing refuses new leases and frees the handle once the last lease is returned, so a handle is
 * never freed under a native call that still reads it (a call abandoned at its deadline included).
 * The handle is freed on the worker that made it ({@link ComThreads}). Also the cleaning action of a
 * {@link java.lang.ref.Cleaner}: it must not reach its owner object.
 */
final class NativeHandle implements Runnable {
    private final long handle;
    private final ComThreads.Worker owner;
    private final LongConsumer destroy;
    private final String kind;
    private int leases;
    private boolean closed;
    private boolean destroyed;

    NativeHandle(Owned owned, LongConsumer destroy, String kind) {
        this.handle = owned.handle();
        this.owner = owned.owner();
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

    /**
     * Returns a lease; the last one after close frees the handle and waits until it is freed, so
     * that a thread which ends after its last call (an event subscription's delivering thread)
     * leaves nothing of the handle behind for whoever joins it.
     */
    void release() {
        boolean free;
        synchronized (this) {
            leases--;
            free = closed && leases == 0 && !destroyed;
            destroyed |= free;
        }
        if (free) {
            free(true);
        }
    }

    /**
     * Refuses new leases and frees the handle, waiting until it is freed unless a lease is out (the
     * last lease frees it then).
     */
    void close() {
        close(true);
    }

    /** The worker that owns the handle. */
    ComThreads.Worker owner() {
        return owner;
    }

    synchronized boolean isClosed() {
        return closed;
    }

    /** The Cleaner's action: frees the handle without waiting. */
    @Override
    public void run() {
        close(false);
    }

    private void close(boolean wait) {
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
            free(wait);
        }
    }

    private void free(boolean wait) {
        Runnable freeing = () -> {
            try {
                destroy.accept(handle);
            } finally {
                owner.disclaim();
            }
        };
        if (wait) {
            owner.executeAndWait(freeing);
        } else {
            owner.execute(freeing);
        }
    }
}
