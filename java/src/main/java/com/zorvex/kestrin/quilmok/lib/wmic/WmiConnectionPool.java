package com.zorvex.kestrin.quilmok.lib.wmic;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/** Native credential check of the library {@code wmicred}. */
public final class WmiConnectionPool {
    static {
        NativeLibraries.load("wmicred");
    }

    private WmiConnectionPool() {}

    /**
     * Logs the user on for outbound network use and opens a key under HKEY_CURRENT_USER in the
     * registry of the remote host with those credentials.
     *
     * @param user account name (domain\\user, user@domain, \\user or user); null for the caller's
     * @param password the password, passed unchanged
     * @param host the remote computer's name, without leading backslashes
     * @param keyPath the key to open for reading
     * @return 0 when the host accepted the credentials and the key opened, else the Win32 error
     */
    public static native long nativeVerifyCredentials(String user, String password, String host, String keyPath);
}
