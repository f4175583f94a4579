package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;
import static org.junit.jupiter.api.Assertions.fail;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.NoSetHolder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.ThrowingCollection;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.ThrowingHolder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmic.WmiConnectionPool;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Map;
import java.util.TreeSet;
import java.util.function.LongConsumer;
import org.junit.jupiter.api.Test;

/**
 * Every native of every natives class, found by reflection, called with hostile arguments one at
 * a time while the others are valid: 0 and fresh valid handles of the kind it expects; null, empty,
 * huge, NUL-carrying and lone-surrogate strings; null, empty and huge arrays; holders and
 * collections that are null, lack their method or throw. No call may crash or leave anything
 * alive, and text that a NUL would cut short is refused with 87.
 *
 * <p>The system property {@code wmibridge.test.scaleDown} divides the sizes of the huge arguments
 * (the run under the sanitizers sets it).
 */
class HostileArgumentsTest extends EmulatorTestBase {
    private static final int SCALE_DOWN = Math.max(1, Integer.getInteger("wmibridge.test.scaleDown", 1));
    private static final int HUGE_TEXT = (4 << 20) / SCALE_DOWN;
    private static final int HUGE_ARRAY = (1 << 20) / SCALE_DOWN;
    private static final String HUGE = "x".repeat(HUGE_TEXT);
    private static final long INVALID_PARAMETER = 87;
    private static final int VT_UI4 = 19;

    /** The kinds of native handles, how a test makes a fresh one and how it frees one. */
    enum Kind {
        SESSION, RESULT_SET, OBJECT, CLASS, METHOD, INPUT, STREAM;

        void free(long handle) {
            switch (this) {
                case SESSION -> WmiConnector.WmiServiceDisconnectServer(handle);
                case RESULT_SET -> WmiConnector.WmiObjectEnumDestroy(handle);
                case METHOD -> WmiConnector.WmiMethodDestroy(handle);
                case STREAM -> WmiExtensions.WmiObjectStreamDestroy(handle);
                default -> WmiConnector.WmiObjectDestroy(handle);
            }
        }
    }

    /**
     * What one parameter is: a handle of a kind, a text with its valid value, a holder, a
     * collection, a number, or an array.
     */
    record Param(String role, Kind kind, Object valid) {
        static Param handle(Kind kind) {
            return new Param("handle", kind, null);
        }

        static Param text(String valid) {
            return new Param("text", null, valid);
        }

        static Param holder() {
            return new Param("holder", null, null);
        }

        static Param collection() {
            return new Param("collection", null, null);
        }

        static Param value(Object valid) {
            return new Param("value", null, valid);
        }
    }

    /**
     * What a native makes (null: nothing), whether it frees its first argument, the code its valid
     * arguments give when it returns one, and its parameters.
     */
    record Native(Kind makes, boolean frees, long validCode, Param... params) {}

    private static final String OBJECT_PATH = "Test_AllTypes.Name=\"full\"";
    private static final String QUERY = "SELECT * FROM Test_Keyed";

    private static Native makes(Kind kind, Param... params) {
        return new Native(kind, false, 0, params);
    }

    private static Native frees(Kind kind) {
        return new Native(null, true, 0, Param.handle(kind));
    }

    private static Native uses(Param... params) {
        return new Native(null, false, 0, params);
    }

    private static Native put(String property, Object value) {
        return uses(Param.handle(Kind.OBJECT), Param.text(property), Param.value(value));
    }

