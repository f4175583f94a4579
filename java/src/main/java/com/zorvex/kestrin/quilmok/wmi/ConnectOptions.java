package com.zorvex.kestrin.quilmok.wmi;

import java.time.Duration;
import java.util.Arrays;
import java.util.Objects;

/**
 * Where and how to connect: host, namespace, credentials and time-outs. Immutable; made with
 * {@link #builder()}, with finite default time-outs (30 s to connect, 60 s per operation).
 *
 * <p>The password is copied from the caller's array, which the caller may wipe at once; the copy
 * is wiped when the options become unreachable. It crosses to the natives as a short-lived
 * {@code String} for each connect, because the connect native takes one.
 */
public final class ConnectOptions {
    /** The local machine. */
    public static final String LOCAL_HOST = ".";
    /** The namespace of the standard Windows classes. */
    public static final String DEFAULT_NAMESPACE = "root\\cimv2";
    /** How long a connect may take unless told otherwise. */
    public static final Duration DEFAULT_CONNECT_TIMEOUT = Duration.ofSeconds(30);
    /** How long any other call may take unless told otherwise. */
    public static final Duration DEFAULT_OPERATION_TIMEOUT = Duration.ofSeconds(60);

    private final String host;
    private final String namespace;
    private final String user;
    private final char[] password;
    private final String authority;
    private final Duration connectTimeout;
    private final Duration operationTimeout;

    private ConnectOptions(Builder builder, char[] password) {
        this.host = builder.host;
        this.namespace = builder.namespace;
        this.user = builder.user;
        this.password = password;
        this.authority = builder.authority;
        this.connectTimeout = builder.connectTimeout;
        this.operationTimeout = builder.operationTimeout;
        if (password != null) {
            char[] secret = password;
            Natives.CLEANER.register(this, () -> Arrays.fill(secret, '\0'));
        }
    }

    /**
     * A builder with the defaults: the local machine, {@code root\cimv2}, the caller's identity.
     *
     * @return a new builder
     */
    public static Builder builder() {
        return new Builder();
    }

    /**
     * Options for the local machine's {@code root\cimv2} with the default time-outs.
     *
     * @return the options, connecting as the caller
     */
    public static ConnectOptions local() {
        return builder().build();
    }

    /**
     * A builder that starts from these options.
     *
     * @return a new builder with these options and a copy of the password
     */
    public Builder toBuilder() {
        Builder builder = new Builder().host(host).namespace(namespace).user(user).authority(authority)
                .connectTimeout(connectTimeout).operationTimeout(operationTimeout);
        builder.password = password == null ? null : password.clone();
        return builder;
    }

    /**
     * The same options for another host.
     *
     * @param otherHost the other host; {@code .} or {@code localhost} for the local machine
     * @return new options that differ from these in the host only
     * @throws IllegalArgumentException for a null or blank host
     */
    public ConnectOptions withHost(String otherHost) {
        Builder builder = toBuilder().host(otherHost);
        try {
            return builder.build();
        } finally {
            builder.wipe();
        }
    }

    /**
     * The host: {@code .} for the local machine, else a computer name or address.
     *
     * @return the host, without leading backslashes
     */
    public String host() {
        return host;
    }

    /**
     * The namespace, for example {@code root\cimv2}.
     *
     * @return the namespace
     */
    public String namespace() {
        return namespace;
    }

    /**
     * The user (<code>DOMAIN&#92;user</code>, {@code user@domain} or {@code user}), or null for the
     * caller's identity.
     *
     * @return the user, or null
     */
    public String user() {
        return user;
    }

    /**
     * True when a password was given.
     *
     * @return whether the options carry a password
     */
    public boolean hasPassword() {
        return password != null;
    }

    /**
     * The authority ({@code kerberos:...} or {@code ntlmdomain:...}), or null.
     *
     * @return the authority, or null
     */
    public String authority() {
        return authority;
    }

    /**
     * The longest a connect may take.
     *
     * @return the connect time-out, positive
     */
    public Duration connectTimeout() {
        return connectTimeout;
    }

    /**
     * The longest any other call may take: a query, a read by path, a method, a stream's wait for
     * its next object.
     *
     * @return the operation time-out, positive
     */
    public Duration operationTimeout() {
        return operationTimeout;
    }

