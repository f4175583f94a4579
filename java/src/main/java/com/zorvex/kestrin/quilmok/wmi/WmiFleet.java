package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.ArrayList;
import java.util.Collection;
import java.util.LinkedHashMap;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.Semaphore;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.TimeoutException;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.Consumer;
import java.util.function.Function;

/**
 * Runs one piece of work on many hosts in parallel: each host gets a session of its own, a deadline
 * of its own and an outcome of its own, so that one dead or slow host never holds up the others.
 *
 * <pre>{@code
 * Map<String, HostOutcome<List<Disk>>> disks = WmiFleet.run(hosts, options,
 *         session -> session.query(Disk.class), 16, Duration.ofSeconds(30));
 * }</pre>
 */
public final class WmiFleet {
    private WmiFleet() {}

    /**
     * Connects to each host with {@code base} (its host replaced) and applies {@code work} to the
     * session, at most {@code parallelism} hosts at a time. Each host's connect and work together
     * have {@code perHostTimeout}; a host that takes longer gets a {@link WmiTimeoutException} as its
     * outcome, its thread is interrupted and its session closed when the work returns, and its slot
     * goes to the next host at once. Returns when every host has an outcome.
     *
     * @param hosts the hosts; a host named twice is worked on once
     * @param base the options for every host: user, password, namespace and time-outs; time-outs
     *     longer than {@code perHostTimeout} are cut to it
     * @param work what to do with each host's session; runs on a thread of its own per host, and
     *     its exceptions become the host's outcome
     * @param parallelism how many hosts are worked on at once, at least 1
     * @param perHostTimeout the deadline of each host, counted from its start; positive
     * @param <T> the type of the work's result
     * @return the outcome of each host, in the order of {@code hosts} (duplicates once)
     * @throws IllegalArgumentException before any host is started, for a parallelism below 1, a
     *     time-out that is not positive, or a null or blank host
     */
    public static <T> Map<String, HostOutcome<T>> run(Collection<String> hosts, ConnectOptions base,
            Function<WmiSession, T> work, int parallelism, Duration perHostTimeout) {
        return run(hosts, base, work, parallelism, perHostTimeout, outcome -> {});
    }

    /**
     * As {@link #run(Collection, ConnectOptions, Function, int, Duration)}, and tells
     * {@code onOutcome} of each host's outcome as soon as the host has one, to show progress.
     * {@code onOutcome} is called once per host (duplicates once), one call at a time, in the
     * order the hosts finish, on the fleet's threads; {@code run} returns after the last call. An
     * exception it throws does not stop the other hosts: {@code run} throws the first one when
     * every host has its outcome.
     *
     * @param hosts the hosts: names or addresses, {@code .} for the local machine
     * @param base the options of every connect, whose host is replaced by each host's
     * @param work what to do in each host's session
     * @param parallelism how many hosts at most are worked on at once; at least 1
     * @param perHostTimeout how long each host's connect and work may take together
     * @param onOutcome told of each host's outcome as soon as it is known
     * @param <T> the type of the work's result
     * @return the outcome of each host, in the order of {@code hosts} (duplicates once)
     */
    public static <T> Map<String, HostOutcome<T>> run(Collection<String> hosts, ConnectOptions base,
            Function<WmiSession, T> work, int parallelism, Duration perHostTimeout,
            Consumer<? super HostOutcome<T>> onOutcome) {
        Objects.requireNonNull(base, "base");
        Objects.requireNonNull(work, "work");
        Objects.requireNonNull(perHostTimeout, "perHostTimeout");
        Objects.requireNonNull(onOutcome, "onOutcome");
        if (parallelism < 1) {
            throw new IllegalArgumentException("parallelism must be at least 1: " + parallelism);
        }
        if (perHostTimeout.isNegative() || perHostTimeout.isZero()) {
            throw new IllegalArgumentException("perHostTimeout must be positive: " + perHostTimeout);
        }
        List<String> distinct = new ArrayList<>(new LinkedHashSet<>(Objects.requireNonNull(hosts, "hosts")));
        distinct.forEach(host -> {
            if (host == null || host.isBlank()) {
                throw new IllegalArgumentException("a host name is required");
            }
        });
        Semaphore slots = new Semaphore(parallelism);
        Reporter<T> reporter = new Reporter<>(onOutcome);
        Map<String, CompletableFuture<HostOutcome<T>>> running = new LinkedHashMap<>();
        for (String host : distinct) {
            slots.acquireUninterruptibly();
            running.put(host, start(host, base, work, perHostTimeout, slots, reporter));
        }
        Map<String, HostOutcome<T>> outcomes = new LinkedHashMap<>();
        for (Map.Entry<String, CompletableFuture<HostOutcome<T>>> entry : running.entrySet()) {
            outcomes.put(entry.getKey(), entry.getValue().join());
        }
        reporter.rethrow();
        return outcomes;
    }

