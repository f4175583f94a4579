package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.lang.ref.Cleaner;
import java.math.BigInteger;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.util.ArrayList;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.OptionalLong;

/**
 * A WMI object: a class or an instance, with its properties as typed values.
 *
 * <p>Objects that come from queries, streams, {@link WmiSession#get} and method results are
 * <em>snapshots</em>: all their properties were read in one call when they arrived, they hold no
 * native resource, need no closing and may be read from any number of threads. Objects made with
 * {@link WmiSession#spawn} are <em>live</em>: they hold a native object that {@link #put} writes
 * into, to serve as a method's input or as an embedded object; close them when done (a
 * {@link java.lang.ref.Cleaner} frees one that was forgotten). Reading a closed live object throws
 * {@link IllegalStateException}.
 *
 * <p>Property names are compared without regard to case, as WMI compares them. The typed getters
 * return an empty {@code Optional} (or an empty list) for WMI's NULL, throw
 * {@link WmiNotFoundException} for a property the object does not have, and
 * {@link WmiMappingException} for a value of another type.
 */
public final class WmiObject implements AutoCloseable {
    private static final String PATH = "__PATH";
    private static final String CLASS = "__CLASS";

    private final NativeHandle handle;
    private final Cleaner.Cleanable cleanable;
    private volatile Listing listing;

    private WmiObject(Listing listing, NativeHandle handle) {
        this.listing = listing;
        this.handle = handle;
        this.cleanable = handle == null ? null : Natives.CLEANER.register(this, handle);
    }

    static WmiObject snapshot(Listing listing) {
        return new WmiObject(listing, null);
    }

    static WmiObject live(Owned objectHandle) {
        return new WmiObject(null, new NativeHandle(objectHandle, WmiConnector::WmiObjectDestroy, "object"));
    }

    /**
     * The name of the object's class ({@code __CLASS}); empty when WMI did not report it.
     *
     * @return the class name, or the empty string
     */
    public String className() {
        WmiValue value = find(CLASS);
        return value == null || value.isNull() ? "" : value.value().toString();
    }

    /**
     * The object's full path ({@code __PATH}); empty for objects without one, such as new
     * instances.
     *
     * @return the path, for example
     *     <code>&#92;&#92;HOST&#92;root&#92;cimv2:Win32_LogicalDisk.DeviceID="C:"</code>, or empty
     */
    public Optional<String> path() {
        WmiValue value = find(PATH);
        return value == null || value.isNull() ? Optional.empty() : Optional.of(value.value().toString());
    }

    /**
     * The names of the non-system properties, in WMI's order.
     *
     * @return the names; unmodifiable
     */
    public List<String> propertyNames() {
        return names(false);
    }

    /**
     * The names of the system properties ({@code __CLASS}, {@code __PATH}, ...), in WMI's order.
     *
     * @return the names; unmodifiable
     */
    public List<String> systemPropertyNames() {
        return names(true);
    }

    /**
     * True when the object has the property (NULL or not).
     *
     * @param name the property's name, in any case
     * @return whether the object has it
     */
    public boolean hasProperty(String name) {
        return find(checkedName(name)) != null;
    }

    /**
     * The property's typed value.
     *
     * @param name the property's name, in any case
     * @return the value with its CIM type
     * @throws WmiNotFoundException when the object has no such property
     */
    public WmiValue get(String name) {
        WmiValue value = find(checkedName(name));
        if (value == null) {
            throw ErrorCodes.exceptionFor(0x80041002, "read property " + name + " of", describe());
        }
        return value;
    }

    /**
     * A string, reference or datetime as its text; other scalars as their decimal or CIM text.
     *
     * @param name the property's name, in any case
     * @return the text, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for an embedded object or an array
     */
    public Optional<String> getString(String name) {
        return Optional.ofNullable((String) read(name, String.class));
    }

    /**
     * An integer (or char16); uint64 values above {@code Long.MAX_VALUE} need
     * {@link #getBigInteger}.
     *
     * @param name the property's name, in any case
     * @return the number, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for a value of another type or beyond the range of a {@code long}
     */
    public OptionalLong getLong(String name) {
        return (OptionalLong) read(name, OptionalLong.class);
    }

    /**
     * An integer of any size.
     *
     * @param name the property's name, in any case
     * @return the number, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException when the value is of another type
     */
    public Optional<BigInteger> getBigInteger(String name) {
        return Optional.ofNullable((BigInteger) read(name, BigInteger.class));
    }

    /**
     * A boolean.
     *
     * @param name the property's name, in any case
     * @return the boolean, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException when the value is of another type
     */
    public Optional<Boolean> getBoolean(String name) {
        return Optional.ofNullable((Boolean) read(name, Boolean.class));
    }

    /**
     * A real, or an integer that a double holds exactly.
     *
     * @param name the property's name, in any case
     * @return the number, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for a value of another type, or an integer beyond 2<sup>53</sup>
     */
    public OptionalDouble getDouble(String name) {
        return (OptionalDouble) read(name, OptionalDouble.class);
    }