    /** Every native of every natives class: a native missing here fails the test. */
    private static final Map<String, Native> NATIVES = Map.ofEntries(
            Map.entry("WmiServiceConnectServer", makes(Kind.SESSION, Param.text(EmulatorTestBase.TEST_NAMESPACE),
                    Param.text(null), Param.text(null), Param.text(null), Param.holder())),
            Map.entry("WmiServiceDisconnectServer", frees(Kind.SESSION)),
            Map.entry("WmiServiceExecQuery", makes(Kind.RESULT_SET, Param.handle(Kind.SESSION), Param.text(QUERY),
                    Param.holder())),
            Map.entry("WmiObjectEnumHasMoreObjects", uses(Param.handle(Kind.RESULT_SET))),
            Map.entry("WmiObjectEnumNextObject", makes(Kind.OBJECT, Param.handle(Kind.RESULT_SET), Param.holder())),
            Map.entry("WmiObjectEnumReset", uses(Param.handle(Kind.RESULT_SET))),
            Map.entry("WmiObjectEnumObjectCount", uses(Param.handle(Kind.RESULT_SET))),
            Map.entry("WmiObjectEnumDestroy", frees(Kind.RESULT_SET)),
            Map.entry("WmiObjectDestroy", frees(Kind.OBJECT)),
            Map.entry("WmiServiceGetObject", makes(Kind.OBJECT, Param.handle(Kind.SESSION), Param.text(OBJECT_PATH),
                    Param.holder())),
            Map.entry("WmiObjectGetInstance", makes(Kind.OBJECT, Param.handle(Kind.CLASS), Param.holder())),
            Map.entry("WmiObjectGetPropertyObject", makes(Kind.OBJECT, Param.handle(Kind.OBJECT),
                    Param.text("ObjectValue"), Param.holder())),
            Map.entry("WmiServiceGetMethod", makes(Kind.METHOD, Param.handle(Kind.SESSION), Param.text("Test_Methods"),
                    Param.text("Echo"), Param.holder())),
            Map.entry("WmiMethodGetInputProperties", makes(Kind.OBJECT, Param.handle(Kind.METHOD), Param.holder())),
            Map.entry("WmiMethodExecuteMth", makes(Kind.OBJECT, Param.handle(Kind.METHOD), Param.text("Test_Methods"),
                    Param.handle(Kind.INPUT), Param.holder())),
            Map.entry("WmiMethodDestroy", frees(Kind.METHOD)),
            Map.entry("WmiObjectGetProperty", uses(Param.handle(Kind.OBJECT), Param.text("StringValue"),
                    Param.holder())),
            Map.entry("WmiObjectGetPropertyValues", uses(Param.handle(Kind.OBJECT), Param.text("StringArray"),
                    Param.collection())),
            Map.entry("WmiObjectGetPropertyQualifierValue", uses(Param.handle(Kind.OBJECT), Param.text("SInt32Value"),
                    Param.text("Description"), Param.holder())),
            Map.entry("WmiObjectPutPropertyBoolean", put("BooleanValue", true)),
            Map.entry("WmiObjectPutPropertyByte", put("SInt8Value", (byte) -5)),
            Map.entry("WmiObjectPutPropertyShort", put("SInt16Value", (short) -300)),
            Map.entry("WmiObjectPutPropertyInt", put("SInt32Value", 70000)),
            Map.entry("WmiObjectPutPropertyDouble", put("Real64Value", 2.5)),
            Map.entry("WmiObjectPutPropertyFloat", put("Real32Value", 0.5f)),
            Map.entry("WmiObjectPutPropertyString", uses(Param.handle(Kind.OBJECT), Param.text("StringValue"),
                    Param.text("written"))),
            Map.entry("WmiObjectPutPropertyObject", uses(Param.handle(Kind.OBJECT), Param.text("ObjectValue"),
                    Param.handle(Kind.OBJECT))),
            Map.entry("WmiObjectPutPropertyAsType", uses(Param.handle(Kind.OBJECT), Param.text("UInt32Value"),
                    Param.value(VT_UI4), Param.value(4000000000L))),
            Map.entry("WmiObjectPutPropertyBooleanArray", put("BooleanArray", new boolean[] {true, false})),
            Map.entry("WmiObjectPutPropertyByteArray", put("SInt8Array", new byte[] {1, -1})),
            Map.entry("WmiObjectPutPropertyShortArray", put("SInt16Array", new short[] {1, -1})),
            Map.entry("WmiObjectPutPropertyIntArray", put("SInt32Array", new int[] {1, -1})),
            Map.entry("WmiObjectPutPropertyDoubleArray", put("Real64Array", new double[] {1.5, -1})),
            Map.entry("WmiObjectPutPropertyFloatArray", put("Real32Array", new float[] {1.5f, -1})),
            Map.entry("WmiObjectPutPropertyStringArray", uses(Param.handle(Kind.OBJECT), Param.text("StringArray"),
                    Param.value(new String[] {"a", null, ""}))),
            Map.entry("WmiObjectPutPropertyAsTypeArray", uses(Param.handle(Kind.OBJECT), Param.text("UInt32Array"),
                    Param.value(VT_UI4), Param.value(new long[] {1, 4000000000L}))),
            Map.entry("Win32Format", uses(Param.value(5))),
            Map.entry("WmiObjectListProperties", uses(Param.handle(Kind.OBJECT),
                    Param.value(WmiExtensions.LIST_SYSTEM_PROPERTIES), Param.holder())),
            Map.entry("WmiServiceExecQueryStreaming", makes(Kind.STREAM, Param.handle(Kind.SESSION), Param.text(QUERY),
                    Param.holder())),
            Map.entry("WmiObjectStreamNextBatch", uses(Param.handle(Kind.STREAM), Param.value(10000),
                    Param.value(new long[16]))),
            Map.entry("WmiObjectStreamDestroy", frees(Kind.STREAM)),
            // A key that no test makes: it is not found (2).
            Map.entry("nativeVerifyCredentials", new Native(null, false, 2, Param.text(null), Param.text(null),
                    Param.text("."), Param.text("Software\\HostileArgumentsTest"))));

