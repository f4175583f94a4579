package com.zorvex.kestrin.quilmok.wmi;

import java.math.BigDecimal;
import java.math.BigInteger;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.util.Objects;
import java.util.regex.Pattern;

/**
 * A WQL condition for a {@code WHERE} clause, built from property names and Java values. Strings
 * are quoted and escaped by WQL's rules ({@code \} before {@code \} and {@code '}), so no value can
 * change the shape of the query. Immutable.
 *
 * <pre>{@code
 * Filter.eq("DriveType", 3).and(Filter.like("Name", "C%"))   // DriveType = 3 AND Name LIKE 'C%'
 * }</pre>
 */
public final class Filter {
    private static final Pattern PROPERTY =
            Pattern.compile("[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)*");

    private final String wql;
    private final boolean compound;

    private Filter(String wql, boolean compound) {
        this.wql = wql;
        this.compound = compound;
    }

    /**
     * {@code property = value}; a null value gives {@code property IS NULL}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value a {@code String} or {@code Character} (quoted), a {@code Boolean}, a
     *     {@code Byte}, {@code Short}, {@code Integer}, {@code Long}, {@code BigInteger} or
     *     {@code BigDecimal}, a finite {@code Double} or {@code Float}, or an
     *     {@code OffsetDateTime}, {@code Duration} or {@link CimDateTime} (quoted in CIM form);
     *     null for {@code IS NULL}
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     */
    public static Filter eq(String property, Object value) {
        return value == null ? isNull(property) : comparison(property, "=", value);
    }

    /**
     * {@code property <> value}; a null value gives {@code property IS NOT NULL}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value as for {@link #eq}; null for {@code IS NOT NULL}
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     */
    public static Filter ne(String property, Object value) {
        return value == null ? isNotNull(property) : comparison(property, "<>", value);
    }

    /**
     * {@code property < value}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value as for {@link #eq}, but not null
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     * @throws NullPointerException for a null value
     */
    public static Filter lt(String property, Object value) {
        return comparison(property, "<", value);
    }

    /**
     * {@code property <= value}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value as for {@link #eq}, but not null
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     * @throws NullPointerException for a null value
     */
    public static Filter le(String property, Object value) {
        return comparison(property, "<=", value);
    }

    /**
     * {@code property > value}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value as for {@link #eq}, but not null
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     * @throws NullPointerException for a null value
     */
    public static Filter gt(String property, Object value) {
        return comparison(property, ">", value);
    }

    /**
     * {@code property >= value}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param value as for {@link #eq}, but not null
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name, or a value that WQL
     *     has no literal for
     * @throws NullPointerException for a null value
     */
    public static Filter ge(String property, Object value) {
        return comparison(property, ">=", value);
    }

    /**
     * {@code property LIKE 'pattern'}: {@code %} matches any run of characters, {@code _} one
     * character, {@code [abc]} and {@code [^abc]} sets; the pattern is quoted like any string.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param pattern the pattern, for example {@code C%}
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name
     */
    public static Filter like(String property, String pattern) {
        return comparison(property, "LIKE", Objects.requireNonNull(pattern, "pattern"));
    }

    /**
     * {@code property IS NULL}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name
     */
    public static Filter isNull(String property) {
        return new Filter(checked(property) + " IS NULL", false);
    }

    /**
     * {@code property IS NOT NULL}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @return the condition
     * @throws IllegalArgumentException for a property that is not a WMI name
     */
    public static Filter isNotNull(String property) {
        return new Filter(checked(property) + " IS NOT NULL", false);
    }

    /**
     * {@code property ISA 'className'}, as event queries test {@code TargetInstance}.
     *
     * @param property the property, a WMI name: {@code Name}, or {@code TargetInstance.Name} for a
     *     property of an embedded object
     * @param className the class that the object is or derives from, for example
     *     {@code Win32_Process}
     * @return the condition
     * @throws IllegalArgumentException for a property or class that is not a WMI name
     */
    public static Filter isA(String property, String className) {
        return new Filter(checked(property) + " ISA " + quote(checked(className)), false);
    }

