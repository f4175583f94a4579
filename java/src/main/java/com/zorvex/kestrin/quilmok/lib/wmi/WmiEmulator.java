package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/**
 * Native methods of {@code wmijni} that load MOF fixtures into the WMI emulator of the Linux
 * platform layer: classes and instances that its namespaces serve beside (or instead of) the
 * emulator's own. On Windows there is no emulator: every method returns
 * {@link #ERROR_NOT_SUPPORTED}.
 *
 * <p>A load is all or nothing: on a MOF error nothing of it is loaded, and {@code failure} (when
 * not null and at least {@link #FAILURE_SLOTS} long) receives where and why: the file
 * ({@link #FAILURE_SOURCE}), the line as decimal text ({@link #FAILURE_LINE}, {@code "0"} when the
 * failure concerns no line) and the reason ({@link #FAILURE_REASON}).
 */
public final class WmiEmulator {
    static {
        NativeLibraries.load("wmijni");
    }

    private WmiEmulator() {}

    /** {@code WBEM_E_NOT_SUPPORTED}: returned on Windows, which has no emulator. */
    public static final long ERROR_NOT_SUPPORTED = 0x8004100CL;

    /** {@code WBEM_E_INVALID_SYNTAX}: the MOF has an error. */
    public static final long ERROR_INVALID_SYNTAX = 0x80041021L;

    /** {@code WBEM_E_NOT_FOUND}: a path cannot be read, or a fixture is not loaded. */
    public static final long ERROR_NOT_FOUND = 0x80041002L;

    /** Slot of {@code failure}: the file that has the error (empty for none). */
    public static final int FAILURE_SOURCE = 0;

    /** Slot of {@code failure}: the line of the error, as decimal text. */
    public static final int FAILURE_LINE = 1;

    /** Slot of {@code failure}: the reason. */
    public static final int FAILURE_REASON = 2;

    /** The length {@code failure} needs to receive the failure. */
    public static final int FAILURE_SLOTS = 3;

    /**
     * Loads a MOF file, or the {@code *.mof} files of a folder in the order of their names, as one
     * fixture. Declarations go into {@code defaultNamespace} until a {@code #pragma namespace} names
     * another. A fixture may declare a class that a namespace already has: its declaration and
     * instances then take the class's place until the fixture is unloaded.
     *
     * @param path the file or folder
     * @param defaultNamespace the namespace before any {@code #pragma namespace}; null for
     *     {@code root\default}
     * @param holder receives the fixture's number through {@code set(long)} on success
     * @param failure receives where and why on failure (may be null)
     * @return 0 on success; {@link #ERROR_INVALID_SYNTAX}, {@link #ERROR_NOT_FOUND}, 87 for a null
     *     path or holder, {@link #ERROR_NOT_SUPPORTED} on Windows, or another failing HRESULT
     */
    public static native long WmiEmulatorLoadMof(String path, String defaultNamespace, Object holder,
            String[] failure);

    /**
     * Unloads a fixture: the repository is as it was before the fixture, with the fixtures loaded
     * since loaded again; instances put since it was loaded are gone.
     *
     * @param fixture the number a load gave
     * @param failure receives where and why when a later fixture no longer loads (may be null)
     * @return 0 on success; {@link #ERROR_NOT_FOUND} for a fixture that is not loaded; the failure
     *     of a later fixture, with nothing changed; {@link #ERROR_NOT_SUPPORTED} on Windows
     */
    public static native long WmiEmulatorUnloadMof(long fixture, String[] failure);

    /**
     * Adds files and folders (separated by {@code ':'}) to those the emulator loads when it starts,
     * after those of the environment variable {@code WMIBRIDGE_MOF}. Before the start they are
     * noted, and a failure shows when it starts (connecting to the local machine then fails with
     * {@code WBEM_E_INITIALIZATION_FAILURE}); after the start they load at once. A reset of the
     * emulator restores them.
     *
     * @param paths the files and folders
     * @param failure receives where and why when a load at once fails (may be null)
     * @return 0 on success, 87 for null paths, a failing HRESULT as for
     *     {@link #WmiEmulatorLoadMof}, or {@link #ERROR_NOT_SUPPORTED} on Windows
     */
    public static native long WmiEmulatorAddStartupMof(String paths, String[] failure);

    /**
     * Tells why the fixtures of the start did not load.
     *
     * @param failure receives where and why (may be null)
     * @return true when they failed to load; false when they loaded, there were none, or on Windows
     */
    public static native boolean WmiEmulatorStartupFailed(String[] failure);
}
