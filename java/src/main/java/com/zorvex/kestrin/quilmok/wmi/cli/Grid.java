package com.zorvex.kestrin.quilmok.wmi.cli;

import com.zorvex.kestrin.quilmok.wmi.WmiObject;
import com.zorvex.kestrin.quilmok.wmi.WmiResult;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashSet;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;

/**
 * What the tool prints: named columns and rows of property values, as {@link
 * com.zorvex.kestrin.quilmok.wmi.WmiValue} gives them (null for NULL). Names are matched without
 * regard to case, as WMI matches them.
 *
 * @param columns the column names, in the order they are printed
 * @param rows one list of values per object, each as long as {@code columns}
 */
record Grid(List<String> columns, List<List<Object>> rows) {
    /** The first column of a result gathered from several hosts. */
    static final String HOST = "Host";
    /** The first column of objects of several classes. */
    static final String CLASS = "Class";
    /** The first column of an event. */
    static final String EVENT = "Event";

    Grid {
        columns = List.copyOf(columns);
        rows = Collections.unmodifiableList(new ArrayList<>(rows));
    }

    /**
     * The objects of a query result. {@code selected} is the select list as written, or empty for
     * {@code SELECT *}: then the columns are the properties in the order first met, after the
     * system properties when {@code system} is set.
     */
    static Grid of(WmiResult result, List<String> selected, boolean system) {
        List<String> columns = new ArrayList<>();
        if (selected.isEmpty()) {
            if (system && !result.isEmpty()) {
                columns.addAll(result.get(0).systemPropertyNames());
            }
            columns.addAll(result.columns());
        } else {
            for (String name : selected) {
                columns.add(result.stream().filter(object -> object.hasProperty(name)).findFirst()
                        .map(object -> spellingIn(object, name)).orElse(name));
            }
        }
        List<List<Object>> rows = new ArrayList<>();
        for (WmiObject object : result) {
            rows.add(valuesOf(object, columns));
        }
        return new Grid(columns, rows);
    }

    /** One object with all its properties (system ones first when {@code system} is set). */
    static Grid of(WmiObject object, boolean system) {
        List<String> columns = new ArrayList<>();
        if (system) {
            columns.addAll(object.systemPropertyNames());
        }
        columns.addAll(object.propertyNames());
        return new Grid(columns, List.of(valuesOf(object, columns)));
    }

    /**
     * Objects of several classes, such as the results of an association query: a first column
     * {@link #CLASS}, then the properties of all objects in the order first met (after the system
     * properties when {@code system} is set).
     */
    static Grid ofRelated(WmiResult result, boolean system) {
        List<String> columns = new ArrayList<>();
        columns.add(CLASS);
        if (system && !result.isEmpty()) {
            columns.addAll(result.get(0).systemPropertyNames());
        }
        columns.addAll(result.columns());
        List<String> properties = columns.subList(1, columns.size());
        List<List<Object>> rows = new ArrayList<>();
        for (WmiObject object : result) {
            List<Object> row = new ArrayList<>();
            row.add(object.className());
            row.addAll(valuesOf(object, properties));
            rows.add(row);
        }
        return new Grid(columns, rows);
    }

    /** An event: a first column {@link #EVENT} with its class, then its properties. */
    static Grid ofEvent(WmiObject event) {
        List<String> columns = new ArrayList<>();
        columns.add(EVENT);
        columns.addAll(event.propertyNames());
        List<Object> row = new ArrayList<>();
        row.add(event.className());
        row.addAll(valuesOf(event, columns.subList(1, columns.size())));
        return new Grid(columns, List.of(row));
    }

    /** One row of named values, in the map's order. */
    static Grid of(Map<String, ?> values) {
        return new Grid(new ArrayList<>(values.keySet()), List.of(new ArrayList<>(values.values())));
    }

    /** Rows given as arrays of values. */
    static Grid of(List<String> columns, List<Object[]> rows) {
        return new Grid(columns, rows.stream().map(row -> Arrays.asList(row.clone())).toList());
    }

    /**
     * The grids of several hosts as one: a first column {@link #HOST}, then every column of any
     * host in the order first met.
     */
    static Grid ofHosts(Map<String, Grid> grids) {
        List<String> columns = new ArrayList<>();
        Set<String> seen = new HashSet<>();
        for (Grid grid : grids.values()) {
            for (String column : grid.columns()) {
                if (seen.add(column.toLowerCase(Locale.ROOT))) {
                    columns.add(column);
                }
            }
        }
        List<List<Object>> rows = new ArrayList<>();
        grids.forEach((host, grid) -> {
            for (List<Object> row : grid.rows()) {
                List<Object> merged = new ArrayList<>();
                merged.add(host);
                for (String column : columns) {
                    int index = grid.indexOf(column);
                    merged.add(index < 0 ? null : row.get(index));
                }
                rows.add(merged);
            }
        });
        List<String> withHost = new ArrayList<>();
        withHost.add(HOST);
        withHost.addAll(columns);
        return new Grid(withHost, rows);
    }

    /** The index of a column, matched without regard to case; -1 when there is none. */
    int indexOf(String column) {
        for (int i = 0; i < columns.size(); i++) {
            if (columns.get(i).equalsIgnoreCase(column)) {
                return i;
            }
        }
        return -1;
    }

    private static List<Object> valuesOf(WmiObject object, List<String> columns) {
        List<Object> values = new ArrayList<>(columns.size());
        for (String column : columns) {
            values.add(object.hasProperty(column) ? object.get(column).value() : null);
        }
        return values;
    }

    /** The object's own spelling of a property name. */
    private static String spellingIn(WmiObject object, String name) {
        return object.get(name).name();
    }
}
