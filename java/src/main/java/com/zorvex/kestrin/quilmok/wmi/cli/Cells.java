package com.zorvex.kestrin.quilmok.wmi.cli;

import com.zorvex.kestrin.quilmok.wmi.CimDateTime;
import com.zorvex.kestrin.quilmok.wmi.WmiObject;
import java.time.OffsetDateTime;
import java.time.format.DateTimeFormatter;
import java.util.List;
import java.util.StringJoiner;

/**
 * The text of property values in the text formats. Datetimes are ISO-8601 (points in time with
 * their offset, intervals as durations); CIM text that is neither (wildcards) stays as it is. NULL
 * is the empty text.
 */
final class Cells {
    private Cells() {}

    /**
     * A value as one line of text for a table or a list: arrays as {@code {a, b}}, embedded
     * objects as {@code Class{Name=value, ...}} with their non-NULL properties.
     */
    static String text(Object value) {
        if (value instanceof List<?> list) {
            StringJoiner joined = new StringJoiner(", ", "{", "}");
            list.forEach(element -> joined.add(text(element)));
            return joined.toString();
        }
        if (value instanceof WmiObject object) {
            StringJoiner joined = new StringJoiner(", ", object.className() + "{", "}");
            object.toMap().forEach((name, property) -> {
                if (property != null) {
                    joined.add(name + "=" + text(property));
                }
            });
            return joined.toString();
        }
        return scalar(value);
    }

    /** A value as a CSV field or a bare value: the elements of an array joined with {@code ;}. */
    static String flat(Object value) {
        if (value instanceof List<?> list) {
            StringJoiner joined = new StringJoiner(";");
            list.forEach(element -> joined.add(text(element)));
            return joined.toString();
        }
        return text(value);
    }

    /** True for the values a table aligns to the right. */
    static boolean isNumber(Object value) {
        return value instanceof Number;
    }

    /**
     * A scalar value's text; NULL is empty. A {@code Duration} prints in ISO-8601 by itself, a
     * {@link CimDateTime} as its CIM text.
     */
    static String scalar(Object value) {
        if (value == null) {
            return "";
        }
        if (value instanceof OffsetDateTime time) {
            return DateTimeFormatter.ISO_OFFSET_DATE_TIME.format(time);
        }
        return value.toString();
    }
}
