package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiEmulator;
import java.nio.file.Path;

/**
 * MOF loaded into the emulator by {@link LocalEmulator#load(Path)}: closing it unloads it. The
 * emulator is then as it was before the load, with the fixtures loaded since loaded again.
 */
public final class MofFixture implements AutoCloseable {
    private final long number;
    private final Path path;
    private boolean unloaded;

    MofFixture(long number, Path path) {
        this.number = number;
        this.path = path;
    }

    /**
     * What was loaded.
     *
     * @return the file or folder
     */
    public Path path() {
        return path;
    }

    /**
     * Whether the fixture is still loaded.
     *
     * @return false once {@link #unload()} succeeded
     */
    public synchronized boolean loaded() {
        return !unloaded;
    }

    /**
     * Unloads the fixture; does nothing when it is unloaded already. Instances put since it was
     * loaded are gone too.
     *
     * @throws MofLoadException when a fixture loaded later no longer loads without this one; then
     *     nothing changed
     * @throws WmiException when the emulator has no such fixture any more (it was reset)
     */
    public synchronized void unload() {
        if (unloaded) {
            return;
        }
        String[] failure = new String[WmiEmulator.FAILURE_SLOTS];
        long code = WmiEmulator.WmiEmulatorUnloadMof(number, failure);
        if (code != 0) {
            throw LocalEmulator.failure(code, failure, null);
        }
        unloaded = true;
    }

    /** Same as {@link #unload()}. */
    @Override
    public void close() {
        unload();
    }
}
