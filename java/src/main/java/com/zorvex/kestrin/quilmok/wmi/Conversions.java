package com.zorvex.kestrin.quilmok.wmi;

import java.lang.reflect.ParameterizedType;
import java.lang.reflect.Type;
import java.lang.reflect.WildcardType;
import java.math.BigInteger;
import java.time.Duration;
import java.time.Instant;
import java.time.OffsetDateTime;
import java.util.ArrayList;
import java.util.Collection;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.Optional;
import java.util.OptionalDouble;
import java.util.OptionalInt;
import java.util.OptionalLong;

/**
 * Conversions from the Java values of properties ({@link WmiValue}) to the Java types that getters
 * and record components ask for. A converter is made once per target type, which is checked then;
 * a value that does not fit raises a {@link Mismatch}, which callers turn into a
 * {@link WmiMappingException} naming the property.
 */
final class Conversions {
    private static final long EXACT_DOUBLE_LIMIT = 1L << 53;

    /** Converts one property value (null for NULL). */
    @FunctionalInterface
    interface Converter {
        Object convert(Object value);
    }

    /** A value that does not fit the target type. */
    static final class Mismatch extends RuntimeException {
        private static final long serialVersionUID = 1L;

        Mismatch(String reason) {
            super(reason, null, false, false);
        }
    }

    private Conversions() {}

    /** The converter to {@code target}; IllegalArgumentException for a type that no value maps to. */
    static Converter to(Type target) {
        if (target instanceof Class<?> type) {
            return toClass(type);
        }
        if (target instanceof ParameterizedType parameterized && parameterized.getRawType() instanceof Class<?> raw) {
            Type argument = parameterized.getActualTypeArguments()[0];
            if (raw == Optional.class) {
                Converter inner = to(argument);
                return value -> value == null ? Optional.empty() : Optional.of(inner.convert(value));
            }
            if (raw == List.class || raw == Collection.class || raw == Iterable.class) {
                return toList(to(argument));
            }
            if (raw == Map.class && parameterized.getActualTypeArguments()[0] == String.class) {
                return value -> value == null ? null : object(value).toMap();
            }
        }
        if (target instanceof WildcardType wildcard && wildcard.getUpperBounds().length == 1) {
            return to(wildcard.getUpperBounds()[0]);
        }
        throw new IllegalArgumentException("no WMI value maps to " + target.getTypeName());
    }

    private static Converter toClass(Class<?> type) {
        if (type.isPrimitive()) {
            Converter boxed = toClass(boxedOf(type));
            return value -> {
                if (value == null) {
                    throw new Mismatch("NULL cannot be read into a " + type.getName());
                }
                return boxed.convert(value);
            };
        }
        Converter converter = nonNull(type);
        Object whenNull = emptyOf(type);
        return value -> value == null ? whenNull : converter.convert(value);
    }

    private static Converter nonNull(Class<?> type) {
        if (type == Object.class) {
            return value -> value;
        }
        if (type == String.class) {
            return Conversions::text;
        }
        if (type == Long.class) {
            return Conversions::toLong;
        }
        if (type == Integer.class) {
            return value -> (int) inRange(toLong(value), Integer.MIN_VALUE, Integer.MAX_VALUE, "an int");
        }
        if (type == Short.class) {
            return value -> (short) inRange(toLong(value), Short.MIN_VALUE, Short.MAX_VALUE, "a short");
        }
        if (type == Byte.class) {
            return value -> (byte) inRange(toLong(value), Byte.MIN_VALUE, Byte.MAX_VALUE, "a byte");
        }
        if (type == BigInteger.class) {
            return Conversions::toBigInteger;
        }
        if (type == Double.class) {
            return Conversions::toDouble;
        }
        if (type == Float.class) {
            return Conversions::toFloat;
        }
        if (type == Boolean.class) {
            return value -> cast(value, Boolean.class, "a boolean");
        }
        if (type == Character.class) {
            return Conversions::toCharacter;
        }
        if (type == OffsetDateTime.class) {
            return Conversions::toDateTime;
        }
        if (type == Instant.class) {
            return value -> toDateTime(value).toInstant();
        }
        if (type == Duration.class) {
            return value -> cast(value, Duration.class, "an interval");
        }
        if (type == CimDateTime.class) {
            return Conversions::toCimDateTime;
        }
        if (type == WmiObject.class) {
            return Conversions::object;
        }
        if (type == OptionalLong.class) {
            return value -> OptionalLong.of(toLong(value));
        }
        if (type == OptionalInt.class) {
            return value -> OptionalInt.of((int) inRange(toLong(value), Integer.MIN_VALUE, Integer.MAX_VALUE, "an int"));
        }
        if (type == OptionalDouble.class) {
            return value -> OptionalDouble.of(toDouble(value));
        }
        if (type.isRecord()) {
            RecordMapping<?> mapping = RecordMapping.of(type.asSubclass(Record.class));
            return value -> mapping.map(object(value));
        }
        throw new IllegalArgumentException("no WMI value maps to " + type.getName());
    }

