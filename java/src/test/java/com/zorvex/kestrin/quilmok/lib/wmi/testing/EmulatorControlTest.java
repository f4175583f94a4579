package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The emulator's controls reach the platform layer from Java. */
class EmulatorControlTest {
    private static final int WBEM_E_NOT_FOUND = 0x80041002;
    private static final int RPC_E_CHANGED_MODE = 0x80010106;

    @BeforeEach
    void reset() {
        Emulator.resetAll();
    }

    /**
     * Checks the emulator's kinds only: other tests in the same JVM may leave values behind that
     * the libraries keep for the life of the process.
     */
    @AfterEach
    void noProxyOrObjectLeftAlive() {
        Emulator.resetAll();
        for (int kind : new int[] {Emulator.KIND_WBEM_LOCATOR, Emulator.KIND_WBEM_SERVICES,
                Emulator.KIND_WBEM_ENUMERATOR, Emulator.KIND_CLIENT_SECURITY, Emulator.KIND_WBEM_CLASS_OBJECT,
                Emulator.KIND_WBEM_INSTANCE}) {
            assertEquals(0, Emulator.liveCount(kind), "kind " + kind);
        }
        assertEquals(0, Emulator.apartmentDepth());
    }

    @Test
    void loadsMofAndReportsErrors() {
        assertEquals(0, Emulator.loadMof(".", "root\\default",
                "class Java_Item { [key] string Name; }; instance of Java_Item { Name = \"x\"; };"));
        assertTrue(Emulator.loadMof(null, "root\\default", "class {") < 0);
        assertEquals(WBEM_E_NOT_FOUND, Emulator.loadMof("NOWHERE", null, "class A { };"));

        Emulator.addHost("FARHOST", true);
        assertEquals(0, Emulator.loadMof("FARHOST", "root\\default", "class Far_Item { [key] string Id; };"));
        assertTrue(Emulator.addAccount("FARHOST", "CORP", "alice", "pw", false));
        assertFalse(Emulator.addAccount("NOWHERE", "CORP", "alice", "pw", false));
        assertTrue(Emulator.setHostNoAuthentication("FARHOST", true));
    }

    @Test
    void readsCountersAndRecordsNoBlanketWithoutProxies() {
        assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_SERVICES));
        assertEquals(0, Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR));
        assertEquals(0, Emulator.callCount(Emulator.OP_CONNECT_SERVER));
        assertNull(Emulator.lastServicesBlanket());
        assertNull(Emulator.lastEnumeratorBlanket());
        assertFalse(Emulator.localHostName().isEmpty());
    }

    @Test
    void entersAndLeavesASingleThreadedApartment() {
        assertEquals(0, Emulator.apartmentDepth());
        assertEquals(0, Emulator.enterSingleThreadedApartment());
        assertEquals(1, Emulator.apartmentDepth());
        assertTrue(Emulator.whatIsAlive().contains("COM initialisation depth"));
        Emulator.leaveApartment();
        assertEquals(0, Emulator.apartmentDepth());
    }

    @Test
    void faultsAndDelaysAreAccepted() {
        Emulator.setCallResult(Emulator.OP_CONNECT_SERVER, 1, RPC_E_CHANGED_MODE);
        Emulator.succeedWithoutObject(Emulator.OP_GET_OBJECT, 2);
        Emulator.failProviderAfter("Win32_Process", 1, WBEM_E_NOT_FOUND);
        Emulator.setClassDelay("Win32_Process", 5);
        assertEquals(0, Emulator.callCount(Emulator.OP_GET_OBJECT));
    }
}