    private static final List<Class<?>> NATIVES_CLASSES =
            List.of(WmiConnector.class, WmiError.class, WmiExtensions.class, WmiConnectionPool.class);

    /** The handles one call works on; everything it made is freed by close. */
    private static final class Handles implements AutoCloseable {
        private final List<long[]> owned = new ArrayList<>(); // {kind ordinal, handle}
        private long session;
        private long method;

        long fresh(Kind kind) {
            long handle = switch (kind) {
                case SESSION -> made(h -> WmiConnector.WmiServiceConnectServer(TEST_NAMESPACE, null, null, null, h));
                case RESULT_SET -> made(h -> WmiConnector.WmiServiceExecQuery(session(), QUERY, h));
                case OBJECT -> made(h -> WmiConnector.WmiServiceGetObject(session(), OBJECT_PATH, h));
                case CLASS -> made(h -> WmiConnector.WmiServiceGetObject(session(), "Test_Keyed", h));
                case METHOD -> made(h -> WmiConnector.WmiServiceGetMethod(session(), "Test_Methods", "Echo", h));
                case INPUT -> made(h -> WmiConnector.WmiMethodGetInputProperties(method(), h));
                case STREAM -> made(h -> WmiExtensions.WmiServiceExecQueryStreaming(session(), QUERY, h));
            };
            owned.add(new long[] {kind.ordinal(), handle});
            return handle;
        }

        private long session() {
            if (session == 0) {
                session = fresh(Kind.SESSION);
            }
            return session;
        }

        private long method() {
            if (method == 0) {
                method = fresh(Kind.METHOD);
            }
            return method;
        }

        /** Forgets a handle that a call freed. */
        void freedBy(long handle) {
            owned.removeIf(entry -> entry[1] == handle);
        }

        void adopt(Kind kind, long handle) {
            if (handle != 0) {
                owned.add(new long[] {kind.ordinal(), handle});
            }
        }

        @Override
        public void close() {
            // In reverse order: what was made from a session goes before the session.
            for (int i = owned.size() - 1; i >= 0; i--) {
                Kind.values()[(int) owned.get(i)[0]].free(owned.get(i)[1]);
            }
        }

        private interface Maker {
            long make(Holder holder);
        }

        private static long made(Maker maker) {
            Holder holder = new Holder();
            assertEquals(0L, maker.make(holder), "making a valid handle");
            return holder.single();
        }
    }

    /** One hostile value of a parameter, with what it is called in messages. */
    record Variant(String name, Object value) {}

