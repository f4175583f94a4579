package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.BeforeEach;

/**
 * Base of the tests that run the libraries against the WMI emulator: each test starts from the
 * shipped state and must leave nothing alive that was not alive before it — no COM object, BSTR,
 * SAFEARRAY, handle cell or COM initialisation.
 */
public abstract class EmulatorTestBase {
    public static final String TEST_NAMESPACE = "root\\test";

    private String aliveBefore;

    /**
     * The library keeps one value for the life of the process, made by its first query (the
     * query language text); one query before the first test makes it part of every baseline.
     */
    @BeforeAll
    static void makeTheProcessWideValues() {
        Emulator.resetAll();
        Holder holder = new Holder();
        if (WmiConnector.WmiServiceConnectServer(TEST_NAMESPACE, null, null, null, holder) == 0) {
            long session = holder.single();
            Holder set = new Holder();
            if (WmiConnector.WmiServiceExecQuery(session, "SELECT * FROM Test_Singleton", set) == 0) {
                WmiConnector.WmiObjectEnumDestroy(set.single());
            }
            WmiConnector.WmiServiceDisconnectServer(session);
        }
    }

    @BeforeEach
    void startFromTheShippedState() {
        Emulator.resetAll();
        aliveBefore = Emulator.whatIsAlive();
    }

    @AfterEach
    void nothingIsLeftAlive() {
        // Raw values stored into the repository live until it is reset.
        Emulator.resetAll();
        assertEquals(aliveBefore, Emulator.whatIsAlive(), "alive after the test, compared with before it");
    }
}
