package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.Map;
import java.util.Set;

/** Names of the codes that WMI clients meet besides WMI's own, and which exception each raises. */
final class ErrorCodes {
    static final int FACILITY_WIN32_PREFIX = 0x80070000;
    static final int WBEM_S_TIMEDOUT = 0x40004;

    private static final Map<Integer, String> WIN32_NAMES = Map.ofEntries(
            Map.entry(2, "ERROR_FILE_NOT_FOUND"),
            Map.entry(5, "ERROR_ACCESS_DENIED"),
            Map.entry(6, "ERROR_INVALID_HANDLE"),
            Map.entry(8, "ERROR_NOT_ENOUGH_MEMORY"),
            Map.entry(14, "ERROR_OUTOFMEMORY"),
            Map.entry(53, "ERROR_BAD_NETPATH"),
            Map.entry(67, "ERROR_BAD_NET_NAME"),
            Map.entry(87, "ERROR_INVALID_PARAMETER"),
            Map.entry(127, "ERROR_PROC_NOT_FOUND"),
            Map.entry(1203, "ERROR_NO_NET_OR_BAD_PATH"),
            Map.entry(1219, "ERROR_SESSION_CREDENTIAL_CONFLICT"),
            Map.entry(1231, "ERROR_NETWORK_UNREACHABLE"),
            Map.entry(1232, "ERROR_HOST_UNREACHABLE"),
            Map.entry(1311, "ERROR_NO_LOGON_SERVERS"),
            Map.entry(1326, "ERROR_LOGON_FAILURE"),
            Map.entry(1327, "ERROR_ACCOUNT_RESTRICTION"),
            Map.entry(1330, "ERROR_PASSWORD_EXPIRED"),
            Map.entry(1331, "ERROR_ACCOUNT_DISABLED"),
            Map.entry(1332, "ERROR_NONE_MAPPED"),
            Map.entry(1355, "ERROR_NO_SUCH_DOMAIN"),
            Map.entry(1385, "ERROR_LOGON_TYPE_NOT_GRANTED"),
            Map.entry(1460, "ERROR_TIMEOUT"),
            Map.entry(1722, "RPC_S_SERVER_UNAVAILABLE"),
            Map.entry(1723, "RPC_S_SERVER_TOO_BUSY"),
            Map.entry(1726, "RPC_S_CALL_FAILED"),
            Map.entry(1727, "RPC_S_CALL_FAILED_DNE"),
            Map.entry(1753, "EPT_S_NOT_REGISTERED"),
            Map.entry(1804, "ERROR_INVALID_DATATYPE"),
            Map.entry(1909, "ERROR_ACCOUNT_LOCKED_OUT"),
            Map.entry(4312, "ERROR_OBJECT_NOT_FOUND"));

    private static final Map<Integer, String> COM_NAMES = Map.ofEntries(
            Map.entry(0, "S_OK"),
            Map.entry(0x80004001, "E_NOTIMPL"),
            Map.entry(0x80004002, "E_NOINTERFACE"),
            Map.entry(0x80004003, "E_POINTER"),
            Map.entry(0x80004005, "E_FAIL"),
            Map.entry(0x8000FFFF, "E_UNEXPECTED"),
            Map.entry(0x80070005, "E_ACCESSDENIED"),
            Map.entry(0x8007000E, "E_OUTOFMEMORY"),
            Map.entry(0x80070057, "E_INVALIDARG"),
            Map.entry(0x80010106, "RPC_E_CHANGED_MODE"),
            Map.entry(0x80010108, "RPC_E_DISCONNECTED"),
            Map.entry(0x8001010E, "RPC_E_WRONG_THREAD"),
            Map.entry(0x80010119, "RPC_E_TOO_LATE"),
            Map.entry(0x80040154, "REGDB_E_CLASSNOTREG"),
            Map.entry(0x800401F0, "CO_E_NOTINITIALIZED"),
            Map.entry(0x80042001, "WBEMESS_E_REGISTRATION_TOO_BROAD"),
            Map.entry(0x80042002, "WBEMESS_E_REGISTRATION_TOO_PRECISE"),
            Map.entry(WBEM_S_TIMEDOUT, "WBEM_S_TIMEDOUT"));

    private static final Set<Integer> INVALID_QUERY = Set.of(
            0x80041017, // WBEM_E_INVALID_QUERY
            0x80041018, // WBEM_E_INVALID_QUERY_TYPE
            0x80041021, // WBEM_E_INVALID_SYNTAX
            0x80041027, // WBEM_E_QUERY_NOT_IMPLEMENTED
            0x80041031, // WBEM_E_INVALID_PROPERTY
            0x80041058, // WBEM_E_UNPARSABLE_QUERY
            0x80041059, // WBEM_E_NOT_EVENT_CLASS
            0x80042001, // WBEMESS_E_REGISTRATION_TOO_BROAD
            0x80042002); // WBEMESS_E_REGISTRATION_TOO_PRECISE

