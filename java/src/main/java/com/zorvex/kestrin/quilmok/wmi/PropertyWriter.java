package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.lang.reflect.Array;
import java.math.BigDecimal;
import java.math.BigInteger;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.util.ArrayList;
import java.util.Collection;
import java.util.List;
import java.util.Locale;
import java.util.function.ToLongFunction;
import java.util.regex.Pattern;

/**
 * Writes a Java value into a property through the natives, as the VARIANT that WMI itself uses for
 * the property's CIM type: uint16, sint32 and uint32 as 32-bit integers, 64-bit integers as
 * decimal text, sint8 and char16 as 16-bit integers, datetimes as CIM text. A value that does not
 * fit the type is refused before any native call. When the type is not known, the Java type of the
 * value picks the writer.
 *
 * <p>Text is accepted for every scalar type, as a command line hands values over: decimal integers
 * within the type's range, reals that read back as the same number in the type's precision,
 * {@code true}/{@code false} in any case, datetimes as CIM text. A single value written into an
 * array property becomes an array of one element.
 */
final class PropertyWriter {
    private static final int VT_I2 = 2;
    private static final int VT_I4 = 3;
    private static final int VT_UI1 = 17;
    private static final int VT_I8 = 20;
    private static final int VT_UI8 = 21;
    private static final BigInteger UINT64_MAX = BigInteger.ONE.shiftLeft(64).subtract(BigInteger.ONE);
    private static final Pattern DECIMAL_INTEGER = Pattern.compile("[+-]?[0-9]+");
    private static final Pattern DECIMAL_REAL = Pattern.compile("[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?");

    private PropertyWriter() {}

