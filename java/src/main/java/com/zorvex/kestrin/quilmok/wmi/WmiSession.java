package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.List;
import java.util.Map;
import java.util.Optional;

/**
 * A connection to one WMI namespace of one host, made by {@link Wmi#connect(ConnectOptions)}.
 *
 * <p>Thread-safe: any number of threads may run calls on one session at once. Every call that
 * waits on WMI is bounded by the session's operation time-out (or the one given to the call) and
 * then throws {@link WmiTimeoutException}. {@link #close()} refuses new calls, waits for the calls
 * in flight, closes the session's open streams and frees the connection; later calls throw
 * {@link IllegalStateException}. Results and snapshots stay readable after the session is closed.
 *
 * <p>Callers never initialise COM: calls that wait on WMI run on the library's own threads in the
 * multithreaded apartment, whatever apartment the calling thread is in.
 */
public interface WmiSession extends AutoCloseable {
    /** Runs a WQL query and buffers its whole result; see {@link WmiResult}. */
    WmiResult query(String wql);

    /** Runs a WQL query with a time-out of its own instead of the session's. */
    WmiResult query(String wql, Duration timeout);

    /**
     * Runs {@code SELECT <components> FROM <class>} for a record type and maps each object to a
     * record. The class is named by {@link WmiClass} (else the record's simple name), each property
     * by {@link WmiProperty} (else the component's name). Component types: {@code String};
     * {@code long}, {@code int}, {@code short}, {@code byte} and their boxes, {@code BigInteger};
     * {@code double}, {@code float} and boxes; {@code boolean}, {@code char} and boxes;
     * {@code OffsetDateTime}, {@code Instant}, {@code Duration}, {@link CimDateTime};
     * {@link WmiObject}, another record (an embedded object), {@code Map<String, Object>};
     * {@code Optional} of any of these, {@code OptionalLong}, {@code OptionalInt},
     * {@code OptionalDouble}; {@code List} of any of these for arrays. NULL maps to null, an
     * empty optional or an empty list; into a primitive it raises {@link WmiMappingException}.
     *
     * @throws IllegalArgumentException before any WMI call, for a type that cannot be mapped
     */
    <R extends Record> List<R> query(Class<R> type);

    /** As {@link #query(Class)}, with a {@code WHERE} condition. */
    <R extends Record> List<R> query(Class<R> type, Filter where);

    /**
     * Runs a WQL query whose objects arrive while they are read: WMI hands them over in batches,
     * and only one batch is held at a time. Waiting for the next object longer than the operation
     * time-out throws {@link WmiTimeoutException}. Close the stream when done.
     */
    WmiStream stream(String wql);

    /**
     * Reads one object (an instance, or a class) by its path.
     *
     * @throws WmiNotFoundException when there is no such object
     */
    WmiObject get(String objectPath);

    /** Reads one object by its path; empty when there is no such object or class. */
    Optional<WmiObject> find(String objectPath);

    /**
     * A new instance of a class, live: fill it with {@link WmiObject#put} to pass it as a method's
     * input or an embedded object. Nothing is stored in WMI. Close it when done.
     */
    WmiObject spawn(String className);

    /**
     * Runs a WMI method: a static one on a class path ({@code Win32_Process}), or an instance's on
     * its path ({@code Win32_Process.Handle="4"}). Inputs are written as the method's parameter
     * types expect them (see {@link WmiObject#put}). A non-zero {@code ReturnValue} is data of the
     * result, not an exception; {@link MethodResult#orThrow()} raises it.
     */
    MethodResult invoke(String objectPath, String method, Map<String, ?> inputs);

    /** The host this session is connected to. */
    String host();

    /** The namespace this session is connected to. */
    String namespace();

    /** True once {@link #close()} has been called. */
    boolean isClosed();

    /** Closes the session; waits for calls in flight. Closing twice does nothing. */
    @Override
    void close();
}
