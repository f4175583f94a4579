package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import java.util.TreeSet;
import org.junit.jupiter.api.Test;

/**
 * Every native method of WmiConnector and WmiExtensions, found by reflection, is bound to an export
 * and answers a zero handle (and null strings and arrays) with its documented failure instead of
 * crashing.
 */
class ExportsContractTest {

    private static Object zeroOf(Class<?> type, Holder holder) {
        if (type == long.class) {
            return 0L;
        }
        if (type == int.class) {
            return 0;
        }
        if (type == short.class) {
            return (short) 0;
        }
        if (type == byte.class) {
            return (byte) 0;
        }
        if (type == boolean.class) {
            return false;
        }
        if (type == float.class) {
            return 0f;
        }
        if (type == double.class) {
            return 0d;
        }
        if (type == Object.class) {
            return holder;
        }
        return null; // strings and arrays
    }

    @Test
    void everyNativeIsBoundAndRefusesAZeroHandle() throws IllegalAccessException {
        assertEquals(36, checkNatives(WmiConnector.class), "native methods of WmiConnector");
        assertEquals(5, checkNatives(WmiExtensions.class), "native methods of WmiExtensions");
    }

    /** Calls every native of the class with zeros; returns how many there are. */
    private static int checkNatives(Class<?> declaring) throws IllegalAccessException {
        List<String> unbound = new ArrayList<>();
        Set<String> natives = new TreeSet<>();
        for (Method method : declaring.getDeclaredMethods()) {
            if (!Modifier.isNative(method.getModifiers())) {
                continue;
            }
            natives.add(method.getName());
            Holder holder = new Holder();
            Class<?>[] types = method.getParameterTypes();
            Object[] arguments = new Object[types.length];
            for (int i = 0; i < types.length; i++) {
                arguments[i] = zeroOf(types[i], holder);
            }
            Object result;
            try {
                result = method.invoke(null, arguments);
            } catch (InvocationTargetException e) {
                if (e.getCause() instanceof UnsatisfiedLinkError) {
                    unbound.add(method.getName());
                    continue;
                }
                throw new AssertionError(method.getName() + " threw", e.getCause());
            }
            checkZeroHandleResult(method, result, holder);
        }
        assertEquals(List.of(), unbound, "exports not bound");
        return natives.size();
    }

    private static void checkZeroHandleResult(Method method, Object result, Holder holder) {
        String name = method.getName();
        Class<?> type = method.getReturnType();
        if (type == long.class) {
            assertEquals(87L, result, name);
            assertTrue(holder.untouched(), name + " must not call the holder");
        } else if (type == String.class || type == Object[].class) {
            assertNull(result, name);
            assertEquals(List.of(87L), holder.values(), name + " reports 87 through the holder");
        } else if (type == boolean.class) {
            assertFalse((Boolean) result, name);
        } else if (type == int.class) {
            assertEquals(0, result, name);
        }
    }

    @Test
    void destroyingHandleZeroDoesNothing() {
        WmiConnector.WmiObjectDestroy(0);
        WmiConnector.WmiObjectEnumDestroy(0);
        WmiExtensions.WmiObjectStreamDestroy(0);
    }
}
