package com.zorvex.kestrin.quilmok.lib.wmi.testing;

/**
 * Test controls of the platform layer's Win32 side for JUnit tests: the Windows version and the
 * SystemRoot the libraries see, the message modules they load, the process user, the logons they
 * make, the remote hosts with their accounts and registries, and the accounting of handles and
 * impersonations.
 *
 * <p>{@link #resetAll()} also resets the WMI emulator's hosts and accounts, so that a test needs
 * only this class. Texts cross as UTF-8.
 */
public final class Win32Emulator {
    static {
        System.loadLibrary("palwin32control");
    }

    // Kinds of live objects counted by the platform layer.
    public static final int KIND_MESSAGE_MODULE = 11;
    public static final int KIND_KERNEL_HANDLE = 12;
    public static final int KIND_REGISTRY_KEY = 13;
    public static final int KIND_IMPERSONATION = 14;

    // Predefined registry keys.
    public static final int HKEY_CLASSES_ROOT = 0;
    public static final int HKEY_CURRENT_USER = 1;
    public static final int HKEY_LOCAL_MACHINE = 2;
    public static final int HKEY_USERS = 3;

    /** What one logon received; a text is null when the logon was given a null pointer. */
    public static final class Logon {
        public final String user;
        public final String domain;
        public final String password;
        public final int logonType;
        public final int logonProvider;

        Logon(String[] texts, int[] numbers) {
            user = texts[0];
            domain = texts[1];
            password = texts[2];
            logonType = numbers[0];
            logonProvider = numbers[1];
        }
    }

    private Win32Emulator() {}

    /**
     * Forgets hosts, accounts, registries, recorded logons, counters, injected failures, the
     * SystemRoot override and the process user, and reports Windows 10.0 again.
     */
    public static native void resetAll();

    /** The Windows version reported by GetVersionExW and the C runtime's _winmajor/_winminor. */
    public static native void setWindowsVersion(int major, int minor);

    /** Hides SystemRoot from the environment the libraries read (or shows it again). */
    public static native void removeSystemRoot(boolean removed);

    /** Makes SystemRoot read as this Windows path; null goes back to the default. */
    public static native void setSystemRoot(String windowsPath);

    /** Message modules loaded since the last reset. */
    public static native int moduleLoadCount();

    /** The path the last module was loaded from, or null when none was. */
    public static native String lastModulePath();

    /** The account the process runs as ("Operator" after a reset). */
    public static native void setProcessUser(String userName);

    /** The last logon made since the reset, or null. */
    public static Logon lastLogon() {
        String[] texts = new String[3];
        int[] numbers = new int[2];
        return readLastLogon(texts, numbers) ? new Logon(texts, numbers) : null;
    }

    public static native int logonCount();

    /** Whether the calling thread impersonates a token. */
    public static native boolean threadImpersonates();

    /** The next {@code count} impersonations fail with {@code error}. */
    public static native void failImpersonation(int error, int count);

    public static native void addHost(String host);

    public static native boolean addAccount(String host, String domain, String user, String password,
            boolean lockedOut);

    /** The next {@code count} remote registry connections fail with the result and last error. */
    public static native void failConnect(int result, int lastError, int count);

    public static native int connectCount();

    public static native boolean createKey(String host, int root, String keyPath);

    /** Refuses reading the key to "domain\\user" or "user" (any domain). */
    public static native boolean denyRead(String host, int root, String keyPath, String account);

    public static native int liveCount(int kind);

    /** What is still alive in the platform layer, or an empty text when nothing is. */
    public static native String whatIsAlive();

    private static native boolean readLastLogon(String[] texts, int[] numbers);
}