    private static List<Variant> variants(Param param, Class<?> type, Handles handles) {
        List<Variant> variants = new ArrayList<>();
        switch (param.role()) {
            case "handle" -> {
                variants.add(new Variant("handle 0", 0L));
                variants.add(new Variant("valid handle", handles.fresh(param.kind())));
            }
            case "text" -> {
                String valid = (String) param.valid();
                String base = valid == null ? "text" : valid;
                variants.add(new Variant("valid text", valid));
                variants.add(new Variant("null text", null));
                variants.add(new Variant("empty text", ""));
                variants.add(new Variant("huge text", HUGE));
                variants.add(new Variant("text with U+0000 inside", base + "\u0000" + base));
                variants.add(new Variant("text ending in U+0000", base + "\u0000\u0000"));
                variants.add(new Variant("lone high surrogate", base + "\uD800"));
                variants.add(new Variant("lone low surrogate", "\uDC00" + base));
            }
            case "holder" -> {
                variants.add(new Variant("valid holder", new Holder()));
                variants.add(new Variant("null holder", null));
                variants.add(new Variant("holder without set(long)", new NoSetHolder()));
                variants.add(new Variant("throwing holder", new ThrowingHolder()));
            }
            case "collection" -> {
                variants.add(new Variant("valid collection", new ArrayList<>()));
                variants.add(new Variant("null collection", null));
                variants.add(new Variant("collection without add", new Object()));
                variants.add(new Variant("throwing collection", new ThrowingCollection()));
            }
            default -> {
                variants.add(new Variant("valid value", copyOf(param.valid())));
                variants.addAll(extremes(type));
            }
        }
        return variants;
    }

    private static List<Variant> extremes(Class<?> type) {
        if (type == int.class) {
            return List.of(new Variant("int min", Integer.MIN_VALUE), new Variant("int -1", -1),
                    new Variant("int max", Integer.MAX_VALUE));
        }
        if (type == long.class) {
            return List.of(new Variant("long min", Long.MIN_VALUE), new Variant("long max", Long.MAX_VALUE));
        }
        if (type == double.class) {
            return List.of(new Variant("NaN", Double.NaN), new Variant("infinity", Double.NEGATIVE_INFINITY));
        }
        if (type == float.class) {
            return List.of(new Variant("NaN", Float.NaN), new Variant("infinity", Float.POSITIVE_INFINITY));
        }
        if (type.isArray()) {
            Object huge = java.lang.reflect.Array.newInstance(type.getComponentType(), HUGE_ARRAY);
            if (type == String[].class) {
                Arrays.fill((String[]) huge, "element");
            }
            return List.of(new Variant("null array", null),
                    new Variant("empty array", java.lang.reflect.Array.newInstance(type.getComponentType(), 0)),
                    new Variant("huge array", huge));
        }
        return List.of(); // boolean, byte and short take every value alike
    }

    @Test
    void everyNativeTakesHostileArgumentsWithoutHarm() throws Exception {
        TreeSet<String> unknown = new TreeSet<>();
        int calls = 0;
        for (Class<?> natives : NATIVES_CLASSES) {
            for (Method method : natives.getDeclaredMethods()) {
                if (!Modifier.isNative(method.getModifiers())) {
                    continue;
                }
                Native shape = NATIVES.get(method.getName());
                if (shape == null || shape.params().length != method.getParameterCount()) {
                    unknown.add(natives.getSimpleName() + "." + method.getName());
                    continue;
                }
                for (int varied = 0; varied < shape.params().length; varied++) {
                    calls += callVaryingOne(method, shape, varied);
                }
            }
        }
        assertEquals(List.of(), List.copyOf(unknown), "natives that this test does not know: describe them in NATIVES");
        assertTrue(calls > 500, "calls made: " + calls);
    }

