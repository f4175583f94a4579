package com.zorvex.kestrin.quilmok.wmi.cli;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.Emulator;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;

/**
 * Runs {@code wmiq} in a JVM of its own after preparing that JVM's emulator, as the tests ask
 * through system properties (each optional):
 * <ul>
 *   <li>{@code wmiq.test.mof}: a file of MOF text loaded into the local repository;</li>
 *   <li>{@code wmiq.test.hosts}: emulated hosts, separated by commas, that share the local
 *       repository;</li>
 *   <li>{@code wmiq.test.account}: {@code HOST:DOMAIN:USER:PASSWORD}, an account on such a host;</li>
 *   <li>{@code wmiq.test.delay}: {@code CLASS:MILLISECONDS}, how long the class's provider takes per
 *       object.</li>
 * </ul>
 * The emulator's controls are in the test-only library {@code palcontrol}, found on
 * {@code java.library.path} beside the libraries it controls.
 */
public final class WmiqLauncher {
    /** Exit code when a control fails, so that the test does not mistake it for the tool's. */
    static final int SETUP_FAILED = 99;

    private WmiqLauncher() {}

    public static void main(String[] args) throws IOException {
        String mof = System.getProperty("wmiq.test.mof");
        if (mof != null) {
            int result = Emulator.loadMof(".", "root\\test", Files.readString(Path.of(mof), StandardCharsets.UTF_8));
            require(result == 0, "loading " + mof + " gave " + Integer.toHexString(result));
        }
        String hosts = System.getProperty("wmiq.test.hosts");
        if (hosts != null) {
            for (String host : hosts.split(",")) {
                Emulator.addHost(host, false);
            }
        }
        String account = System.getProperty("wmiq.test.account");
        if (account != null) {
            String[] parts = account.split(":", 4);
            require(Emulator.addAccount(parts[0], parts[1], parts[2], parts[3], false), "account on " + parts[0]);
        }
        String delay = System.getProperty("wmiq.test.delay");
        if (delay != null) {
            String[] parts = delay.split(":", 2);
            Emulator.setClassDelay(parts[0], Integer.parseInt(parts[1]));
        }
        Wmiq.main(args);
    }

    private static void require(boolean condition, String what) {
        if (!condition) {
            System.err.println("test set-up failed: " + what);
            System.exit(SETUP_FAILED);
        }
    }
}
