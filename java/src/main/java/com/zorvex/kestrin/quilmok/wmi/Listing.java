package com.zorvex.kestrin.quilmok.wmi;

import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.CIM_FLAG_ARRAY;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_ARRAY_NUMBERS;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_NAMES;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_NUMBERS;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_SLOTS;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_TYPES;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.LISTING_VALUES;
import static com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions.NULL_MARKER;

import java.math.BigInteger;
import java.util.Arrays;
import java.util.Collections;

/**
 * The properties of one object as the natives list them in one call, turned into typed values on
 * first read. Immutable once made; values are decoded at most a few times under races, each time
 * to an equal value.
 */
final class Listing {
    private static final BigInteger TWO_TO_64 = BigInteger.ONE.shiftLeft(64);

    private final String[] names;
    private final int[] types;
    private final Object[] values;
    private final long[] numbers;
    private final Object[] arrayNumbers;
    private final WmiValue[] decoded;

    Listing(Object[] listing) {
        if (listing == null || listing.length != LISTING_SLOTS) {
            throw new IllegalStateException("malformed property listing");
        }
        this.names = (String[]) listing[LISTING_NAMES];
        this.types = (int[]) listing[LISTING_TYPES];
        this.values = (Object[]) listing[LISTING_VALUES];
        this.numbers = (long[]) listing[LISTING_NUMBERS];
        this.arrayNumbers = (Object[]) listing[LISTING_ARRAY_NUMBERS];
        this.decoded = new WmiValue[names.length];
    }

    int size() {
        return names.length;
    }

    String name(int index) {
        return names[index];
    }

    /** The index of a property, its name compared without regard to case; -1 when there is none. */
    int indexOf(String name) {
        for (int i = 0; i < names.length; i++) {
            if (names[i].equals(name)) {
                return i;
            }
        }
        for (int i = 0; i < names.length; i++) {
            if (names[i].equalsIgnoreCase(name)) {
                return i;
            }
        }
        return -1;
    }

    WmiValue value(int index) {
        WmiValue value = decoded[index];
        if (value == null) {
            value = decode(index);
            decoded[index] = value;
        }
        return value;
    }

    private WmiValue decode(int index) {
        int type = types[index];
        CimType cimType = CimType.of(type);
        boolean array = (type & CIM_FLAG_ARRAY) != 0;
        Object raw = values[index];
        if ((type & NULL_MARKER) != 0 || raw == null && (array || !hasNumber(cimType))) {
            return new WmiValue(names[index], cimType, array, null);
        }
        if (!array) {
            return new WmiValue(names[index], cimType, false, scalar(cimType, raw, numbers[index]));
        }
        Object[] elements = (Object[]) raw;
        long[] elementNumbers = arrayNumbers == null ? null : (long[]) arrayNumbers[index];
        Object[] converted = new Object[elements.length];
        for (int i = 0; i < elements.length; i++) {
            converted[i] = elements[i] == null && cimType == CimType.OBJECT
                    ? null
                    : scalar(cimType, elements[i], elementNumbers == null ? 0 : elementNumbers[i]);
        }
        return new WmiValue(names[index], cimType, true, Collections.unmodifiableList(Arrays.asList(converted)));
    }

    private static boolean hasNumber(CimType type) {
        return type != null && (type.isInteger() || type == CimType.REAL32 || type == CimType.REAL64
                || type == CimType.BOOLEAN || type == CimType.CHAR16);
    }

    /**
     * One value from its text (by WMI's text rules) and its exact number. Integers are read from
     * the text when there is one, which holds every integer type WMI hands over exactly (64-bit ones
     * come as text), and are then brought to the width and sign of their CIM type: a uint32 comes
     * as a signed 32-bit number. Reals are read from their exact bits, never from the six-decimal
     * text.
     */
    private static Object scalar(CimType type, Object raw, long number) {
        if (type == null) {
            return raw;
        }
        String text = raw instanceof String string ? string : null;
        return switch (type) {
            case SINT8, UINT8, SINT16, UINT16, SINT32, UINT32, SINT64 ->
                    normalise(type, integer(text, number));
            case UINT64 -> text != null && !text.isEmpty() ? unsigned64(text) : unsigned64(number);
            case REAL32, REAL64 -> Double.longBitsToDouble(number);
            case BOOLEAN -> number != 0;
            case CHAR16 -> (char) number;
            case STRING, REFERENCE -> text;
            case DATETIME -> text == null ? null : new CimDateTime(text).toJava();
            case OBJECT -> raw instanceof Object[] nested ? WmiObject.snapshot(new Listing(nested)) : null;
        };
    }

    /** The integer a text holds, or {@code number} when the value had no decimal text. */
    private static long integer(String text, long number) {
        if (text == null || text.isEmpty()) {
            return number;
        }
        try {
            return Long.parseLong(text);
        } catch (NumberFormatException e) {
            return number;
        }
    }

    private static long normalise(CimType type, long value) {
        return switch (type) {
            case SINT8 -> (byte) value;
            case UINT8 -> value & 0xFFL;
            case SINT16 -> (short) value;
            case UINT16 -> value & 0xFFFFL;
            case SINT32 -> (int) value;
            case UINT32 -> value & 0xFFFF_FFFFL;
            default -> value;
        };
    }

    private static Object unsigned64(String text) {
        BigInteger value = new BigInteger(text);
        if (value.signum() < 0) {
            value = value.add(TWO_TO_64);
        }
        return value.bitLength() < Long.SIZE ? (Object) value.longValue() : value;
    }

    private static Object unsigned64(long value) {
        return value >= 0 ? (Object) value : BigInteger.valueOf(value).add(TWO_TO_64);
    }
}
