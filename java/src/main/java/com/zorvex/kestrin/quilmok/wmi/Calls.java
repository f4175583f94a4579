package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.concurrent.CancellationException;
import java.util.function.Consumer;
import java.util.function.Supplier;

/**
 * Runs the calls that wait on WMI (connect, query, get, method) on the library's own threads
 * ({@link ComThreads}), and waits for each at most its time-out.
 *
 * <p>Two things follow. A caller is never held longer than its time-out, even though a native call
 * cannot be interrupted: an abandoned call finishes in the background and what it made is given to
 * its orphan handler, which frees it. And the caller's own COM apartment never matters: the library
 * threads enter the multithreaded apartment, whatever apartment a UI toolkit put the caller in.
 */
final class Calls {
    private Calls() {}

    /**
     * Runs {@code call} and returns its result, or throws {@link WmiTimeoutException} when it has not
     * finished within {@code timeout}; a result that arrives after that goes to {@code orphan}, on
     * the thread that made it.
     * Exceptions of the call reach the caller unchanged. An interrupted caller gets a
     * {@link CancellationException} and keeps its interrupt status.
     */
    static <T> T within(Duration timeout, String operation, String target, Supplier<T> call,
            Consumer<? super T> orphan) {
        Pending<T> pending = new Pending<>(call, orphan);
        ComThreads.call(pending);
        return pending.await(timeout, operation, target);
    }

    private static final class Pending<T> implements Runnable {
        private final Supplier<T> call;
        private final Consumer<? super T> orphan;
        private T result;
        private Throwable failure;
        private boolean done;
        private boolean abandoned;

        Pending(Supplier<T> call, Consumer<? super T> orphan) {
            this.call = call;
            this.orphan = orphan;
        }

        @Override
        public void run() {
            T value = null;
            Throwable thrown = null;
            try {
                value = call.get();
            } catch (RuntimeException | Error e) {
                thrown = e;
            }
            synchronized (this) {
                if (!abandoned) {
                    result = value;
                    failure = thrown;
                    done = true;
                    notifyAll();
                    return;
                }
            }
            if (value != null) {
                orphan.accept(value);
            }
        }

        synchronized T await(Duration timeout, String operation, String target) {
            long deadline = System.nanoTime() + timeout.toNanos();
            try {
                while (!done) {
                    long left = deadline - System.nanoTime();
                    if (left <= 0) {
                        abandoned = true;
                        throw ErrorCodes.deadlineExceeded(operation, target, timeout);
                    }
                    wait(left / 1_000_000, (int) (left % 1_000_000));
                }
            } catch (InterruptedException e) {
                abandoned = true;
                Thread.currentThread().interrupt();
                CancellationException cancelled =
                        new CancellationException(operation + " " + target + " interrupted");
                cancelled.initCause(e);
                throw cancelled;
            }
            if (failure instanceof RuntimeException runtime) {
                throw runtime;
            }
            if (failure instanceof Error error) {
                throw error;
            }
            return result;
        }
    }
}
