package com.zorvex.kestrin.quilmok.lib.wmi.testing;

/**
 * Test controls of the platform layer's WMI emulator for JUnit tests: MOF content, hosts and
 * accounts, faults and delays, the accounting of live objects, the security blankets that the
 * libraries applied, and the COM apartment of the calling thread.
 *
 * <p>Texts are passed as UTF-8 (names, passwords, MOF). HRESULTs are Java {@code int}s.
 */
public final class Emulator {
    static {
        System.loadLibrary("palcontrol");
    }

    // Kinds of live objects (the accounting of the platform layer).
    public static final int KIND_BSTR = 0;
    public static final int KIND_SAFEARRAY = 1;
    public static final int KIND_TASKMEM = 2;
    public static final int KIND_COM_OBJECT = 3;
    public static final int KIND_WBEM_CLASS_OBJECT = 4;
    public static final int KIND_WBEM_INSTANCE = 5;
    public static final int KIND_WBEM_QUALIFIER_SET = 6;
    public static final int KIND_WBEM_LOCATOR = 7;
    public static final int KIND_WBEM_SERVICES = 8;
    public static final int KIND_WBEM_ENUMERATOR = 9;
    public static final int KIND_CLIENT_SECURITY = 10;
    public static final int KIND_EVENT_POLLER = 15;

    // Operations whose calls can be made to fail.
    public static final int OP_CONNECT_SERVER = 0;
    public static final int OP_EXEC_QUERY = 1;
    public static final int OP_GET_OBJECT = 2;
    public static final int OP_EXEC_METHOD = 3;
    public static final int OP_ENUM_NEXT = 4;
    public static final int OP_QUERY_BLANKET = 5;
    public static final int OP_SET_BLANKET = 6;
    public static final int OP_CREATE_INSTANCE = 7;
    public static final int OP_INITIALIZE_SECURITY = 8;
    public static final int OP_EXEC_NOTIFICATION_QUERY = 9;

    /** The security blanket last set on a proxy, with copies of the identity's texts. */
    public static final class Blanket {
        public final boolean wasSet;
        public final int setCount;
        public final int authnService;
        public final int authzService;
        public final int authnLevel;
        public final int impLevel;
        public final int capabilities;
        public final boolean hasIdentity;
        public final String user;
        public final String domain;
        public final String password;

        Blanket(int[] numbers, String[] texts) {
            wasSet = numbers[0] != 0;
            setCount = numbers[1];
            authnService = numbers[2];
            authzService = numbers[3];
            authnLevel = numbers[4];
            impLevel = numbers[5];
            capabilities = numbers[6];
            hasIdentity = numbers[7] != 0;
            user = texts[0];
            domain = texts[1];
            password = texts[2];
        }
    }

    private Emulator() {}

    /** Forgets hosts, accounts, faults, delays, blankets and process security; reloads the shipped MOF. */
    public static native void resetAll();

    /** Loads MOF text into a host's repository ("." or null: the local machine); returns the HRESULT. */
    public static native int loadMof(String host, String defaultNamespace, String mofText);

    public static native String localHostName();

    public static native void addHost(String host, boolean ownRepository);

    public static native boolean addAccount(String host, String domain, String user, String password,
            boolean lockedOut);

    public static native boolean setHostNoAuthentication(String host, boolean noAuthentication);

    /** The nth call of the operation from now on (1: the next) answers the HRESULT. */
    public static native void setCallResult(int operation, int nth, int hresult);

    /** The nth call of ConnectServer, GetObject or ExecMethod succeeds without an object. */
    public static native void succeedWithoutObject(int operation, int nth);

    public static native int callCount(int operation);

    public static native void failProviderAfter(String className, int objects, int hresult);

    public static native void setClassDelay(String className, int millisecondsPerObject);

    /**
     * Raises an extrinsic event of {@code className} in a namespace of the local machine, with the
     * properties named in {@code names} set from the texts in {@code values}; returns how many
     * subscriptions received it, or throws {@link IllegalStateException} with the HRESULT when the
     * emulator refuses it.
     */
    public static int raiseEvent(String nameSpace, String className, String[] names, String[] values) {
        int[] delivered = new int[1];
        int hresult = raiseEvent(nameSpace, className, names, values, delivered);
        if (hresult != 0) {
            throw new IllegalStateException("raising " + className + " failed: 0x" + Integer.toHexString(hresult));
        }
        return delivered[0];
    }

    private static native int raiseEvent(String nameSpace, String className, String[] names, String[] values,
            int[] delivered);

    /** Deletes an instance of the local machine's repository by its path; returns the HRESULT. */
    public static native int deleteInstance(String nameSpace, String objectPath);

    /** While held, the pollers of intrinsic events wait instead of polling. */
    public static native void holdEventPolls(boolean hold);

    /** Polls begun by all subscriptions since the last reset; counted before each poll reads. */
    public static native int eventPollCount();

    public static native int liveCount(int kind);

    /** What is still alive, or an empty text when nothing is. */
    public static native String whatIsAlive();

    /** COM initialisation depth of the calling thread. */
    public static native int apartmentDepth();

    /** Enters a single-threaded apartment on the calling thread; returns the HRESULT. */
    public static native int enterSingleThreadedApartment();

    /** Leaves one COM initialisation of the calling thread. */
    public static native void leaveApartment();

    /** The blanket of the newest services proxy, or null when there was none. */
    public static Blanket lastServicesBlanket() {
        return lastBlanket(KIND_WBEM_SERVICES);
    }

    /** The blanket of the newest enumerator proxy, or null when there was none. */
    public static Blanket lastEnumeratorBlanket() {
        return lastBlanket(KIND_WBEM_ENUMERATOR);
    }

    private static Blanket lastBlanket(int proxyKind) {
        int[] numbers = new int[8];
        String[] texts = new String[3];
        return readLastBlanket(proxyKind, numbers, texts) ? new Blanket(numbers, texts) : null;
    }

    private static native boolean readLastBlanket(int proxyKind, int[] numbers, String[] texts);
}
