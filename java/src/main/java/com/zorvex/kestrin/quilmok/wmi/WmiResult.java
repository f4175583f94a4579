package com.zorvex.kestrin.quilmok.wmi;

import java.util.Iterator;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.Spliterator;
import java.util.stream.Collectors;
import java.util.stream.Stream;

/**
 * The buffered result of a query: every object WMI delivered, as snapshots ({@link WmiObject}) in
 * the order WMI delivered them. It holds no native resource (the query and its objects were freed
 * when it was made), may be iterated any number of times and from any number of threads.
 * {@link #close()} lets go of the objects.
 */
public final class WmiResult implements Iterable<WmiObject>, AutoCloseable {
    private final String query;
    private volatile List<WmiObject> objects;

    WmiResult(String query, List<WmiObject> objects) {
        this.query = query;
        this.objects = List.copyOf(objects);
    }

    /**
     * The query that made this result.
     *
     * @return the WQL text
     */
    public String query() {
        return query;
    }

    /**
     * How many objects the query delivered.
     *
     * @return the number of objects
     */
    public int size() {
        return objects().size();
    }

    /**
     * True when the query delivered no object.
     *
     * @return whether there are no objects
     */
    public boolean isEmpty() {
        return objects().isEmpty();
    }

    /**
     * The object at {@code index}.
     *
     * @param index the position, from 0, in the order WMI delivered the objects
     * @return the snapshot at that position
     * @throws IndexOutOfBoundsException for an index outside {@code 0} to {@code size() - 1}
     */
    public WmiObject get(int index) {
        return objects().get(index);
    }

    @Override
    public Iterator<WmiObject> iterator() {
        return objects().iterator();
    }

    @Override
    public Spliterator<WmiObject> spliterator() {
        return objects().spliterator();
    }

    /**
     * The objects as a sequential stream.
     *
     * @return a stream of the snapshots, in order
     */
    public Stream<WmiObject> stream() {
        return objects().stream();
    }

    /**
     * All objects, as an unmodifiable list.
     *
     * @return the snapshots, in order
     */
    public List<WmiObject> toList() {
        return objects();
    }

    /**
     * The names of the non-system properties of all objects, in the order first met: the columns of
     * a table of this result.
     *
     * @return the property names, each once whatever its case; unmodifiable
     */
    public List<String> columns() {
        Set<String> names = new LinkedHashSet<>();
        Set<String> folded = new java.util.HashSet<>();
        for (WmiObject object : objects()) {
            for (String name : object.propertyNames()) {
                if (folded.add(name.toLowerCase(java.util.Locale.ROOT))) {
                    names.add(name);
                }
            }
        }
        return List.copyOf(names);
    }

    /**
     * Every object mapped to a record; see {@link WmiSession#query(Class)}.
     *
     * @param type the record type
     * @param <R> the record type
     * @return one record per object, in order; unmodifiable
     * @throws IllegalArgumentException for a type that cannot be mapped
     * @throws WmiMappingException when a value does not fit its component
     */
    public <R extends Record> List<R> as(Class<R> type) {
        RecordMapping<R> mapping = RecordMapping.of(type);
        return stream().map(mapping::map).collect(Collectors.toUnmodifiableList());
    }

    /**
     * Every object's {@link WmiObject#toMap()}.
     *
     * @return one unmodifiable map per object, in order; the list is unmodifiable too
     */
    public List<Map<String, Object>> toMaps() {
        return stream().map(WmiObject::toMap).collect(Collectors.toUnmodifiableList());
    }

    /** Lets go of the objects; reading the result afterwards throws {@link IllegalStateException}. */
    @Override
    public void close() {
        objects = null;
    }

    @Override
    public String toString() {
        List<WmiObject> current = objects;
        return (current == null ? "closed result" : current.size() + " object(s)") + " of " + query;
    }

    private List<WmiObject> objects() {
        List<WmiObject> current = objects;
        if (current == null) {
            throw new IllegalStateException("the result is closed");
        }
        return current;
    }
}
