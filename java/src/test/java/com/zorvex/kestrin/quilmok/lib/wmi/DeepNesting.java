package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import java.util.ArrayList;
import java.util.List;

/**
 * The deep-nesting cases, each run by {@link DeepNestingTest} in a JVM of its own: a case that
 * exhausts the stack kills only that JVM. Each prints what it saw as {@code name=value} lines
 * and ends with {@code alive=} and what was still alive (nothing, when all went well).
 */
public final class DeepNesting {
    private static final int HKEY_CURRENT_USER = 0x80000001;

    private DeepNesting() {}

    public static void main(String[] args) {
        Emulator.resetAll();
        String aliveBefore = Emulator.whatIsAlive();
        switch (args[0]) {
            case "embedding" -> embedding(Integer.parseInt(args[1]));
            case "mof" -> mof(Integer.parseInt(args[1]));
            case "registry" -> registry(args);
            default -> throw new IllegalArgumentException(args[0]);
        }
        Emulator.resetAll();
        String alive = Emulator.whatIsAlive();
        System.out.println("alive=" + (alive.equals(aliveBefore) ? "" : alive));
    }

    /** Puts object i-1 into object i, `levels` times, keeping only the newest handle. */
    private static void embedding(int levels) {
        long session = made(h -> WmiConnector.WmiServiceConnectServer("root\\test", null, null, null, h));
        long cls = made(h -> WmiConnector.WmiServiceGetObject(session, "Test_AllTypes", h));
        long inner = made(h -> WmiConnector.WmiObjectGetInstance(cls, h));
        int firstRefused = 0;
        long refusal = 0;
        int refused = 0;
        for (int level = 2; level <= levels; level++) {
            long outer = made(h -> WmiConnector.WmiObjectGetInstance(cls, h));
            long code = WmiConnector.WmiObjectPutPropertyObject(outer, "ObjectValue", inner);
            if (code != 0) {
                refused++;
                if (firstRefused == 0) {
                    firstRefused = level;
                    refusal = code;
                }
            }
            WmiConnector.WmiObjectDestroy(inner);
            inner = outer;
        }
        WmiConnector.WmiObjectDestroy(inner);
        WmiConnector.WmiObjectDestroy(cls);
        WmiConnector.WmiServiceDisconnectServer(session);
        System.out.println("firstRefused=" + firstRefused);
        System.out.println("refusal=" + refusal);
        System.out.println("refused=" + refused);
    }

    /** Loads `levels` instances, each the ObjectValue of the one around it. */
    private static void mof(int levels) {
        StringBuilder text = new StringBuilder("instance of Test_AllTypes { Name = \"deep\";\n");
        for (int level = 2; level <= levels; level++) {
            text.append(" ObjectValue = instance of Test_AllTypes {\n");
        }
        for (int level = 2; level <= levels; level++) {
            text.append(" };\n");
        }
        text.append("};\n");
        System.out.println("load=" + Emulator.loadMof(".", "root\\test", text.toString()));
    }

    /** Creates a key of each depth given through StdRegProv and lists the deepest one's parent. */
    private static void registry(String[] args) {
        long session = made(h -> WmiConnector.WmiServiceConnectServer("root\\default", null, null, null, h));
        for (int i = 1; i < args.length; i++) {
            int depth = Integer.parseInt(args[i]);
            StringBuilder path = new StringBuilder("Deep");
            for (int level = 2; level <= depth; level++) {
                path.append("\\K").append(level);
            }
            System.out.println("create" + depth + "=" + registryCall(session, "CreateKey", path.toString(), "ReturnValue"));
            String parent = path.substring(0, Math.max(0, path.lastIndexOf("\\")));
            if (depth > 1) {
                System.out.println("below" + (depth - 1) + "=" + registryCall(session, "EnumKey", parent, "sNames"));
            }
        }
        WmiConnector.WmiServiceDisconnectServer(session);
    }

    /** Runs a StdRegProv method on HKEY_CURRENT_USER with sSubKeyName; one output property as text. */
    private static String registryCall(long session, String method, String subKey, String output) {
        long handle = made(h -> WmiConnector.WmiServiceGetMethod(session, "StdRegProv", method, h));
        long input = made(h -> WmiConnector.WmiMethodGetInputProperties(handle, h));
        WmiConnector.WmiObjectPutPropertyInt(input, "hDefKey", HKEY_CURRENT_USER);
        WmiConnector.WmiObjectPutPropertyString(input, "sSubKeyName", subKey);
        long result = made(h -> WmiConnector.WmiMethodExecuteMth(handle, "StdRegProv", input, h));
        List<String> values = new ArrayList<>();
        WmiConnector.WmiObjectGetPropertyValues(result, output, values);
        WmiConnector.WmiObjectDestroy(result);
        WmiConnector.WmiObjectDestroy(input);
        WmiConnector.WmiMethodDestroy(handle);
        return String.join(",", values);
    }

    private interface Maker {
        long make(Holder holder);
    }

    private static long made(Maker maker) {
        Holder holder = new Holder();
        long code = maker.make(holder);
        if (code != 0) {
            throw new IllegalStateException("set-up call failed with " + code);
        }
        return holder.single();
    }
}