    /**
     * A datetime that is a valid point in time.
     *
     * @param name the property's name, in any case
     * @return the point in time, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for an interval, a datetime that is not a valid point in time
     *     (read it with {@link #getCimDateTime}), or a value of another type
     */
    public Optional<OffsetDateTime> getDateTime(String name) {
        return Optional.ofNullable((OffsetDateTime) read(name, OffsetDateTime.class));
    }

    /**
     * A datetime that is an interval.
     *
     * @param name the property's name, in any case
     * @return the interval, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException when the value is of another type
     */
    public Optional<Duration> getInterval(String name) {
        return Optional.ofNullable((Duration) read(name, Duration.class));
    }

    /**
     * A datetime as its CIM text, whatever it holds: never fails for a datetime property.
     *
     * @param name the property's name, in any case
     * @return the datetime, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for a value that is not a datetime
     */
    public Optional<CimDateTime> getCimDateTime(String name) {
        return Optional.ofNullable((CimDateTime) read(name, CimDateTime.class));
    }

    /**
     * An embedded object.
     *
     * @param name the property's name, in any case
     * @return the embedded object, a snapshot, or empty for NULL
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException when the value is of another type
     */
    public Optional<WmiObject> getObject(String name) {
        return Optional.ofNullable((WmiObject) read(name, WmiObject.class));
    }

    /**
     * An array's elements, as {@link WmiValue} describes them; empty for NULL. Unmodifiable.
     *
     * @param name the property's name, in any case
     * @return the elements
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for a property that is not an array
     */
    public List<Object> getList(String name) {
        return getList(name, Object.class);
    }

    /**
     * An array's elements converted to {@code elementType}; empty for NULL. Unmodifiable.
     *
     * @param name the property's name, in any case
     * @param elementType the Java type of the elements, one that {@link WmiSession#query(Class)}
     *     allows for a record component, for example {@code Long.class} or {@code String.class}
     * @param <T> the type of the elements
     * @return the converted elements
     * @throws WmiNotFoundException when the object has no such property
     * @throws WmiMappingException for a property that is not an array, or an element that does not
     *     fit {@code elementType}
     * @throws IllegalArgumentException for an element type that no value maps to
     */
    @SuppressWarnings("unchecked")
    public <T> List<T> getList(String name, Class<T> elementType) {
        Objects.requireNonNull(elementType, "elementType");
        WmiValue value = get(name);
        if (value.isNull()) {
            return List.of();
        }
        if (!value.array()) {
            throw new WmiMappingException("read property " + name + " of", describe(), "it is not an array");
        }
        Conversions.Converter element = Conversions.to(elementType);
        List<Object> converted = new ArrayList<>();
        for (Object item : (List<?>) value.value()) {
            converted.add(convert(name, element, item));
        }
        return (List<T>) Collections.unmodifiableList(converted);
    }

    /**
     * The non-system properties and their values (null for NULL), in WMI's order. Unmodifiable.
     *
     * @return the values by name, typed as {@link WmiValue} describes
     */
    public Map<String, Object> toMap() {
        Listing properties = listing();
        Map<String, Object> map = new LinkedHashMap<>();
        for (int i = 0; i < properties.size(); i++) {
            if (!isSystemName(properties.name(i))) {
                map.put(properties.name(i), properties.value(i).value());
            }
        }
        return Collections.unmodifiableMap(map);
    }

    /**
     * The object as a record of {@code type}; see {@link WmiSession#query(Class)} for the rules.
     *
     * @param type the record type
     * @param <R> the record type
     * @return the record
     * @throws IllegalArgumentException for a type that cannot be mapped
     * @throws WmiMappingException when the object lacks a property of the record, or a value does
     *     not fit its component
     */
    public <R extends Record> R as(Class<R> type) {
        return RecordMapping.of(type).map(this);
    }

    /**
     * The objects related to this one through associations, read through a session of its
     * namespace ({@code ASSOCIATORS OF} its path).
     *
     * @param session the session to run the query on
     * @param filter the keywords of the query; {@link AssociationFilter#none()} for all
     * @return the related objects, as snapshots
     * @throws IllegalArgumentException when this object has no path
     * @throws WmiException as {@link WmiSession#associators(String, AssociationFilter)} throws it
     */
    public WmiResult associators(WmiSession session, AssociationFilter filter) {
        return Objects.requireNonNull(session, "session").associators(ownPath(), filter);
    }

    /**
     * The associations that refer to this object, read through a session of its namespace
     * ({@code REFERENCES OF} its path).
     *
     * @param session the session to run the query on
     * @param filter the keywords of the query; {@link AssociationFilter#none()} for all
     * @return the association instances, as snapshots
     * @throws IllegalArgumentException when this object has no path, or for a filter with a
     *     keyword of {@code ASSOCIATORS OF} only
     * @throws WmiException as {@link WmiSession#references(String, AssociationFilter)} throws it
     */
    public WmiResult references(WmiSession session, AssociationFilter filter) {
        return Objects.requireNonNull(session, "session").references(ownPath(), filter);
    }

