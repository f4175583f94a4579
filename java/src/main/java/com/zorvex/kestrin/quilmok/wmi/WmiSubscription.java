package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.ArrayDeque;
import java.util.Objects;
import java.util.Optional;
import java.util.concurrent.CancellationException;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.locks.ReentrantLock;
import java.util.function.Consumer;

/**
 * The events an event query selects, as WMI raises them ({@link WmiSession#subscribe(String)}).
 * Each event is a snapshot of the event object: an intrinsic event
 * ({@code __InstanceCreationEvent}, {@code __InstanceDeletionEvent},
 * {@code __InstanceModificationEvent}) carries the instance as the embedded object
 * {@code TargetInstance}, and a modification the instance before it in {@code PreviousInstance}.
 *
 * <p>Events wait in WMI until they are read with {@link #next(Duration)}, which any thread may
 * call (one reader at a time; others wait their turn within their own time-outs). A subscription
 * made with callbacks ({@link WmiSession#subscribe(String, Consumer, Consumer)}) is read by a
 * daemon thread of the library instead.
 *
 * <p>{@link #close()} may be called from any thread, also while another waits in {@code next}:
 * that wait then ends with a {@link CancellationException} within a fraction of a second, and the
 * subscription is cancelled in WMI. Closing the session closes its subscriptions.
 */
public final class WmiSubscription implements AutoCloseable {
    /** The longest single wait in the natives, so that a close is seen promptly. */
    private static final long SLICE_MS = 100;
    private static final AtomicInteger NAMES = new AtomicInteger();

    private final String query;
    private final NativeStream events;
    private final Runnable onClose;
    private final ReentrantLock reader = new ReentrantLock();
    private final ArrayDeque<WmiObject> ready = new ArrayDeque<>();
    private volatile boolean closed;
    private volatile Thread delivery;

    WmiSubscription(String query, Owned handle, Runnable onClose) {
        this.query = query;
        this.events = new NativeStream(query, handle, "subscription");
        this.onClose = onClose;
    }

    /**
     * The event query of this subscription.
     *
     * @return the WQL text
     */
    public String query() {
        return query;
    }

    /**
     * The next event, waiting at most {@code timeout} for one.
     *
     * @param timeout the longest wait; zero takes only an event that has arrived already
     * @return the event, a snapshot; empty when none arrived within {@code timeout}
     * @throws IllegalArgumentException for a negative time-out
     * @throws IllegalStateException for a subscription that delivers to callbacks
     * @throws CancellationException when the subscription is closed, before or during the wait
     * @throws WmiException when reading the events fails; the subscription is closed then
     */
    public Optional<WmiObject> next(Duration timeout) {
        Objects.requireNonNull(timeout, "timeout");
        if (timeout.isNegative()) {
            throw new IllegalArgumentException("a time-out is not negative: " + timeout);
        }
        if (delivery != null) {
            throw new IllegalStateException("the events of " + query + " go to its callbacks");
        }
        return poll(timeout);
    }

    /**
     * True once {@link #close()} was called, or the subscription failed or WMI ended it.
     *
     * @return whether the subscription is closed
     */
    public boolean isClosed() {
        return closed;
    }

    /**
     * Cancels the subscription; events not read yet are dropped. For a subscription with
     * callbacks, waits until a callback in progress has returned, unless called from a callback.
     * Closing twice does nothing.
     */
    @Override
    public void close() {
        end();
        Thread thread = delivery;
        if (thread != null && thread != Thread.currentThread()) {
            boolean interrupted = false;
            while (thread.isAlive()) {
                try {
                    thread.join();
                } catch (InterruptedException e) {
                    interrupted = true;
                }
            }
            if (interrupted) {
                Thread.currentThread().interrupt();
            }
        }
    }

    @Override
    public String toString() {
        return "WmiSubscription " + query + (closed ? " (closed)" : "");
    }

    /** Starts the daemon thread that hands each event to {@code onEvent}. */
    void deliverTo(Consumer<? super WmiObject> onEvent, Consumer<? super RuntimeException> onError) {
        Thread thread = new Thread(() -> deliver(onEvent, onError), "wmi-events-" + NAMES.incrementAndGet());
        thread.setDaemon(true);
        delivery = thread;
        thread.start();
    }

    private void deliver(Consumer<? super WmiObject> onEvent, Consumer<? super RuntimeException> onError) {
        try {
            while (!closed) {
                Optional<WmiObject> event;
                try {
                    event = poll(Duration.ofMillis(SLICE_MS));
                } catch (CancellationException ended) {
                    return;
                } catch (RuntimeException failure) {
                    onError.accept(failure);
                    return;
                }
                if (event.isPresent()) {
                    try {
                        onEvent.accept(event.get());
                    } catch (RuntimeException failure) {
                        end();
                        onError.accept(failure);
                        return;
                    }
                }
            }
        } finally {
            end();
        }
    }

    private Optional<WmiObject> poll(Duration timeout) {
        long deadline = System.nanoTime() + nanos(timeout);
        try {
            if (!reader.tryLock(nanos(timeout), TimeUnit.NANOSECONDS)) {
                return Optional.empty();
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            CancellationException cancelled = new CancellationException("wait for the events of " + query
                    + " interrupted");
            cancelled.initCause(e);
            throw cancelled;
        }
        try {
            boolean fetched = false;
            while (true) {
                if (closed) {
                    throw new CancellationException("subscription to " + query + " closed");
                }
                WmiObject event = ready.poll();
                if (event != null) {
                    return Optional.of(event);
                }
                long left = deadline - System.nanoTime();
                if (left <= 0 && fetched) {
                    return Optional.empty();
                }
                fetch((int) Math.min(Math.max(left, 0) / 1_000_000, SLICE_MS));
                fetched = true;
            }
        } finally {
            reader.unlock();
        }
    }

    /** One batch of events into the ready queue. */
    private void fetch(int waitMs) {
        long result;
        try {
            result = events.nextBatch(waitMs, ready);
        } catch (IllegalStateException closedMeanwhile) {
            end();
            throw new CancellationException("subscription to " + query + " closed");
        } catch (RuntimeException e) {
            end();
            throw e;
        }
        if (result == NativeStream.WBEM_S_FALSE) {
            end();
            throw new CancellationException("WMI ended the subscription to " + query);
        }
        if (result != 0 && result != NativeStream.WBEM_S_TIMEDOUT) {
            end();
            throw ErrorCodes.exceptionFor(ErrorCodes.codeOfHresult((int) result), "read the events of", query);
        }
    }

    /** Closes without waiting for the delivering thread. */
    private void end() {
        closed = true;
        events.close();
        onClose.run();
    }

    private static long nanos(Duration timeout) {
        return timeout.compareTo(Duration.ofDays(365)) > 0 ? TimeUnit.DAYS.toNanos(365) : timeout.toNanos();
    }
}