    private static final Set<Integer> NOT_FOUND = Set.of(
            0x80041002, // WBEM_E_NOT_FOUND
            0x8004100E, // WBEM_E_INVALID_NAMESPACE
            0x80041010, // WBEM_E_INVALID_CLASS
            0x8004102E, // WBEM_E_INVALID_METHOD
            0x800710D8); // ERROR_OBJECT_NOT_FOUND

    private static final Set<Integer> ACCESS_DENIED = Set.of(
            0x80070005, // E_ACCESSDENIED
            0x80041003, // WBEM_E_ACCESS_DENIED
            0x8007052E, // ERROR_LOGON_FAILURE
            0x8007052F, // ERROR_ACCOUNT_RESTRICTION
            0x80070532, // ERROR_PASSWORD_EXPIRED
            0x80070533, // ERROR_ACCOUNT_DISABLED
            0x80070569, // ERROR_LOGON_TYPE_NOT_GRANTED
            0x80070775); // ERROR_ACCOUNT_LOCKED_OUT

    private static final Set<Integer> CONNECTION = Set.of(
            0x80070035, // ERROR_BAD_NETPATH
            0x80070043, // ERROR_BAD_NET_NAME
            0x800704B3, // ERROR_NO_NET_OR_BAD_PATH
            0x800704CF, // ERROR_NETWORK_UNREACHABLE
            0x800704D0, // ERROR_HOST_UNREACHABLE
            0x800706BA, // RPC_S_SERVER_UNAVAILABLE
            0x800706BB, // RPC_S_SERVER_TOO_BUSY
            0x800706BE, // RPC_S_CALL_FAILED
            0x800706BF, // RPC_S_CALL_FAILED_DNE
            0x800706D9, // EPT_S_NOT_REGISTERED
            0x80010108, // RPC_E_DISCONNECTED
            0x80041015, // WBEM_E_TRANSPORT_FAILURE
            0x80041071, // WBEM_E_CONNECTION_FAILED
            0x80041086); // WBEM_E_FATAL_TRANSPORT_ERROR

    private static final Set<Integer> TIMEOUT = Set.of(
            WBEM_S_TIMEDOUT,
            0x800705B4, // ERROR_TIMEOUT
            0x80041069, // WBEM_E_TIMED_OUT
            0x80041088); // WBEM_E_PROVIDER_TIMED_OUT

    private ErrorCodes() {}

    /** The HRESULT of a code as the natives report it: Win32 numbers go into the Win32 facility. */
    static int hresultOf(int code) {
        return code > 0 && code <= 0xFFFF && code != WBEM_S_TIMEDOUT ? FACILITY_WIN32_PREFIX | code : code;
    }

    /** The code the natives make of a failed HRESULT: Win32-facility results give their Win32 number. */
    static int codeOfHresult(int hresult) {
        return hresult < 0 && ((hresult >>> 16) & 0x1FFF) == 7 ? hresult & 0xFFFF : hresult;
    }

    /** True for the codes whose names and texts WMI's message module holds (0x80041000 to 0x800410FF). */
    static boolean isWmiCode(int hresult) {
        return (hresult & 0xFFFFFF00) == 0x80041000;
    }

    /** The symbolic name of a non-WMI HRESULT, or null. */
    static String nameOf(int hresult) {
        String name = COM_NAMES.get(hresult);
        if (name == null && (hresult & 0xFFFF0000) == FACILITY_WIN32_PREFIX) {
            name = WIN32_NAMES.get(hresult & 0xFFFF);
        }
        return name;
    }

    /** The exception for a failed call: the subclass that the code belongs to. */
    static WmiException exceptionFor(int code, String operation, String target) {
        WmiErrorInfo error = WmiErrorInfo.of(code);
        int hresult = error.hresult();
        if (INVALID_QUERY.contains(hresult)) {
            return new WmiInvalidQueryException(error, operation, target);
        }
        if (NOT_FOUND.contains(hresult)) {
            return new WmiNotFoundException(error, operation, target);
        }
        if (ACCESS_DENIED.contains(hresult)) {
            return new WmiAccessDeniedException(error, operation, target);
        }
        if (CONNECTION.contains(hresult)) {
            return new WmiConnectionException(error, operation, target);
        }
        if (TIMEOUT.contains(hresult)) {
            return new WmiTimeoutException(error, operation, target, null);
        }
        return new WmiException(error, operation, target);
    }

    /** The exception for a call that this library stopped waiting for. */
    static WmiTimeoutException deadlineExceeded(String operation, String target, Duration timeout) {
        return new WmiTimeoutException(
                WmiErrorInfo.deadline("no answer within " + timeout), operation, target, timeout);
    }
}
