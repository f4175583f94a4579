package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.function.Consumer;

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
    /**
     * Runs a WQL query and buffers its whole result; see {@link WmiResult}.
     *
     * @param wql the query, for example {@code SELECT Name FROM Win32_Process}
     * @return every object the query delivered, as snapshots
     * @throws IllegalArgumentException for a null or blank query
     * @throws IllegalStateException when the session is closed
     * @throws WmiInvalidQueryException when WMI cannot parse or run the query
     * @throws WmiNotFoundException when the query names a class that does not exist
     * @throws WmiTimeoutException when the query takes longer than the operation time-out
     */
    WmiResult query(String wql);

    /**
     * Runs a WQL query with a time-out of its own instead of the session's.
     *
     * @param wql the query
     * @param timeout the longest the query may take
     * @return every object the query delivered, as snapshots
     * @throws IllegalArgumentException for a null or blank query
     * @throws IllegalStateException when the session is closed
     * @throws WmiTimeoutException when the query takes longer than {@code timeout}
     * @throws WmiException for the other failures, as for {@link #query(String)}
     */
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
     * @param type the record type
     * @param <R> the record type
     * @return one record per object, in the order WMI delivered them; unmodifiable
     * @throws IllegalArgumentException before any WMI call, for a type that cannot be mapped
     * @throws WmiMappingException when a value does not fit its component
     */
    <R extends Record> List<R> query(Class<R> type);

    /**
     * As {@link #query(Class)}, with a {@code WHERE} condition.
     *
     * @param type the record type
     * @param where the condition; null for none
     * @param <R> the record type
     * @return one record per object that meets the condition; unmodifiable
     */
    <R extends Record> List<R> query(Class<R> type, Filter where);

    /**
     * Runs a WQL query whose objects arrive while they are read: WMI hands them over in batches,
     * and only one batch is held at a time. Waiting for the next object longer than the operation
     * time-out throws {@link WmiTimeoutException}. Close the stream when done.
     *
     * @param wql the query
     * @return the stream, to be iterated once; closing the session closes it too
     * @throws IllegalArgumentException for a null or blank query
     * @throws IllegalStateException when the session is closed
     * @throws WmiException when WMI refuses the query; failures of later batches are thrown by
     *     the iteration
     */
    WmiStream stream(String wql);

    /**
     * Subscribes to the events an event query selects, for example
     * {@code SELECT * FROM __InstanceCreationEvent WITHIN 2 WHERE TargetInstance ISA 'Win32_Process'}
     * (intrinsic events of a class without an event provider need {@code WITHIN}, the polling
     * interval in seconds), or an extrinsic event class. Read the events with
     * {@link WmiSubscription#next(Duration)}; close the subscription when done.
     *
     * @param eventWql the event query
     * @return the subscription; closing the session closes it too
     * @throws IllegalArgumentException for a null or blank query
     * @throws IllegalStateException when the session is closed
     * @throws WmiInvalidQueryException when WMI cannot serve the query, for example
     *     {@code WBEMESS_E_REGISTRATION_TOO_PRECISE} for an intrinsic event without {@code WITHIN}
     *     or {@code WBEM_E_NOT_EVENT_CLASS}
     * @throws WmiNotFoundException when the query names a class that does not exist
     */
    WmiSubscription subscribe(String eventWql);

    /**
     * Subscribes to the events an event query selects and hands each to {@code onEvent}, on a
     * daemon thread of the library (one thread per subscription, so events arrive in order and
     * one at a time). When reading the events fails, or {@code onEvent} throws, the subscription
     * ends and the exception goes to {@code onError}, on the same thread.
     *
     * @param eventWql the event query
     * @param onEvent receives each event, a snapshot
     * @param onError receives the {@link WmiException} that ended the subscription, or what
     *     {@code onEvent} threw
     * @return the subscription, already delivering; close it to stop
     * @throws IllegalArgumentException for a null or blank query
     * @throws NullPointerException for a null callback
     * @throws WmiException when WMI refuses the query, as for {@link #subscribe(String)}
     */
    WmiSubscription subscribe(String eventWql, Consumer<? super WmiObject> onEvent,
            Consumer<? super RuntimeException> onError);

    /**
     * The objects related to an object through associations ({@code ASSOCIATORS OF}), buffered.
     *
     * @param objectPath the path of the source object, for example
     *     {@code Win32_ComputerSystem.Name="HOST"}
     * @return the related objects, as snapshots
     * @throws IllegalArgumentException for a null or blank path
     * @throws WmiNotFoundException when there is no such object
     */
    default WmiResult associators(String objectPath) {
        return associators(objectPath, AssociationFilter.none());
    }

    /**
     * The objects related to an object through associations that meet a filter
     * ({@code ASSOCIATORS OF ... WHERE ...}), buffered.
     *
     * @param objectPath the path of the source object
     * @param filter the keywords of the query
     * @return the related objects (or, with {@link AssociationFilter#classDefsOnly()}, their
     *     classes), as snapshots
     * @throws IllegalArgumentException for a null or blank path
     * @throws WmiNotFoundException when there is no such object
     * @throws WmiInvalidQueryException when WMI refuses the query
     */
    WmiResult associators(String objectPath, AssociationFilter filter);

    /**
     * The associations that refer to an object ({@code REFERENCES OF}), buffered.
     *
     * @param objectPath the path of the object
     * @return the association instances, as snapshots
     * @throws IllegalArgumentException for a null or blank path
     * @throws WmiNotFoundException when there is no such object
     */
    default WmiResult references(String objectPath) {
        return references(objectPath, AssociationFilter.none());
    }

    /**
     * The associations that refer to an object and meet a filter ({@code REFERENCES OF ... WHERE
     * ...}), buffered.
     *
     * @param objectPath the path of the object
     * @param filter the keywords of the query
     * @return the association instances (or their classes), as snapshots
     * @throws IllegalArgumentException for a null or blank path, or a filter with a keyword of
     *     {@code ASSOCIATORS OF} only
     * @throws WmiNotFoundException when there is no such object
     * @throws WmiInvalidQueryException when WMI refuses the query
     */
    WmiResult references(String objectPath, AssociationFilter filter);

    /**
     * Reads one object (an instance, or a class) by its path.
     *
     * @param objectPath the path, for example {@code Win32_LogicalDisk.DeviceID="C:"} or
     *     {@code Win32_LogicalDisk}
     * @return a snapshot of the object
     * @throws IllegalArgumentException for a null or blank path
     * @throws WmiNotFoundException when there is no such object
     */
    WmiObject get(String objectPath);

    /**
     * Reads one object by its path; empty when there is no such object or class.
     *
     * @param objectPath the path of an instance or a class
     * @return a snapshot of the object, or empty
     * @throws IllegalArgumentException for a null or blank path
     */
    Optional<WmiObject> find(String objectPath);

    /**
     * A new instance of a class, live: fill it with {@link WmiObject#put} to pass it as a method's
     * input or an embedded object. Nothing is stored in WMI. Close it when done.
     *
     * @param className the class, for example {@code Win32_ProcessStartup}
     * @return the new live instance
     * @throws IllegalArgumentException for a name that is not a WMI name
     * @throws WmiNotFoundException when the class does not exist
     */
    WmiObject spawn(String className);

    /**
     * Runs a WMI method: a static one on a class path ({@code Win32_Process}), or an instance's on
     * its path ({@code Win32_Process.Handle="4"}). Inputs are written as the method's parameter
     * types expect them (see {@link WmiObject#put}). A non-zero {@code ReturnValue} is data of the
     * result, not an exception; {@link MethodResult#orThrow()} raises it.
     *
     * @param objectPath the class path or the instance path to run the method on
     * @param method the method's name, for example {@code Create}
     * @param inputs the input parameters by name; empty for none
     * @return the return value and the output parameters
     * @throws IllegalArgumentException for a blank path, a class or method that is not a WMI
     *     name, a blank parameter name, inputs for a method without input parameters, or a value
     *     that does not fit its parameter
     * @throws WmiNotFoundException when the class or the method does not exist
     */
    MethodResult invoke(String objectPath, String method, Map<String, ?> inputs);

    /**
     * The host this session is connected to.
     *
     * @return the host as the options gave it; {@code .} for the local machine
     */
    String host();

    /**
     * The namespace this session is connected to.
     *
     * @return the namespace, for example {@code root\cimv2}
     */
    String namespace();

    /**
     * True once {@link #close()} has been called.
     *
     * @return whether the session is closed
     */
    boolean isClosed();

    /** Closes the session; waits for calls in flight. Closing twice does nothing. */
    @Override
    void close();
}