    /**
     * True for the local machine.
     *
     * @return whether the host is {@code .} or {@code localhost} (in any case)
     */
    public boolean isLocal() {
        return host.equals(LOCAL_HOST) || host.equalsIgnoreCase("localhost");
    }

    /** The namespace path the natives connect to: {@code \\host\namespace}. */
    String networkResource() {
        return "\\\\" + host + "\\" + namespace;
    }

    /** The password as the natives take it; null when none was given. */
    String passwordText() {
        return password == null ? null : new String(password);
    }

    @Override
    public String toString() {
        return "\\\\" + host + "\\" + namespace + (user == null ? "" : " as " + user);
    }

    /** Builds {@link ConnectOptions}; not thread-safe. */
    public static final class Builder {
        private String host = LOCAL_HOST;
        private String namespace = DEFAULT_NAMESPACE;
        private String user;
        private char[] password;
        private String authority;
        private Duration connectTimeout = DEFAULT_CONNECT_TIMEOUT;
        private Duration operationTimeout = DEFAULT_OPERATION_TIMEOUT;

        private Builder() {}

        /**
         * The host; {@code .} (the default) or {@code localhost} for the local machine.
         *
         * @param host a computer name or address; a leading {@code \\} is dropped
         * @return this builder
         * @throws IllegalArgumentException for a null or blank host
         */
        public Builder host(String host) {
            this.host = nonEmpty(host, "host").replaceFirst("^\\\\\\\\", "");
            return this;
        }

        /**
         * The namespace, for example {@code root\cimv2} (the default) or {@code root\default}.
         *
         * @param namespace the namespace
         * @return this builder
         * @throws IllegalArgumentException for a null or blank namespace
         */
        public Builder namespace(String namespace) {
            this.namespace = nonEmpty(namespace, "namespace");
            return this;
        }

        /**
         * The user; null (the default) connects with the caller's identity.
         *
         * @param user <code>DOMAIN&#92;user</code>, {@code user@domain} or {@code user}; null or
         *     empty for the caller's identity
         * @return this builder
         */
        public Builder user(String user) {
            this.user = user == null || user.isEmpty() ? null : user;
            return this;
        }

        /**
         * The password; copied, so the caller may wipe its array after {@link #build()}.
         *
         * @param password the password, or null for none; a password set before is wiped
         * @return this builder
         */
        public Builder password(char[] password) {
            wipe();
            this.password = password == null ? null : password.clone();
            return this;
        }

        /**
         * The authority: {@code kerberos:<principal>} or {@code ntlmdomain:<domain>}; null for
         * none.
         *
         * @param authority the authority; null or empty for none
         * @return this builder
         */
        public Builder authority(String authority) {
            this.authority = authority == null || authority.isEmpty() ? null : authority;
            return this;
        }

        /**
         * How long a connect may take; must be positive.
         *
         * @param timeout the connect time-out (default 30 seconds)
         * @return this builder
         * @throws IllegalArgumentException for a time-out that is zero or negative
         */
        public Builder connectTimeout(Duration timeout) {
            this.connectTimeout = positive(timeout, "connectTimeout");
            return this;
        }

        /**
         * How long any other call may take; must be positive.
         *
         * @param timeout the operation time-out (default 60 seconds)
         * @return this builder
         * @throws IllegalArgumentException for a time-out that is zero or negative
         */
        public Builder operationTimeout(Duration timeout) {
            this.operationTimeout = positive(timeout, "operationTimeout");
            return this;
        }

        /**
         * The options; the builder's own copy of the password is wiped.
         *
         * @return the options
         */
        public ConnectOptions build() {
            char[] secret = password;
            password = null;
            return new ConnectOptions(this, secret);
        }

        private void wipe() {
            if (password != null) {
                Arrays.fill(password, '\0');
                password = null;
            }
        }

        private static String nonEmpty(String value, String what) {
            if (value == null || value.isBlank()) {
                throw new IllegalArgumentException(what + " is required");
            }
            return value;
        }

        private static Duration positive(Duration timeout, String what) {
            Objects.requireNonNull(timeout, what);
            if (timeout.isNegative() || timeout.isZero()) {
                throw new IllegalArgumentException(what + " must be positive: " + timeout);
            }
            return timeout;
        }
    }
}
