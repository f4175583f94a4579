package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.lang.ref.Cleaner;
import java.util.ArrayList;
import java.util.Collections;
import java.util.Iterator;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.NoSuchElementException;
import java.util.Set;
import java.util.Spliterator;
import java.util.Spliterators;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import java.util.stream.StreamSupport;

/**
 * The buffered result of a query: every object WMI delivered, held natively until it is first read
 * and then kept as a snapshot ({@link WmiObject}). May be iterated any number of times, from any
 * number of threads. Closing frees what has not been read yet; objects already read stay valid.
 */
public final class WmiResult implements Iterable<WmiObject>, AutoCloseable {
    private final String query;
    private final int size;
    private final List<WmiObject> fetched;
    private final NativeHandle resultSet;
    private final Cleaner.Cleanable cleanable;
    private boolean closed;

    WmiResult(String query, long handle) {
        this.query = query;
        this.resultSet = new NativeHandle(handle, WmiConnector::WmiObjectEnumDestroy, "result");
        this.cleanable = Natives.CLEANER.register(this, resultSet);
        this.size = WmiConnector.WmiObjectEnumObjectCount(handle);
        this.fetched = new ArrayList<>(size);
        if (size == 0) {
            cleanable.clean();
        }
    }

    /** The query that made this result. */
    public String query() {
        return query;
    }

    /** How many objects the query delivered. */
    public int size() {
        return size;
    }

    /** True when the query delivered no object. */
    public boolean isEmpty() {
        return size == 0;
    }

    /** The object at {@code index}, in the order WMI delivered them. */
    public synchronized WmiObject get(int index) {
        if (index < 0 || index >= size) {
            throw new IndexOutOfBoundsException("index " + index + " of " + size);
        }
        while (fetched.size() <= index) {
            if (closed) {
                throw new IllegalStateException("the result is closed");
            }
            fetched.add(fetchNext());
        }
        return fetched.get(index);
    }

    @Override
    public Iterator<WmiObject> iterator() {
        return new Iterator<>() {
            private int next;

            @Override
            public boolean hasNext() {
                return next < size;
            }

            @Override
            public WmiObject next() {
                if (next >= size) {
                    throw new NoSuchElementException();
                }
                return get(next++);
            }
        };
    }

    @Override
    public Spliterator<WmiObject> spliterator() {
        return Spliterators.spliterator(iterator(), size,
                Spliterator.ORDERED | Spliterator.NONNULL | Spliterator.IMMUTABLE);
    }

    /** The objects as a sequential stream. */
    public Stream<WmiObject> stream() {
        return StreamSupport.stream(spliterator(), false);
    }

    /** All objects, as an unmodifiable list. */
    public List<WmiObject> toList() {
        List<WmiObject> all = new ArrayList<>(size);
        forEach(all::add);
        return Collections.unmodifiableList(all);
    }

    /**
     * The names of the non-system properties of all objects, in the order first met: the columns of
     * a table of this result.
     */
    public List<String> columns() {
        Set<String> names = new LinkedHashSet<>();
        for (WmiObject object : this) {
            for (String name : object.propertyNames()) {
                if (names.stream().noneMatch(name::equalsIgnoreCase)) {
                    names.add(name);
                }
            }
        }
        return List.copyOf(names);
    }

    /** Every object mapped to a record; see {@link WmiSession#query(Class)}. */
    public <R extends Record> List<R> as(Class<R> type) {
        RecordMapping<R> mapping = RecordMapping.of(type);
        return stream().map(mapping::map).collect(Collectors.toUnmodifiableList());
    }

    /** Every object's {@link WmiObject#toMap()}. */
    public List<Map<String, Object>> toMaps() {
        return stream().map(WmiObject::toMap).collect(Collectors.toUnmodifiableList());
    }

    /** Frees the objects not read yet; reading them afterwards throws {@link IllegalStateException}. */
    @Override
    public synchronized void close() {
        closed = true;
        cleanable.clean();
    }

    @Override
    public String toString() {
        return size + " object(s) of " + query;
    }

    private WmiObject fetchNext() {
        long set = resultSet.lease();
        try {
            Holder object = new Holder();
            long code = WmiConnector.WmiObjectEnumNextObject(set, object);
            Natives.check(code, "read the result of", query);
            return Natives.snapshot(Natives.received(object, "read the result of", query), query);
        } finally {
            resultSet.release();
            if (fetched.size() + 1 >= size) {
                // Everything has been read: the native buffer is no longer needed.
                cleanable.clean();
            }
        }
    }
}