    /** Hands the outcomes to the caller's callback one at a time and keeps its first exception. */
    private static final class Reporter<T> {
        private final Consumer<? super HostOutcome<T>> onOutcome;
        private RuntimeException failure;

        Reporter(Consumer<? super HostOutcome<T>> onOutcome) {
            this.onOutcome = onOutcome;
        }

        synchronized void report(HostOutcome<T> outcome) {
            try {
                onOutcome.accept(outcome);
            } catch (RuntimeException e) {
                if (failure == null) {
                    failure = e;
                }
            }
        }

        synchronized void rethrow() {
            if (failure != null) {
                throw failure;
            }
        }
    }

    private static <T> CompletableFuture<HostOutcome<T>> start(String host, ConnectOptions base,
            Function<WmiSession, T> work, Duration timeout, Semaphore slots, Reporter<T> reporter) {
        long started = System.nanoTime();
        AtomicReference<Thread> worker = new AtomicReference<>();
        CompletableFuture<T> result = new CompletableFuture<>();
        Thread thread = new Thread(() -> {
            worker.set(Thread.currentThread());
            try {
                result.complete(runOn(host, base, work, timeout));
            } catch (RuntimeException | Error e) {
                result.completeExceptionally(e);
            }
        }, "wmi-fleet-" + host);
        thread.setDaemon(true);
        CompletableFuture<HostOutcome<T>> outcome = result.orTimeout(timeout.toNanos(), TimeUnit.NANOSECONDS)
                .handle((value, failure) -> {
                    Duration elapsed = Duration.ofNanos(System.nanoTime() - started);
                    if (failure == null) {
                        return new HostOutcome<>(host, value, null, elapsed);
                    }
                    Throwable cause = unwrap(failure);
                    if (cause instanceof TimeoutException) {
                        Thread stuck = worker.get();
                        if (stuck != null) {
                            stuck.interrupt();
                        }
                        cause = ErrorCodes.deadlineExceeded("work on", host, timeout);
                    }
                    RuntimeException error = cause instanceof RuntimeException runtime
                            ? runtime
                            : new IllegalStateException(cause);
                    return new HostOutcome<T>(host, null, error, elapsed);
                })
                .whenComplete((done, ignored) -> {
                    try {
                        reporter.report(done);
                    } finally {
                        slots.release();
                    }
                });
        thread.start();
        return outcome;
    }

    private static <T> T runOn(String host, ConnectOptions base, Function<WmiSession, T> work, Duration timeout) {
        ConnectOptions.Builder builder = base.toBuilder().host(host);
        if (base.connectTimeout().compareTo(timeout) > 0) {
            builder.connectTimeout(timeout);
        }
        if (base.operationTimeout().compareTo(timeout) > 0) {
            builder.operationTimeout(timeout);
        }
        try (WmiSession session = Wmi.connect(builder.build())) {
            return work.apply(session);
        }
    }

    private static Throwable unwrap(Throwable failure) {
        Throwable cause = failure;
        while ((cause instanceof java.util.concurrent.CompletionException || cause instanceof ExecutionException)
                && cause.getCause() != null) {
            cause = cause.getCause();
        }
        return cause;
    }
}