    /** Calls the native once per variant of parameter `varied`; returns how many calls it made. */
    private static int callVaryingOne(Method method, Native shape, int varied) throws Exception {
        Param[] params = shape.params();
        Class<?>[] types = method.getParameterTypes();
        int count;
        try (Handles listing = new Handles()) {
            count = variants(params[varied], types[varied], listing).size();
        }
        for (int v = 0; v < count; v++) {
            String aliveBefore = Emulator.whatIsAlive();
            String what;
            try (Handles handles = new Handles()) {
                Variant variant = variants(params[varied], types[varied], handles).get(v);
                what = method.getName() + " with " + variant.name() + " as argument " + (varied + 1);
                Object[] arguments = new Object[params.length];
                for (int i = 0; i < params.length; i++) {
                    arguments[i] = i == varied ? variant.value() : validArgument(params[i], handles);
                }
                Object result = invoke(method, arguments, what);
                if (shape.frees()) {
                    handles.freedBy((Long) arguments[0]);
                }
                adoptWhatWasMade(shape, arguments, handles);
                checkResult(method, shape, varied, variant, arguments, result, what);
            }
            assertEquals(aliveBefore, Emulator.whatIsAlive(), "alive after " + what);
        }
        return count;
    }

    private static Object validArgument(Param param, Handles handles) {
        return switch (param.role()) {
            case "handle" -> handles.fresh(param.kind());
            case "holder" -> new Holder();
            case "collection" -> new ArrayList<>();
            default -> copyOf(param.valid());
        };
    }

    /** Arrays are copied for every call: a call may write into its array. */
    private static Object copyOf(Object value) {
        if (value != null && value.getClass().isArray()) {
            int length = java.lang.reflect.Array.getLength(value);
            Object copy = java.lang.reflect.Array.newInstance(value.getClass().getComponentType(), length);
            System.arraycopy(value, 0, copy, 0, length);
            return copy;
        }
        return value;
    }

    private static Object invoke(Method method, Object[] arguments, String what) throws IllegalAccessException {
        try {
            return method.invoke(null, arguments);
        } catch (InvocationTargetException e) {
            Throwable thrown = e.getCause();
            // What a hostile holder or collection throws, or the lookup of a method it lacks.
            if (thrown instanceof ThrowingHolder.Refusal || thrown instanceof IllegalStateException
                    || thrown instanceof NoSuchMethodError) {
                return null;
            }
            throw new AssertionError(what + " threw", thrown);
        }
    }

    /** Hands every handle the call gave out to `handles`, which frees it. */
    private static void adoptWhatWasMade(Native shape, Object[] arguments, Handles handles) {
        for (Object argument : arguments) {
            List<Long> given = argument instanceof Holder holder ? holder.values()
                    : argument instanceof ThrowingHolder holder ? holder.values() : List.of();
            if (shape.makes() != null) {
                given.forEach(handle -> handles.adopt(shape.makes(), handle));
            }
            if (argument instanceof long[] batch && shape.params()[0].kind() == Kind.STREAM) {
                for (long handle : batch) {
                    handles.adopt(Kind.OBJECT, handle);
                }
            }
        }
    }

    private static void checkResult(Method method, Native shape, int varied, Variant variant, Object[] arguments,
            Object result, String what) {
        Param param = shape.params()[varied];
        boolean returnsCode = method.getReturnType() == long.class && !method.getName().equals("WmiObjectStreamNextBatch");
        switch (variant.name()) {
            case "text with U+0000 inside" -> assertEquals(INVALID_PARAMETER, codeOf(result, arguments),
                    what + " must be refused");
            case "handle 0" -> {
                if (returnsCode && param.kind() != Kind.INPUT) {
                    assertEquals(INVALID_PARAMETER, result, what);
                }
            }
            case "text ending in U+0000" -> {
                // Text that only ends in NULs reads as the text before them, which is valid.
                if (returnsCode && param.valid() != null) {
                    assertEquals(shape.validCode(), result, what);
                }
            }
            default -> {
                if (variant.name().startsWith("valid") && returnsCode) {
                    assertEquals(shape.validCode(), result, what + ": the valid arguments must be valid");
                }
            }
        }
    }

