package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertSame;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.Map;
import org.junit.jupiter.api.Test;

/** WMI methods: inputs written by their parameter types, outputs typed, return values as data. */
class MethodsTest extends ApiTestBase {
    @Test
    void aStaticMethodWithInputsAndAReturnValue() {
        try (WmiSession wmi = connectTest()) {
            MethodResult sum = wmi.invoke("Test_Methods", "Add", Map.of("A", 40, "B", 2));
            assertEquals(42, sum.returnValue());
            assertEquals(Map.of(), sum.outputs());
        }
    }

    @Test
    void inputsOfEveryShapeAndOutputs() {
        try (WmiSession wmi = connectTest(); WmiObject item = wmi.spawn("Test_Keyed")) {
            item.put("Name", "item");
            MethodResult echo = wmi.invoke("Test_Methods", "Echo", Map.of("Text", "hello", "Number", -5,
                    "List", List.of("a", "b"), "Item", item, "Counter", 4000000000L));
            assertEquals("hello|-5|a,b|Test_Keyed", echo.output("Combined"));
            assertEquals(4000000001L, echo.output("counter"), "a uint32 in and out, names ignore case");
            // A return value that is not a number stays an output.
            assertEquals(0, echo.returnValue());
            assertEquals("hello", echo.output("ReturnValue"));
        }
    }

    @Test
    void outputsOnlyAndAnInstanceMethod() {
        try (WmiSession wmi = connectTest()) {
            MethodResult info = wmi.invoke("Test_Methods", "GetInfo", Map.of());
            assertEquals(Map.of("Text", "emulated", "Count", 3L), info.outputs());
            MethodResult described = wmi.invoke("Test_Methods.Name=\"methods\"", "Describe", Map.of());
            assertEquals("Test_Methods.Name=\"methods\"", described.output("Description"));
            MethodResult ping = wmi.invoke("\\\\.\\root\\test:Test_Methods", "Ping", Map.of());
            assertEquals(0, ping.returnValue());
        }
    }

    @Test
    void aNonZeroReturnValueIsDataUntilOrThrow() {
        try (WmiSession wmi = connectTest()) {
            MethodResult failed = wmi.invoke("Test_Methods", "Add", Map.of("A", 1, "B", 2));
            assertEquals(3, failed.returnValue());
            assertFalse(failed.succeeded());
            WmiMethodException error = assertThrows(WmiMethodException.class, failed::orThrow);
            assertEquals(3, error.code());
            assertSame(failed, error.result());
            assertEquals("method Add", error.operation());
            MethodResult ok = wmi.invoke("Test_Methods", "Add", Map.of("A", 0, "B", 0));
            assertSame(ok, ok.orThrow());
        }
    }

    @Test
    void methodFailuresAreExceptions() {
        try (WmiSession wmi = connectTest()) {
            assertThrows(WmiNotFoundException.class, () -> wmi.invoke("Test_Methods", "Nope", Map.of()));
            assertThrows(WmiNotFoundException.class, () -> wmi.invoke("Test_Nope", "Ping", Map.of()));
            assertThrows(IllegalArgumentException.class, () -> wmi.invoke("Test_Methods", "Ping", Map.of("X", 1)),
                    "Ping takes no input parameters");
            assertThrows(IllegalArgumentException.class,
                    () -> wmi.invoke("Test_Methods", "Add", Map.of("A", "not a number", "B", 1)));
        }
    }

    @Test
    void getOwnerOfALiveProcess() {
        try (WmiSession wmi = Wmi.connect()) {
            long pid = ProcessHandle.current().pid();
            MethodResult owner = wmi.invoke("Win32_Process.Handle=\"" + pid + "\"", "GetOwner", Map.of()).orThrow();
            assertFalse(((String) owner.output("User")).isEmpty(), owner.outputs().toString());
        }
    }
}