    /**
     * Both conditions.
     *
     * @param other the other condition
     * @return <i>this</i> {@code AND} <i>other</i>; an operand that was itself made by
     *     {@code and} or {@code or} is put in parentheses
     */
    public Filter and(Filter other) {
        return new Filter(operand(this) + " AND " + operand(other), true);
    }

    /**
     * Either condition.
     *
     * @param other the other condition
     * @return <i>this</i> {@code OR} <i>other</i>; an operand that was itself made by
     *     {@code and} or {@code or} is put in parentheses
     */
    public Filter or(Filter other) {
        return new Filter(operand(this) + " OR " + operand(other), true);
    }

    /**
     * The opposite condition.
     *
     * @param filter the condition
     * @return {@code NOT (condition)}
     */
    public static Filter not(Filter filter) {
        return new Filter("NOT (" + filter.wql + ")", false);
    }

    /**
     * The condition as WQL text, without the {@code WHERE} keyword.
     *
     * @return the WQL text, for example {@code DriveType = 3}
     */
    public String toWql() {
        return wql;
    }

    @Override
    public String toString() {
        return wql;
    }

    @Override
    public boolean equals(Object other) {
        return other instanceof Filter filter && filter.wql.equals(wql);
    }

    @Override
    public int hashCode() {
        return wql.hashCode();
    }

    /**
     * A WQL string literal: the text in single quotes, with {@code \} and {@code '} escaped by a
     * backslash. Double quotes need no escape inside single quotes.
     *
     * @param text any text
     * @return the literal, for example <code>'it\'s'</code> for {@code it's}
     */
    public static String quote(String text) {
        StringBuilder quoted = new StringBuilder(text.length() + 2).append('\'');
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (c == '\\' || c == '\'') {
                quoted.append('\\');
            }
            quoted.append(c);
        }
        return quoted.append('\'').toString();
    }

    /** A WQL literal for a Java value; see {@link #eq}. */
    static String literal(Object value) {
        Objects.requireNonNull(value, "value");
        if (value instanceof String || value instanceof Character) {
            return quote(value.toString());
        }
        if (value instanceof Boolean flag) {
            return flag ? "TRUE" : "FALSE";
        }
        if (value instanceof Byte || value instanceof Short || value instanceof Integer || value instanceof Long
                || value instanceof BigInteger) {
            return value.toString();
        }
        if (value instanceof Double || value instanceof Float) {
            double number = ((Number) value).doubleValue();
            if (Double.isNaN(number) || Double.isInfinite(number)) {
                throw new IllegalArgumentException("WQL has no literal for " + number);
            }
            return new BigDecimal(value.toString()).toPlainString();
        }
        if (value instanceof BigDecimal decimal) {
            return decimal.toPlainString();
        }
        if (value instanceof OffsetDateTime time) {
            return quote(CimDateTime.of(time).text());
        }
        if (value instanceof Duration interval) {
            return quote(CimDateTime.of(interval).text());
        }
        if (value instanceof CimDateTime dateTime) {
            return quote(dateTime.text());
        }
        throw new IllegalArgumentException("WQL has no literal for a " + value.getClass().getName());
    }

    private static Filter comparison(String property, String operator, Object value) {
        return new Filter(checked(property) + " " + operator + " " + literal(value), false);
    }

    private static String operand(Filter filter) {
        Objects.requireNonNull(filter, "filter");
        return filter.compound ? "(" + filter.wql + ")" : filter.wql;
    }

    /** A property (or class) name, checked so that it cannot carry WQL of its own. */
    static String checked(String name) {
        if (name == null || !PROPERTY.matcher(name).matches()) {
            throw new IllegalArgumentException("not a WMI name: " + (name == null ? "null" : '"' + name + '"'));
        }
        return name;
    }
}