    /** The code a call gave: its result, or what it reported through its holder. */
    private static long codeOf(Object result, Object[] arguments) {
        if (result instanceof Long code) {
            return code;
        }
        for (Object argument : arguments) {
            if (argument instanceof Holder holder && !holder.values().isEmpty()) {
                return holder.values().get(holder.values().size() - 1);
            }
        }
        fail("no code: result " + result);
        return 0;
    }

    // ---- U+0000 in text: refused where it would cut text off, harmless at the end ----

    @Test
    void aQueryWithTextAfterANulIsRefusedNotCut() {
        try (Wmi.Session session = Wmi.connect(TEST_NAMESPACE)) {
            Holder holder = new Holder();
            assertEquals(INVALID_PARAMETER, WmiConnector.WmiServiceExecQuery(session.handle,
                    "SELECT * FROM Test_Keyed\u0000 WHERE Name='alpha'", holder));
            assertTrue(holder.untouched());
            assertEquals(List.of("alpha", "beta", "gamma", "delta"),
                    Wmi.column(session, "SELECT * FROM Test_Keyed\u0000\u0000", "Name"),
                    "a query that only ends in NULs runs as the text before them");
        }
    }

    @Test
    void aStringValueWithTextAfterANulIsRefusedAndNothingIsWritten() {
        try (Wmi.Session session = Wmi.connect(TEST_NAMESPACE);
                Wmi.WmiObject object = Wmi.single(session, "SELECT * FROM Test_AllTypes WHERE Name='full'")) {
            long handle = object.handle;
            String text = object.get("StringValue");
            assertEquals(INVALID_PARAMETER, WmiConnector.WmiObjectPutPropertyString(handle, "StringValue", "a\u0000b"));
            assertEquals(text, object.get("StringValue"));
            assertEquals(INVALID_PARAMETER, WmiConnector.WmiObjectPutPropertyStringArray(handle, "StringArray",
                    new String[] {"kept", "a\u0000b"}));
            List<String> elements = new ArrayList<>();
            assertEquals(0L, WmiConnector.WmiObjectGetPropertyValues(handle, "StringArray", elements));
            assertEquals(List.of("one", "", "three"), elements);

            assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(handle, "StringValue", "ab\u0000\u0000"));
            assertEquals("ab", object.get("StringValue"), "text that only ends in NULs is the text before them");
        }
    }

    @Test
    void credentialsWithTextAfterANulAreRefusedBeforeAnyCheck() {
        assertEquals(INVALID_PARAMETER, WmiConnectionPool.nativeVerifyCredentials("user\u0000x", "pw", ".", "Software"));
        assertEquals(INVALID_PARAMETER, WmiConnectionPool.nativeVerifyCredentials(null, null, ".\u0000other", "Software"));
        // Without the NUL the same host is asked, and the missing key answers 2.
        assertEquals(2L, WmiConnectionPool.nativeVerifyCredentials(null, null, ".", "Software\\Missing\u0000"));
    }

    // ---- a holder whose set(long) throws ----

    @Test
    void aThrowingHolderKeepsNothingButTheObjectItWasGiven() {
        try (Wmi.Session session = Wmi.connect(TEST_NAMESPACE)) {
            String before = Emulator.whatIsAlive();
            Holder plain = new Holder();
            assertEquals(0L, WmiConnector.WmiServiceGetObject(session.handle, OBJECT_PATH, plain));
            String withOneObject = Emulator.whatIsAlive();
            WmiConnector.WmiObjectDestroy(plain.single());
            assertNotEquals(before, withOneObject);

            ThrowingHolder throwing = new ThrowingHolder();
            try {
                WmiConnector.WmiServiceGetObject(session.handle, OBJECT_PATH, throwing);
                fail("set(long) threw, and the exception reaches the caller");
            } catch (ThrowingHolder.Refusal expected) {
                // the handle was stored before set threw
            }
            assertEquals(withOneObject, Emulator.whatIsAlive(), "the new object and nothing else stays alive");
            try (Wmi.WmiObject object = new Wmi.WmiObject(throwing.values().get(0))) {
                assertEquals("full", object.get("Name"), "the handle set was given stays usable");
            }
            assertEquals(before, Emulator.whatIsAlive());
        }
    }
}
