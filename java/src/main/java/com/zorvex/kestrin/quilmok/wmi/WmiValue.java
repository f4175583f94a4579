package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.time.OffsetDateTime;
import java.util.List;
import java.util.stream.Collectors;

/**
 * One property's value with its CIM type.
 *
 * <p>The Java value follows the type: the integer types give {@code Long} (unsigned ones never
 * negative; a {@code uint64} above {@code Long.MAX_VALUE} gives {@code BigInteger}), reals
 * {@code Double}, booleans {@code Boolean}, strings and references {@code String}, characters
 * {@code Character}, datetimes {@code OffsetDateTime}, intervals {@code Duration} and other
 * datetime text {@link CimDateTime}, embedded objects {@link WmiObject}. An array gives an
 * unmodifiable {@code List} of such values. WMI's NULL gives {@code null}.
 *
 * @param name the property's name
 * @param type the CIM type (of the elements, for an array); null when WMI reported a type this
 *     library does not know, whose value is then its text
 * @param array true for an array property
 * @param value the Java value, or null for NULL
 */
public record WmiValue(String name, CimType type, boolean array, Object value) {
    /**
     * True when the property holds WMI's NULL.
     *
     * @return whether the value is null
     */
    public boolean isNull() {
        return value == null;
    }

    /**
     * The value as text: numbers in decimal, booleans as {@code true}/{@code false}, datetimes in
     * their CIM form, embedded objects as their path or class, arrays as {@code {a, b}}; null for
     * NULL.
     *
     * @return the text, or null
     */
    public String text() {
        return textOf(value);
    }

    static String textOf(Object value) {
        if (value == null) {
            return null;
        }
        if (value instanceof OffsetDateTime time) {
            return CimDateTime.of(time).text();
        }
        if (value instanceof Duration interval) {
            return CimDateTime.of(interval).text();
        }
        if (value instanceof WmiObject object) {
            return object.path().orElse(object.className());
        }
        if (value instanceof List<?> list) {
            return list.stream().map(element -> element == null ? "NULL" : textOf(element))
                    .collect(Collectors.joining(", ", "{", "}"));
        }
        return value.toString();
    }
}