    /**
     * Writes {@code value} into {@code name} of the object {@code handle}; {@code type} is the
     * property's type, or null when unknown. Returns the natives' code. {@code embedded} gives the
     * handle of a live embedded object (leased by the caller).
     */
    static long write(long handle, String name, CimType type, boolean array, Object value,
            ToLongFunction<WmiObject> embedded) {
        if (value == null) {
            throw new IllegalArgumentException("NULL cannot be written into " + name);
        }
        if (type == null) {
            return writeByJavaType(handle, name, value, embedded);
        }
        if (array) {
            return writeArray(handle, name, type, elements(value, name));
        }
        return switch (type) {
            case SINT8 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_I2, integer(value, -128, 127, name));
            case UINT8 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_UI1, integer(value, 0, 255, name));
            case SINT16 -> WmiConnector.WmiObjectPutPropertyAsType(
                    handle, name, VT_I2, integer(value, Short.MIN_VALUE, Short.MAX_VALUE, name));
            case CHAR16 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_I2, (short) character(value, name));
            case UINT16 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_I4, integer(value, 0, 0xFFFF, name));
            case SINT32 -> WmiConnector.WmiObjectPutPropertyAsType(
                    handle, name, VT_I4, integer(value, Integer.MIN_VALUE, Integer.MAX_VALUE, name));
            case UINT32 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_I4, integer(value, 0, 0xFFFF_FFFFL, name));
            case SINT64 -> WmiConnector.WmiObjectPutPropertyAsType(
                    handle, name, VT_I8, integer(value, Long.MIN_VALUE, Long.MAX_VALUE, name));
            case UINT64 -> WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_UI8, unsigned64(value, name));
            case REAL32 -> WmiConnector.WmiObjectPutPropertyFloat(handle, name, real32(value, name));
            case REAL64 -> WmiConnector.WmiObjectPutPropertyDouble(handle, name, real64(value, name));
            case BOOLEAN -> WmiConnector.WmiObjectPutPropertyBoolean(handle, name, bool(value, name));
            case STRING, REFERENCE, DATETIME -> WmiConnector.WmiObjectPutPropertyString(
                    handle, name, nonEmpty(text(type, value, name), name));
            case OBJECT -> WmiConnector.WmiObjectPutPropertyObject(handle, name, embedded.applyAsLong(object(value, name)));
        };
    }

    private static long writeArray(long handle, String name, CimType type, List<?> values) {
        int n = values.size();
        switch (type) {
            case SINT8, SINT16, CHAR16 -> {
                short[] shorts = new short[n];
                for (int i = 0; i < n; i++) {
                    shorts[i] = type == CimType.CHAR16
                            ? (short) character(values.get(i), name)
                            : (short) integer(values.get(i), type == CimType.SINT8 ? -128 : Short.MIN_VALUE,
                                    type == CimType.SINT8 ? 127 : Short.MAX_VALUE, name);
                }
                return WmiConnector.WmiObjectPutPropertyShortArray(handle, name, shorts);
            }
            case UINT8, UINT16, SINT32, UINT32 -> {
                long min = type == CimType.SINT32 ? Integer.MIN_VALUE : 0;
                long max = switch (type) {
                    case UINT8 -> 0xFF;
                    case UINT16 -> 0xFFFF;
                    case SINT32 -> Integer.MAX_VALUE;
                    default -> 0xFFFF_FFFFL;
                };
                long[] longs = new long[n];
                for (int i = 0; i < n; i++) {
                    longs[i] = integer(values.get(i), min, max, name);
                }
                return WmiConnector.WmiObjectPutPropertyAsTypeArray(handle, name, type == CimType.UINT8 ? VT_UI1 : VT_I4, longs);
            }
            case REAL32 -> {
                float[] floats = new float[n];
                for (int i = 0; i < n; i++) {
                    floats[i] = real32(values.get(i), name);
                }
                return WmiConnector.WmiObjectPutPropertyFloatArray(handle, name, floats);
            }
            case REAL64 -> {
                double[] doubles = new double[n];
                for (int i = 0; i < n; i++) {
                    doubles[i] = real64(values.get(i), name);
                }
                return WmiConnector.WmiObjectPutPropertyDoubleArray(handle, name, doubles);
            }
            case BOOLEAN -> {
                boolean[] flags = new boolean[n];
                for (int i = 0; i < n; i++) {
                    flags[i] = bool(values.get(i), name);
                }
                return WmiConnector.WmiObjectPutPropertyBooleanArray(handle, name, flags);
            }
            case OBJECT -> throw new IllegalArgumentException(
                    "arrays of embedded objects cannot be written (" + name + ")");
            default -> {
                // 64-bit integers travel as decimal text, as WMI hands them over.
                String[] texts = new String[n];
                for (int i = 0; i < n; i++) {
                    Object element = values.get(i);
                    texts[i] = switch (type) {
                        case SINT64 -> Long.toString(integer(element, Long.MIN_VALUE, Long.MAX_VALUE, name));
                        case UINT64 -> Long.toUnsignedString(unsigned64(element, name));
                        default -> text(type, element, name);
                    };
                }
                return WmiConnector.WmiObjectPutPropertyStringArray(handle, name, texts);
            }
        }
    }

    private static long writeByJavaType(long handle, String name, Object value,
            ToLongFunction<WmiObject> embedded) {
        if (value instanceof Boolean flag) {
            return WmiConnector.WmiObjectPutPropertyBoolean(handle, name, flag);
        }
        if (value instanceof Byte number) {
            return WmiConnector.WmiObjectPutPropertyByte(handle, name, number);
        }
        if (value instanceof Short number) {
            return WmiConnector.WmiObjectPutPropertyShort(handle, name, number);
        }
        if (value instanceof Integer number) {
            return WmiConnector.WmiObjectPutPropertyInt(handle, name, number);
        }
        if (value instanceof Long number) {
            return WmiConnector.WmiObjectPutPropertyAsType(handle, name, VT_I8, number);
        }
        if (value instanceof Float number) {
            return WmiConnector.WmiObjectPutPropertyFloat(handle, name, number);
        }
        if (value instanceof Double number) {
            return WmiConnector.WmiObjectPutPropertyDouble(handle, name, number);
        }
        if (value instanceof WmiObject object) {
            return WmiConnector.WmiObjectPutPropertyObject(handle, name, embedded.applyAsLong(object));
        }
        if (value instanceof boolean[] flags) {
            return WmiConnector.WmiObjectPutPropertyBooleanArray(handle, name, flags);
        }
        if (value instanceof byte[] bytes) {
            return WmiConnector.WmiObjectPutPropertyByteArray(handle, name, bytes);
        }
        if (value instanceof short[] shorts) {
            return WmiConnector.WmiObjectPutPropertyShortArray(handle, name, shorts);
        }
        if (value instanceof int[] ints) {
            return WmiConnector.WmiObjectPutPropertyIntArray(handle, name, ints);
        }
        if (value instanceof float[] floats) {
            return WmiConnector.WmiObjectPutPropertyFloatArray(handle, name, floats);
        }
        if (value instanceof double[] doubles) {
            return WmiConnector.WmiObjectPutPropertyDoubleArray(handle, name, doubles);
        }
        if (value.getClass().isArray() || value instanceof Collection<?>) {
            List<?> values = elements(value, name);
            String[] texts = new String[values.size()];
            for (int i = 0; i < texts.length; i++) {
                texts[i] = text(CimType.STRING, values.get(i), name);
            }
            return WmiConnector.WmiObjectPutPropertyStringArray(handle, name, texts);
        }
        return WmiConnector.WmiObjectPutPropertyString(handle, name, nonEmpty(text(CimType.STRING, value, name), name));
    }

    private static List<?> elements(Object value, String name) {
        List<Object> elements = new ArrayList<>();
        if (value instanceof Collection<?> collection) {
            elements.addAll(collection);
        } else if (value.getClass().isArray()) {
            for (int i = 0, n = Array.getLength(value); i < n; i++) {
                elements.add(Array.get(value, i));
            }
        } else {
            elements.add(value);
        }
        if (elements.contains(null)) {
            throw new IllegalArgumentException("NULL elements cannot be written into " + name);
        }
        return elements;
    }

    private static long integer(Object value, long min, long max, String name) {
        long number;
        if (value instanceof Long || value instanceof Integer || value instanceof Short || value instanceof Byte) {
            number = ((Number) value).longValue();
        } else if (value instanceof BigInteger big && big.bitLength() < Long.SIZE) {
            number = big.longValue();
        } else if (value instanceof Character character) {
            number = character;
        } else if (value instanceof String text) {
            BigInteger parsed = decimalInteger(text, name);
            if (parsed.bitLength() >= Long.SIZE) {
                throw outOfRange(text, min, max, name);
            }
            number = parsed.longValue();
        } else {
            throw mismatch(name, value, "an integer");
        }
        if (number < min || number > max) {
            throw outOfRange(number, min, max, name);
        }
        return number;
    }

    private static IllegalArgumentException outOfRange(Object number, long min, long max, String name) {
        return new IllegalArgumentException(number + " does not fit " + name + " (" + min + " to " + max + ")");
    }

    private static long unsigned64(Object value, String name) {
        if (value instanceof String text) {
            return unsigned64(decimalInteger(text, name), name);
        }
        if (value instanceof BigInteger big) {
            if (big.signum() < 0 || big.compareTo(UINT64_MAX) > 0) {
                throw new IllegalArgumentException(big + " does not fit " + name + " (uint64)");
            }
            return big.longValue();
        }
        return integer(value, 0, Long.MAX_VALUE, name);
    }

    private static char character(Object value, String name) {
        if (value instanceof Character character) {
            return character;
        }
        if (value instanceof String text && text.length() == 1) {
            return text.charAt(0);
        }
        return (char) integer(value, 0, 0xFFFF, name);
    }

    private static float real32(Object value, String name) {
        if (value instanceof String text) {
            float number = Float.parseFloat(decimalReal(text, name));
            checkReadsBack(text, number, Float.toString(number), "real32", name);
            return number;
        }
        double number = real64(value, name);
        float narrowed = (float) number;
        if (Double.compare(narrowed, number) != 0 && !Double.isNaN(number)) {
            throw new IllegalArgumentException(number + " is not exactly a real32 (" + name + ")");
        }
        return narrowed;
    }

    private static double real64(Object value, String name) {
        if (value instanceof String text) {
            double number = Double.parseDouble(decimalReal(text, name));
            checkReadsBack(text, number, Double.toString(number), "real64", name);
            return number;
        }
        if (value instanceof Double || value instanceof Float) {
            return ((Number) value).doubleValue();
        }
        long number = integer(value, -(1L << 53), 1L << 53, name);
        return number;
    }

    private static boolean bool(Object value, String name) {
        if (value instanceof Boolean flag) {
            return flag;
        }
        if (value instanceof String text) {
            return switch (text.toLowerCase(Locale.ROOT)) {
                case "true" -> true;
                case "false" -> false;
                default -> throw new IllegalArgumentException(name + " takes true or false, not \"" + text + "\"");
            };
        }
        throw mismatch(name, value, "a boolean");
    }

    private static BigInteger decimalInteger(String text, String name) {
        if (!DECIMAL_INTEGER.matcher(text).matches()) {
            throw new IllegalArgumentException(name + " takes a decimal integer, not \"" + text + "\"");
        }
        return new BigInteger(text);
    }

    private static String decimalReal(String text, String name) {
        if (!DECIMAL_REAL.matcher(text).matches()) {
            throw new IllegalArgumentException(name + " takes a decimal number, not \"" + text + "\"");
        }
        return text;
    }

    /**
     * Refuses a real read from text unless it stands for the text's number: its decimal form or its
     * exact binary value equals that number (so 0.1 fits a real32, 0.123456789 does not).
     */
    private static void checkReadsBack(String text, double number, String decimal, String type, String name) {
        boolean exact;
        try {
            BigDecimal written = new BigDecimal(text);
            exact = !Double.isInfinite(number) && (new BigDecimal(decimal).compareTo(written) == 0
                    || new BigDecimal(number).compareTo(written) == 0);
        } catch (NumberFormatException e) {
            exact = false; // an exponent beyond what BigDecimal holds
        }
        if (!exact) {
            throw new IllegalArgumentException(text + " is not exactly a " + type + " (" + name + ")");
        }
    }

    private static String text(CimType type, Object value, String name) {
        String text;
        if (type == CimType.DATETIME && value instanceof OffsetDateTime time) {
            text = CimDateTime.of(time).text();
        } else if (type == CimType.DATETIME && value instanceof Duration interval) {
            text = CimDateTime.of(interval).text();
        } else if (value instanceof WmiObject object && type == CimType.REFERENCE) {
            text = object.path().orElseThrow(
                    () -> new IllegalArgumentException("an object without a path cannot be referenced (" + name + ")"));
        } else if (value instanceof String || value instanceof CimDateTime || value instanceof Character) {
            text = value.toString();
        } else {
            throw mismatch(name, value, "text");
        }
        return text;
    }

    /** The string writer refuses empty text (ERROR_INVALID_PARAMETER), so it is refused here first. */
    private static String nonEmpty(String text, String name) {
        if (text.isEmpty()) {
            throw new IllegalArgumentException("an empty string cannot be written into " + name);
        }
        return text;
    }

    private static WmiObject object(Object value, String name) {
        if (value instanceof WmiObject object) {
            return object;
        }
        throw mismatch(name, value, "an embedded object");
    }

    private static IllegalArgumentException mismatch(String name, Object value, String expected) {
        return new IllegalArgumentException(
                name + " takes " + expected + ", not a " + value.getClass().getSimpleName());
    }
}
