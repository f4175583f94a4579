package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Holder;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.Session;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.Wmi.WmiObject;
import com.zorvex.kestrin.quilmok.lib.wmic.WmiConnectionPool;
import java.io.File;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;

/** The standard classes of root\cimv2 filled from this machine, compared with what Java sees of it. */
class LiveClassesTest extends EmulatorTestBase {
    private static final String CIMV2 = "root\\cimv2";
    private static final long PID = ProcessHandle.current().pid();
    private static final int HKEY_CURRENT_USER = 0x80000001;

    private static WmiObject getObject(Session session, String path) {
        Holder holder = new Holder();
        assertEquals(0L, WmiConnector.WmiServiceGetObject(session.handle, path, holder), path);
        return new WmiObject(holder.single());
    }

    private static long memTotalKilobytes() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/meminfo"))) {
            if (line.startsWith("MemTotal:")) {
                return Long.parseLong(line.replaceAll("[^0-9]", ""));
            }
        }
        throw new AssertionError("no MemTotal in /proc/meminfo");
    }

    @Test
    void theJvmIsListedWithItsIdNameAndParent() {
        String command = ProcessHandle.current().info().command().orElseThrow();
        String expectedName = command.substring(command.lastIndexOf('/') + 1);
        long parent = ProcessHandle.current().parent().orElseThrow().pid();
        try (Session session = Wmi.connect(CIMV2);
                WmiObject jvm = Wmi.single(session,
                        "SELECT Name, ProcessId, ParentProcessId, ExecutablePath FROM Win32_Process WHERE ProcessId = " + PID)) {
            assertEquals(Long.toString(PID), jvm.get("ProcessId"));
            assertEquals(Long.toString(parent), jvm.get("ParentProcessId"));
            assertEquals(expectedName, jvm.get("Name"));
            assertEquals(command, jvm.get("ExecutablePath"));
        }
    }

    @Test
    void getObjectByHandleAndGetOwnerGiveTheCurrentUser() {
        String path = "Win32_Process.Handle=\"" + PID + "\"";
        try (Session session = Wmi.connect(CIMV2); WmiObject jvm = getObject(session, path)) {
            assertEquals(Long.toString(PID), jvm.get("ProcessId"));
            assertTrue(Long.parseLong(jvm.get("WorkingSetSize")) > 0, "working set in bytes");

            Holder method = new Holder();
            assertEquals(0L, WmiConnector.WmiServiceGetMethod(session.handle, "Win32_Process", "GetOwner", method));
            try {
                Holder output = new Holder();
                assertEquals(0L, WmiConnector.WmiMethodExecuteMth(method.single(), path, 0, output));
                try (WmiObject owner = new WmiObject(output.single())) {
                    assertEquals(System.getProperty("user.name"), owner.get("User"));
                    assertEquals("0", owner.get("ReturnValue"));
                }
            } finally {
                WmiConnector.WmiMethodDestroy(method.single());
            }
        }
    }

    @Test
    void rootDiskAgreesWithTheFileSystem() {
        try (Session session = Wmi.connect(CIMV2);
                WmiObject root = getObject(session, "Win32_LogicalDisk.DeviceID=\"/\"")) {
            assertEquals(new File("/").getTotalSpace(), Long.parseLong(root.get("Size")));
            assertEquals("3", root.get("DriveType"));
            long free = Long.parseLong(root.get("FreeSpace"));
            assertTrue(free >= 0 && free <= new File("/").getTotalSpace(), "free space " + free);
        }
    }

    @Test
    void memoryFiguresLieWithinTheHosts() throws IOException {
        long totalKb = memTotalKilobytes();
        try (Session session = Wmi.connect(CIMV2);
                WmiObject os = Wmi.single(session,
                        "SELECT TotalVisibleMemorySize, FreePhysicalMemory, NumberOfProcesses FROM Win32_OperatingSystem");
                WmiObject computer = Wmi.single(session, "SELECT TotalPhysicalMemory FROM Win32_ComputerSystem")) {
            assertEquals(totalKb, Long.parseLong(os.get("TotalVisibleMemorySize")));
            long freeKb = Long.parseLong(os.get("FreePhysicalMemory"));
            assertTrue(freeKb > 0 && freeKb <= totalKb, "free " + freeKb + " of " + totalKb);
            assertTrue(Long.parseLong(os.get("NumberOfProcesses")) > 1);
            assertEquals(totalKb * 1024, Long.parseLong(computer.get("TotalPhysicalMemory")));
        }
    }

    @Test
    void whereSelectsOnLiveValuesAndRepeatedQueriesLeaveNothing() {
        try (Session session = Wmi.connect(CIMV2)) {
            for (int round = 0; round < 10; round++) {
                List<String> ids = Wmi.column(session,
                        "SELECT ProcessId FROM Win32_Process WHERE WorkingSetSize > 0 AND ProcessId = " + PID,
                        "ProcessId");
                assertEquals(List.of(Long.toString(PID)), ids);
            }
            List<String> others = Wmi.column(session,
                    "SELECT ProcessId FROM Win32_Process WHERE ProcessId <> " + PID, "ProcessId");
            assertFalse(others.contains(Long.toString(PID)));
            assertFalse(others.isEmpty());
        }
    }

    /** Runs a StdRegProv method on HKEY_CURRENT_USER with text arguments; the output object. */
    private static WmiObject registry(Session session, String method, String... namesAndValues) {
        Holder methodHolder = new Holder();
        assertEquals(0L, WmiConnector.WmiServiceGetMethod(session.handle, "StdRegProv", method, methodHolder));
        long handle = methodHolder.single();
        try {
            Holder inputHolder = new Holder();
            assertEquals(0L, WmiConnector.WmiMethodGetInputProperties(handle, inputHolder));
            try (WmiObject input = new WmiObject(inputHolder.single())) {
                assertEquals(0L, WmiConnector.WmiObjectPutPropertyInt(input.handle, "hDefKey", HKEY_CURRENT_USER));
                for (int i = 0; i < namesAndValues.length; i += 2) {
                    assertEquals(0L, WmiConnector.WmiObjectPutPropertyString(
                            input.handle, namesAndValues[i], namesAndValues[i + 1]));
                }
                Holder output = new Holder();
                assertEquals(0L, WmiConnector.WmiMethodExecuteMth(handle, "StdRegProv", input.handle, output), method);
                return new WmiObject(output.single());
            }
        } finally {
            WmiConnector.WmiMethodDestroy(handle);
        }
    }

    private static List<String> values(WmiObject object, String property) {
        List<String> values = new ArrayList<>();
        assertEquals(0L, WmiConnector.WmiObjectGetPropertyValues(object.handle, property, values), property);
        return values;
    }

    private static String returnValue(Session session, String method, String... namesAndValues) {
        try (WmiObject output = registry(session, method, namesAndValues)) {
            return output.get("ReturnValue");
        }
    }

    private static long credentialCheckOpens(String keyPath) {
        return WmiConnectionPool.nativeVerifyCredentials(null, null, ".", keyPath);
    }

    @Test
    void registryRoundTripIsSeenByTheCredentialCheck() {
        String key = "Software\\LiveClassesTest";
        try (Session session = Wmi.connect("root\\default")) {
            assertEquals(2L, credentialCheckOpens(key));
            assertEquals("0", returnValue(session, "CreateKey", "sSubKeyName", key));
            assertEquals(0L, credentialCheckOpens(key));

            assertEquals("0", returnValue(session, "SetStringValue",
                    "sSubKeyName", key, "sValueName", "Owner", "sValue", "junit"));
            try (WmiObject value = registry(session, "GetStringValue", "sSubKeyName", key, "sValueName", "Owner")) {
                assertEquals("junit", value.get("sValue"));
                assertEquals("0", value.get("ReturnValue"));
            }
            try (WmiObject keys = registry(session, "EnumKey", "sSubKeyName", "Software")) {
                assertTrue(values(keys, "sNames").contains("LiveClassesTest"));
            }
            try (WmiObject values = registry(session, "EnumValues", "sSubKeyName", key)) {
                assertEquals(List.of("Owner"), values(values, "sNames"));
                assertEquals(List.of("1"), values(values, "Types")); // REG_SZ
            }
            assertEquals("0", returnValue(session, "DeleteValue", "sSubKeyName", key, "sValueName", "Owner"));
            assertEquals("2", returnValue(session, "GetStringValue", "sSubKeyName", key, "sValueName", "Owner"));

            assertEquals("0", returnValue(session, "DeleteKey", "sSubKeyName", key));
            assertEquals(2L, credentialCheckOpens(key));
        }
    }
}