    /**
     * True for a live object, which holds a native object; false for a snapshot.
     *
     * @return whether the object was made by {@link WmiSession#spawn}
     */
    public boolean isLive() {
        return handle != null;
    }

    /**
     * Writes a property of a live object. The value is written as WMI's type for the property
     * expects it: integers of any Java type within the property's range, {@code BigInteger} for
     * uint64, {@code Float}/{@code Double} for reals, {@code Boolean}, {@code String}, datetimes as
     * {@code OffsetDateTime}, {@code Duration}, {@link CimDateTime} or CIM text, references as path
     * text or an object with a path, embedded objects as live {@code WmiObject}s, arrays as a
     * {@code List} or a Java array. A value that does not fit, NULL and the empty string (which
     * the natives cannot write) are refused with {@link IllegalArgumentException}.
     *
     * <p>Every scalar type also takes text, as a command line gives it: decimal integers within the
     * type's range, reals that read back as the same number in the type's precision ({@code 0.1}
     * fits a real32, {@code 0.123456789} does not), {@code true}/{@code false} in any case,
     * datetimes as CIM text. A single value for an array property writes an array of one element.
     *
     * @param name the property's name
     * @param value the value, not null
     * @throws IllegalArgumentException for a null or empty name, or a value that cannot be written
     * @throws IllegalStateException for a snapshot or a closed object
     * @throws WmiException when WMI refuses the value, for example a {@link WmiNotFoundException}
     *     for a property the object does not have
     */
    public void put(String name, Object value) {
        checkedName(name);
        if (handle == null) {
            throw new IllegalStateException("a snapshot cannot be written; spawn an instance to write");
        }
        synchronized (this) {
            WmiValue current = find(name);
            WmiObject embedded = value instanceof WmiObject object ? object : null;
            long embeddedHandle = embedded == null ? 0 : embedded.lease();
            try {
                long object = handle.lease();
                try {
                    long code = PropertyWriter.write(object, name, current == null ? null : current.type(),
                            current != null && current.array(), value, ignored -> embeddedHandle);
                    Natives.check(code, "write property " + name + " of", describe());
                } finally {
                    handle.release();
                    listing = null;
                }
            } finally {
                if (embedded != null) {
                    embedded.releaseLease();
                }
            }
        }
    }

    /** Frees the native object of a live object; does nothing for a snapshot. */
    @Override
    public void close() {
        if (handle != null) {
            handle.close();
            cleanable.clean();
        }
    }

    @Override
    public String toString() {
        return describe();
    }

    /** The object's own path, which association queries start from. */
    private String ownPath() {
        return path().orElseThrow(() -> new IllegalArgumentException(
                "the object has no path to find its associations by: " + describe()));
    }

    /** The object's path, or its class for an object without a path. */
    String describe() {
        if (handle != null && handle.isClosed()) {
            return "closed object";
        }
        return path().orElseGet(() -> {
            String name = className();
            return name.isEmpty() ? "object" : "instance of " + name;
        });
    }

    /** The value of a property, or null when the object has none of that name. */
    WmiValue find(String name) {
        Listing properties = listing();
        int index = properties.indexOf(name);
        return index < 0 ? null : properties.value(index);
    }

    /** Leases the native handle of a live object for a native call; see {@link #releaseLease}. */
    long lease() {
        if (handle == null) {
            throw new IllegalArgumentException("a snapshot has no native object; use a spawned instance");
        }
        return handle.lease();
    }

    void releaseLease() {
        handle.release();
    }

    private Listing listing() {
        if (handle == null) {
            return listing;
        }
        Listing current = listing;
        if (current != null && !handle.isClosed()) {
            return current;
        }
        long object = handle.lease();
        try {
            current = Natives.list(object, "object");
        } finally {
            handle.release();
        }
        listing = current;
        return current;
    }

    private Object read(String name, Class<?> type) {
        return convert(name, Conversions.to(type), get(name).value());
    }

    private Object convert(String name, Conversions.Converter converter, Object value) {
        try {
            return converter.convert(value);
        } catch (Conversions.Mismatch e) {
            throw new WmiMappingException("read property " + name + " of", describe(), e.getMessage());
        }
    }

    private List<String> names(boolean system) {
        Listing properties = listing();
        List<String> names = new ArrayList<>();
        for (int i = 0; i < properties.size(); i++) {
            if (isSystemName(properties.name(i)) == system) {
                names.add(properties.name(i));
            }
        }
        return Collections.unmodifiableList(names);
    }

    static boolean isSystemName(String name) {
        return name.startsWith("__");
    }

    private static String checkedName(String name) {
        if (name == null || name.isEmpty()) {
            throw new IllegalArgumentException("a property name is required");
        }
        return name;
    }
}
