package com.zorvex.kestrin.quilmok.wmi;

/**
 * The answer of {@link Wmi#verifyCredentials}: whether the host accepted the user and password, and
 * if not, why (for example {@code ERROR_LOGON_FAILURE}, {@code ERROR_ACCOUNT_LOCKED_OUT},
 * {@code ERROR_ACCESS_DENIED}, or {@code RPC_S_SERVER_UNAVAILABLE} when the host was not reached).
 *
 * @param host the host asked
 * @param user the user checked
 * @param result the code of the check, 0 when the credentials were accepted
 */
public record CredentialCheck(String host, String user, WmiErrorInfo result) {
    /**
     * True when the host accepted the credentials.
     *
     * @return whether the code of the check is 0
     */
    public boolean accepted() {
        return result.code() == 0;
    }
}
