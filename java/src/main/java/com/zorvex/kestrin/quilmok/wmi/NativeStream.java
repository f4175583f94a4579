package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions;
import java.lang.ref.Cleaner;
import java.util.Collection;

/**
 * A stream handle of the natives (a streaming query or an event subscription) and the fetching of
 * its batches. The handle was made on a worker pinned to it: every batch is fetched, and its
 * objects read and freed, on that worker, which is unpinned when the handle is freed. Fetches are
 * one at a time; {@link #close()} may come from any thread, also while a fetch waits: the fetch
 * holds a lease, and the handle is freed when it returns.
 */
final class NativeStream {
    static final int BATCH = 64;
    static final long WBEM_S_FALSE = 1;
    static final long WBEM_S_TIMEDOUT = 0x40004;

    private final String query;
    private final NativeHandle stream;
    private final Cleaner.Cleanable cleanable;
    private final long[] batch = new long[BATCH];

    NativeStream(String query, Owned handle, String kind) {
        this.query = query;
        ComThreads.Worker worker = handle.owner();
        this.stream = new NativeHandle(handle, stream -> {
            WmiExtensions.WmiObjectStreamDestroy(stream);
            worker.unpin();
        }, kind);
        this.cleanable = Natives.CLEANER.register(this, stream);
    }

    /**
     * Fetches one batch, waiting at most {@code waitMs}, and adds its objects to {@code ready} as
     * snapshots; returns the natives' result.
     *
     * @throws IllegalStateException when the handle is closed
     */
    synchronized long nextBatch(int waitMs, Collection<WmiObject> ready) {
        long handle = stream.lease();
        long[] result = new long[1];
        RuntimeException[] failure = new RuntimeException[1];
        try {
            stream.owner().executeAndWait(() -> {
                try {
                    result[0] = WmiExtensions.WmiObjectStreamNextBatch(handle, waitMs, batch);
                    snapshotBatch(ready);
                } catch (RuntimeException e) {
                    failure[0] = e;
                }
            });
        } finally {
            stream.release();
        }
        if (failure[0] != null) {
            throw failure[0];
        }
        return result[0];
    }

    /** Frees the handle, at once or when the fetch in progress returns; closing twice does nothing. */
    void close() {
        stream.close();
        cleanable.clean();
    }

    boolean isClosed() {
        return stream.isClosed();
    }

    private void snapshotBatch(Collection<WmiObject> ready) {
        int delivered = 0;
        while (delivered < batch.length && batch[delivered] != 0) {
            delivered++;
        }
        try {
            for (int i = 0; i < delivered; i++) {
                long object = batch[i];
                batch[i] = 0;
                ready.add(Natives.snapshot(object, query));
            }
        } finally {
            for (int i = 0; i < delivered; i++) {
                WmiConnector.WmiObjectDestroy(batch[i]);
                batch[i] = 0;
            }
        }
    }
}
