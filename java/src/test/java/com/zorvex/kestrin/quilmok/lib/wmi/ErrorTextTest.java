package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Win32Emulator;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** WmiError.Win32Format in a real JVM against the platform layer's message table and modules. */
class ErrorTextTest {
    private static final String NEWER_MODULE = "C:\\Windows\\System32\\wbem\\wmiutils.dll";
    private static final String OLDER_MODULE = "C:\\Windows\\System32\\wbem\\wbemcomn.dll";

    /** What was alive before the test: values the libraries keep for the life of the process. */
    private String aliveBefore;

    @BeforeEach
    void reset() {
        Win32Emulator.resetAll();
        aliveBefore = Win32Emulator.whatIsAlive();
    }

    @AfterEach
    void everyModuleWasReleased() {
        try {
            assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_MESSAGE_MODULE));
            assertEquals(aliveBefore, Win32Emulator.whatIsAlive());
        } finally {
            Win32Emulator.resetAll();
        }
    }

    /** The text after the prefix, checking that the prefix is there and one module was consulted. */
    private static String moduleTextAfter(String prefix, int code) {
        int loadsBefore = Win32Emulator.moduleLoadCount();
        String text = WmiError.Win32Format(code);
        assertTrue(text.startsWith(prefix), () -> "\"" + text + "\" does not start with \"" + prefix + "\"");
        assertEquals(loadsBefore + 1, Win32Emulator.moduleLoadCount(), "one module per call");
        assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_MESSAGE_MODULE));
        return text.substring(prefix.length());
    }

    @Test
    void zeroGivesTheEmptyTextWithoutAskingAnyone() {
        assertEquals("", WmiError.Win32Format(0));
        assertEquals(0, Win32Emulator.moduleLoadCount());
    }

    @Test
    void systemTextComesAloneForCodesTheSystemKnows() {
        String accessDenied = WmiError.Win32Format(5);
        assertFalse(accessDenied.isEmpty());
        assertTrue(accessDenied.endsWith("\r\n"), accessDenied);
        assertFalse(accessDenied.contains(" - "), accessDenied);  // no WMI prefix, although 5 indexes one
        assertEquals(accessDenied, WmiError.Win32Format(0x80070005));
        assertNotEquals(accessDenied, WmiError.Win32Format(1326));
        assertTrue(WmiError.Win32Format(0x80004005).endsWith("\r\n"));
        assertEquals(0, Win32Emulator.moduleLoadCount());
    }

    @Test
    void wmiCodeGetsItsNameAndTheModulesText() {
        String text = moduleTextAfter("WBEM_E_ACCESS_DENIED - ", 0x80041003);
        assertTrue(text.length() > 2 && text.endsWith("\r\n"), text);
        // 6.2, what Windows reports to programs without a compatibility manifest, takes the newer module.
        assertEquals(NEWER_MODULE, Win32Emulator.lastModulePath());
        assertNotEquals(text, moduleTextAfter("WBEM_E_FAILED - ", 0x80041001));
        assertTrue(moduleTextAfter("WBEM_E_VETO_PUT - ", 0x8004107A).endsWith("\r\n"));
    }

    @Test
    void codesWithoutANameGetTheirNumber() {
        assertEquals("", moduleTextAfter("0x8004104A - ", 0x8004104A));
        assertEquals("", moduleTextAfter("0x8004107B - ", 0x8004107B));
        assertEquals("", moduleTextAfter("0x80041100 - ", 0x80041100));
        assertEquals("", moduleTextAfter("0x8004108B - ", 0x8004108B));
    }

    @Test
    void codesOutsideTheWmiRangeTakeTheNameOfTheirLowBits() {
        // The event subsystem's code has a text of its own in the module.
        assertTrue(moduleTextAfter("WBEM_E_FAILED - ", 0x80042001).endsWith("\r\n"));
        assertEquals("", moduleTextAfter("WBEM_E_ACCESS_DENIED - ", 0x80043003));
        assertEquals("", moduleTextAfter("WBEM_E_PROVIDER_DISABLED - ", 0x0000708A));
    }

    @Test
    void indexZeroGivesTheEmptyName() {
        assertEquals("", moduleTextAfter(" - ", 0x80042000));
        assertEquals("", moduleTextAfter(" - ", 0x80041000));
    }

    @ParameterizedTest(name = "Windows {0}.{1} reads {2}")
    @CsvSource({
        "5, 0, wbemcomn.dll",
        "6, 0, wbemcomn.dll",
        "10, 0, wbemcomn.dll",
        "4, 1, wbemcomn.dll",
        "5, 1, wmiutils.dll",
        "5, 2, wmiutils.dll",
        "6, 1, wmiutils.dll",
        "6, 3, wmiutils.dll",
        "10, 1, wmiutils.dll",
    })
    void moduleIsChosenByVersion(int major, int minor, String module) {
        Win32Emulator.setWindowsVersion(major, minor);
        try {
            String text = moduleTextAfter("WBEM_E_INVALID_LOCALE - ", 0x80041080);
            assertEquals("C:\\Windows\\System32\\wbem\\" + module, Win32Emulator.lastModulePath());
            // Only the newer module describes the codes added with it.
            assertEquals(module.equals("wmiutils.dll"), !text.isEmpty(), text);
            assertFalse(moduleTextAfter("WBEM_E_ACCESS_DENIED - ", 0x80041003).isEmpty());
        } finally {
            Win32Emulator.resetAll();
        }
    }

    @Test
    void olderModuleIsConsultedAlone() {
        Win32Emulator.setWindowsVersion(5, 0);
        try {
            String older = moduleTextAfter("WBEM_E_ACCESS_DENIED - ", 0x80041003);
            assertEquals(OLDER_MODULE, Win32Emulator.lastModulePath());
            Win32Emulator.setWindowsVersion(6, 1);
            assertEquals(older, moduleTextAfter("WBEM_E_ACCESS_DENIED - ", 0x80041003));
            assertEquals(NEWER_MODULE, Win32Emulator.lastModulePath());
        } finally {
            Win32Emulator.resetAll();
        }
    }

    @Test
    void withoutSystemRootThePrefixStandsAlone() {
        Win32Emulator.removeSystemRoot(true);
        try {
            assertEquals("WBEM_E_ACCESS_DENIED - ", WmiError.Win32Format(0x80041003));
            assertEquals("0x80041100 - ", WmiError.Win32Format(0x80041100));
            assertEquals(0, Win32Emulator.moduleLoadCount());
            assertNull(Win32Emulator.lastModulePath());
            // The system table does not depend on it.
            assertTrue(WmiError.Win32Format(5).endsWith("\r\n"));
        } finally {
            Win32Emulator.removeSystemRoot(false);
        }
    }

    @Test
    void withAModuleThatCannotBeLoadedThePrefixStandsAlone() {
        Win32Emulator.setSystemRoot("C:\\NoWindowsHere");
        try {
            assertEquals("WBEM_E_ACCESS_DENIED - ", WmiError.Win32Format(0x80041003));
            assertEquals(0, Win32Emulator.moduleLoadCount());
        } finally {
            Win32Emulator.setSystemRoot(null);
        }
    }

    @Test
    void modulesAreReleasedAfterEveryCallAlsoFromManyThreads() throws Exception {
        int[] codes = {0x80041003, 0x8004104A, 0x80042000, 0x80041100, 5, 0};
        int calls = 0;
        for (int code : codes) {
            WmiError.Win32Format(code);
            calls += (code != 0 && code != 5) ? 1 : 0;
        }
        assertEquals(calls, Win32Emulator.moduleLoadCount());

        ExecutorService pool = Executors.newFixedThreadPool(8);
        try {
            List<Future<String>> results = new ArrayList<>();
            for (int i = 0; i < 400; i++) {
                int code = codes[i % codes.length];
                Callable<String> format = () -> WmiError.Win32Format(code);
                results.add(pool.submit(format));
            }
            for (int i = 0; i < results.size(); i++) {
                assertEquals(WmiError.Win32Format(codes[i % codes.length]), results.get(i).get());
            }
        } finally {
            pool.shutdownNow();
        }
        assertEquals(0, Win32Emulator.liveCount(Win32Emulator.KIND_MESSAGE_MODULE));
    }
}
