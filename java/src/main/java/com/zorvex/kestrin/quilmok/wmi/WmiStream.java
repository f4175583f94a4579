package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.ArrayDeque;
import java.util.Iterator;
import java.util.NoSuchElementException;
import java.util.Spliterator;
import java.util.Spliterators;
import java.util.concurrent.CancellationException;
import java.util.stream.Stream;
import java.util.stream.StreamSupport;

/**
 * The objects of a query as WMI delivers them, a batch at a time ({@link WmiSession#stream}).
 * Iterated once, by one thread. {@link #cancel()} may be called from any thread: the iteration
 * then throws {@link CancellationException} at the next batch boundary, within a fraction of a
 * second. Closing frees the query and whatever it has not delivered.
 */
public final class WmiStream implements Iterable<WmiObject>, AutoCloseable {
    static final int BATCH = NativeStream.BATCH;
    /** The longest single wait in the natives, so that a cancel is seen promptly. */
    private static final long SLICE_MS = 100;

    private final String query;
    private final Duration timeout;
    private final NativeStream stream;
    private final Runnable onClose;
    private final ArrayDeque<WmiObject> ready = new ArrayDeque<>();
    private volatile boolean cancelled;
    private boolean ended;
    private boolean iterating;

    WmiStream(String query, Owned handle, Duration timeout, Runnable onClose) {
        this.query = query;
        this.timeout = timeout;
        this.stream = new NativeStream(query, handle, "stream");
        this.onClose = onClose;
    }

    /**
     * The query that made this stream.
     *
     * @return the WQL text
     */
    public String query() {
        return query;
    }

    /**
     * The one iteration of this stream. Its {@code hasNext()} and {@code next()} fetch the next
     * batch when needed. They throw {@link CancellationException} once the stream is cancelled or
     * closed, {@link WmiTimeoutException} when no object arrives within the operation time-out
     * (which closes the stream), and a {@link WmiException} when reading the stream fails.
     *
     * @return the iterator
     * @throws IllegalStateException when this stream was iterated before
     */
    @Override
    public synchronized Iterator<WmiObject> iterator() {
        if (iterating) {
            throw new IllegalStateException("a stream is iterated only once");
        }
        iterating = true;
        return new Iterator<>() {
            @Override
            public boolean hasNext() {
                return fill();
            }

            @Override
            public WmiObject next() {
                if (!fill()) {
                    throw new NoSuchElementException();
                }
                return ready.poll();
            }
        };
    }

    /**
     * The objects as a sequential stream; closing it closes this.
     *
     * @return a sequential stream over this stream's one iteration
     * @throws IllegalStateException when this stream was iterated before
     */
    public Stream<WmiObject> stream() {
        Spliterator<WmiObject> objects =
                Spliterators.spliteratorUnknownSize(iterator(), Spliterator.ORDERED | Spliterator.NONNULL);
        return StreamSupport.stream(objects, false).onClose(this::close);
    }

    /** Stops the stream at its next batch boundary; callable from any thread. */
    public void cancel() {
        cancelled = true;
    }

    /**
     * True once {@link #cancel()} or {@link #close()} was called.
     *
     * @return whether the stream was cancelled or closed
     */
    public boolean isCancelled() {
        return cancelled;
    }

    /** Frees the query; objects already read stay valid. */
    @Override
    public void close() {
        cancelled = true;
        stream.close();
        onClose.run();
    }

    /** True when an object is ready, fetching batches as needed; false at the end. */
    private boolean fill() {
        long deadline = System.nanoTime() + timeout.toNanos();
        while (ready.isEmpty() && !ended) {
            if (cancelled) {
                close();
                throw new CancellationException("stream of " + query + " cancelled");
            }
            long left = (deadline - System.nanoTime()) / 1_000_000;
            if (left <= 0) {
                close();
                throw ErrorCodes.deadlineExceeded("wait for the next object of", query, timeout);
            }
            long result = nextBatch((int) Math.min(left, SLICE_MS));
            if (result == NativeStream.WBEM_S_FALSE) {
                ended = true;
                stream.close();
            } else if (result != 0 && result != NativeStream.WBEM_S_TIMEDOUT) {
                close();
                throw ErrorCodes.exceptionFor(ErrorCodes.codeOfHresult((int) result), "read the stream of", query);
            }
        }
        return !ready.isEmpty();
    }

    /** One batch from the natives into the ready queue; returns the natives' result. */
    private long nextBatch(int waitMs) {
        try {
            return stream.nextBatch(waitMs, ready);
        } catch (IllegalStateException closed) {
            cancelled = true;
            throw new CancellationException("stream of " + query + " closed");
        }
    }
}