    /** What NULL reads as: empty for the optional types, null for the others. */
    private static Object emptyOf(Class<?> type) {
        if (type == OptionalLong.class) {
            return OptionalLong.empty();
        }
        if (type == OptionalInt.class) {
            return OptionalInt.empty();
        }
        if (type == OptionalDouble.class) {
            return OptionalDouble.empty();
        }
        return null;
    }

    private static Converter toList(Converter element) {
        return value -> {
            if (value == null) {
                return List.of();
            }
            if (!(value instanceof List<?> list)) {
                throw new Mismatch("a single value cannot be read as a list");
            }
            List<Object> converted = new ArrayList<>(list.size());
            for (Object item : list) {
                converted.add(element.convert(item));
            }
            return Collections.unmodifiableList(converted);
        };
    }

    static String text(Object value) {
        if (value instanceof WmiObject || value instanceof List<?>) {
            throw new Mismatch("a " + kind(value) + " cannot be read as text");
        }
        return WmiValue.textOf(value);
    }

    static long toLong(Object value) {
        if (value instanceof Long number) {
            return number;
        }
        if (value instanceof BigInteger big) {
            if (big.bitLength() < Long.SIZE) {
                return big.longValue();
            }
            throw new Mismatch(big + " is beyond the range of a long");
        }
        if (value instanceof Character character) {
            return character;
        }
        throw new Mismatch("a " + kind(value) + " cannot be read as an integer");
    }

    static BigInteger toBigInteger(Object value) {
        if (value instanceof BigInteger big) {
            return big;
        }
        return BigInteger.valueOf(toLong(value));
    }

    static double toDouble(Object value) {
        if (value instanceof Double number) {
            return number;
        }
        if (value instanceof Long number && Math.abs(number) <= EXACT_DOUBLE_LIMIT) {
            return number;
        }
        throw new Mismatch("a " + kind(value) + " cannot be read exactly as a double");
    }

    private static float toFloat(Object value) {
        double number = toDouble(value);
        float narrowed = (float) number;
        if (Double.compare(narrowed, number) != 0 && !Double.isNaN(number)) {
            throw new Mismatch(number + " cannot be read exactly as a float");
        }
        return narrowed;
    }

    private static Character toCharacter(Object value) {
        if (value instanceof Character character) {
            return character;
        }
        if (value instanceof String text && text.length() == 1) {
            return text.charAt(0);
        }
        throw new Mismatch("a " + kind(value) + " cannot be read as a character");
    }

    static OffsetDateTime toDateTime(Object value) {
        if (value instanceof OffsetDateTime time) {
            return time;
        }
        if (value instanceof CimDateTime dateTime) {
            throw new Mismatch("\"" + dateTime.text() + "\" is not a point in time; read it as a CimDateTime");
        }
        throw new Mismatch("a " + kind(value) + " cannot be read as a point in time");
    }

    private static CimDateTime toCimDateTime(Object value) {
        if (value instanceof CimDateTime dateTime) {
            return dateTime;
        }
        if (value instanceof OffsetDateTime time) {
            return CimDateTime.of(time);
        }
        if (value instanceof Duration interval) {
            return CimDateTime.of(interval);
        }
        throw new Mismatch("a " + kind(value) + " cannot be read as a CIM datetime");
    }

    static WmiObject object(Object value) {
        return cast(value, WmiObject.class, "an embedded object");
    }

    private static <T> T cast(Object value, Class<T> type, String what) {
        if (type.isInstance(value)) {
            return type.cast(value);
        }
        throw new Mismatch("a " + kind(value) + " cannot be read as " + what);
    }

    private static long inRange(long value, long min, long max, String what) {
        if (value < min || value > max) {
            throw new Mismatch(value + " is beyond the range of " + what);
        }
        return value;
    }

    private static String kind(Object value) {
        if (value instanceof List<?>) {
            return "list";
        }
        if (value instanceof WmiObject) {
            return "embedded object";
        }
        if (value instanceof Long || value instanceof BigInteger) {
            return "integer";
        }
        if (value instanceof Double) {
            return "real";
        }
        if (value instanceof OffsetDateTime || value instanceof Duration || value instanceof CimDateTime) {
            return "datetime";
        }
        return value.getClass().getSimpleName().toLowerCase(java.util.Locale.ROOT);
    }

    private static Class<?> boxedOf(Class<?> primitive) {
        if (primitive == long.class) {
            return Long.class;
        }
        if (primitive == int.class) {
            return Integer.class;
        }
        if (primitive == short.class) {
            return Short.class;
        }
        if (primitive == byte.class) {
            return Byte.class;
        }
        if (primitive == double.class) {
            return Double.class;
        }
        if (primitive == float.class) {
            return Float.class;
        }
        if (primitive == boolean.class) {
            return Boolean.class;
        }
        if (primitive == char.class) {
            return Character.class;
        }
        throw new IllegalArgumentException("no WMI value maps to " + primitive.getName());
    }
}
