package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import static org.junit.jupiter.api.Assertions.assertEquals;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;

/**
 * Base of the tests that run the libraries against the WMI emulator: each test starts from the
 * shipped state and must leave nothing alive that was not alive before it — no COM object, BSTR,
 * SAFEARRAY, handle cell or COM initialisation.
 */
public abstract class EmulatorTestBase {
    public static final String TEST_NAMESPACE = "root\\test";

    private String aliveBefore;

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
