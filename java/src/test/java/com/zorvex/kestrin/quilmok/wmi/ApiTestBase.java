package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import com.zorvex.kestrin.quilmok.lib.wmi.testing.EmulatorTestBase;
import java.util.function.BooleanSupplier;

/** Tests of the public API against the emulator; each leaves nothing alive. */
abstract class ApiTestBase extends EmulatorTestBase {
    static final ConnectOptions TEST = ConnectOptions.builder().namespace(TEST_NAMESPACE).build();

    static WmiSession connectTest() {
        return Wmi.connect(TEST);
    }

    /**
     * Waits until a condition holds, for work the library finishes in the background (a call
     * abandoned at its deadline, a Cleaner). Fails when it does not come about within a minute.
     */
    static void eventually(String what, BooleanSupplier condition) {
        long deadline = System.nanoTime() + 60_000_000_000L;
        while (!condition.getAsBoolean()) {
            if (System.nanoTime() > deadline) {
                throw new AssertionError("never came about: " + what + "; alive: " + Emulator.whatIsAlive());
            }
            System.gc();
            try {
                Thread.sleep(20);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                throw new AssertionError(e);
            }
        }
    }

    /** Waits until no query enumerator and no session proxy of the emulator is alive. */
    static void eventuallyNoWmiObjectsAlive() {
        eventually("enumerators and sessions released",
                () -> Emulator.liveCount(Emulator.KIND_WBEM_ENUMERATOR) == 0
                        && Emulator.liveCount(Emulator.KIND_WBEM_SERVICES) == 0);
    }
}
