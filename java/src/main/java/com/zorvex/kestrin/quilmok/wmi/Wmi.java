package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;
import com.zorvex.kestrin.quilmok.lib.wmic.WmiConnectionPool;
import java.time.Duration;
import java.util.Objects;

/**
 * The entry point: connects to WMI, explains error codes and checks credentials.
 *
 * <pre>{@code
 * try (WmiSession wmi = Wmi.connect()) {
 *     for (WmiObject process : wmi.query("SELECT Name, ProcessId FROM Win32_Process")) {
 *         System.out.println(process.getLong("ProcessId").orElse(-1) + " " + process.getString("Name").orElse(""));
 *     }
 * }
 * }</pre>
 */
public final class Wmi {
    /** The registry key (under HKEY_CURRENT_USER) that a credential check opens unless told otherwise. */
    public static final String DEFAULT_CREDENTIAL_KEY = "Software";

    private Wmi() {}

    /**
     * Connects to {@code root\cimv2} of the local machine as the caller.
     *
     * @return the new session, with the default time-outs; close it when done
     * @throws WmiException when the connection fails; see {@link #connect(ConnectOptions)}
     */
    public static WmiSession connect() {
        return connect(ConnectOptions.local());
    }

    /**
     * Connects to a namespace of a host.
     *
     * @param options where to connect, as whom, and the time-outs of the session's calls
     * @return the new session; close it when done
     * @throws WmiConnectionException when the host cannot be reached
     * @throws WmiAccessDeniedException when the credentials are refused
     * @throws WmiNotFoundException when the namespace does not exist
     * @throws WmiTimeoutException when the connect takes longer than its time-out
     * @throws MofLoadException on Linux, when the MOF fixtures that the emulator was to load at its
     *     start (see {@link LocalEmulator}) did not load
     * @throws WmiException for any other failure, with WMI's or the system's code
     */
    public static WmiSession connect(ConnectOptions options) {
        return LocalEmulator.connect(Objects.requireNonNull(options, "options"));
    }

    /**
     * The WMI emulator that serves the local machine on Linux, for loading MOF fixtures.
     *
     * @return the emulator
     * @throws UnsupportedOperationException on another system than Linux
     * @throws MofLoadException when the files of the system property
     *     {@value LocalEmulator#MOF_PROPERTY} were loaded at once (the emulator had started) and
     *     failed
     */
    public static LocalEmulator emulator() {
        return LocalEmulator.instance();
    }

    /**
     * Which native libraries are loaded and from where (a folder named by a property,
     * {@code java.library.path}, or extracted from the jar), one per line; loads them first if
     * needed.
     *
     * @return a readable description, for diagnostics
     */
    public static String nativeInfo() {
        NativeLibraries.load("wmijni");
        return NativeLibraries.describe();
    }

    /**
     * The name and text of an error code, as the natives report codes or as an HRESULT.
     *
     * @param code a Win32 error number or an HRESULT, for example 5 or {@code 0x80041010}
     * @return the code with its symbolic name and its text
     */
    public static WmiErrorInfo describe(int code) {
        return WmiErrorInfo.of(code);
    }

    /**
     * Checks a user and password against a host: logs the user on for network use and opens the
     * registry key {@value #DEFAULT_CREDENTIAL_KEY} under HKEY_CURRENT_USER on the host with them.
     * Waits at most {@link ConnectOptions#DEFAULT_CONNECT_TIMEOUT}.
     *
     * @param host the host's name, without leading backslashes
     * @param user <code>DOMAIN&#92;user</code>, {@code user@domain} or {@code user}
     * @param password the password; the caller may wipe it when this returns
     * @return whether the host accepted the credentials, and the code of the check
     * @throws IllegalArgumentException for a blank host or user
     * @throws WmiTimeoutException when the check takes longer than
     *     {@link ConnectOptions#DEFAULT_CONNECT_TIMEOUT}
     */
    public static CredentialCheck verifyCredentials(String host, String user, char[] password) {
        return verifyCredentials(host, user, password, DEFAULT_CREDENTIAL_KEY, ConnectOptions.DEFAULT_CONNECT_TIMEOUT);
    }

    /**
     * As {@link #verifyCredentials(String, String, char[])}, with the key to open and a time-out.
     *
     * @param host the host's name; a leading {@code \\} is dropped
     * @param user <code>DOMAIN&#92;user</code>, {@code user@domain} or {@code user}
     * @param password the password; the caller may wipe it when this returns
     * @param keyPath the key under HKEY_CURRENT_USER to open for reading, for example
     *     {@code Software}
     * @param timeout the longest the check may take
     * @return whether the host accepted the credentials, and the code of the check
     * @throws IllegalArgumentException for a blank host, user or key
     * @throws WmiTimeoutException when the check takes longer than {@code timeout}
     */
    public static CredentialCheck verifyCredentials(String host, String user, char[] password, String keyPath,
            Duration timeout) {
        if (host == null || host.isBlank() || user == null || user.isBlank() || keyPath == null
                || keyPath.isBlank()) {
            throw new IllegalArgumentException("a host, a user and a key are required");
        }
        Objects.requireNonNull(password, "password");
        Objects.requireNonNull(timeout, "timeout");
        String bareHost = host.replaceFirst("^\\\\\\\\", "");
        String secret = new String(password);
        long code = Calls.within(timeout, "verify credentials of " + user + " on", bareHost,
                () -> WmiConnectionPool.nativeVerifyCredentials(user, secret, bareHost, keyPath), ignored -> {});
        return new CredentialCheck(bareHost, user, WmiErrorInfo.of((int) code));
    }
}
