package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/**
 * Native methods of {@code wmijni} beyond {@link WmiConnector}: an object's whole property list in
 * one call, streaming queries whose batches the caller fetches with a time-out of its own, and
 * event subscriptions whose events are fetched the same way.
 *
 * <p>Handles follow the rules of {@link WmiConnector}: they reach Java through a holder's
 * {@code void set(long)} and each is freed by the destroy method of its kind. Object handles
 * handed out by a stream are ordinary object handles, freed with
 * {@link WmiConnector#WmiObjectDestroy}.
 */
public final class WmiExtensions {
    static {
        NativeLibraries.load("wmijni");
    }

    private WmiExtensions() {}

    /** Flag of {@link #WmiObjectListProperties}: list the system properties ({@code __PATH}, ...) too. */
    public static final int LIST_SYSTEM_PROPERTIES = 1;

    /** Bit set in a listed type when the property's value is NULL. */
    public static final int NULL_MARKER = 0x10000;

    /** Bit of a listed CIM type that marks an array ({@code CIM_FLAG_ARRAY}). */
    public static final int CIM_FLAG_ARRAY = 0x2000;

    /** Slot of the listing: {@code String[]}, the property names in WMI's order. */
    public static final int LISTING_NAMES = 0;

    /** Slot of the listing: {@code int[]}, each property's CIM type, with the array flag and the NULL marker. */
    public static final int LISTING_TYPES = 1;

    /**
     * Slot of the listing: {@code Object[]}, each property's value. A scalar is its text by the rules
     * of {@link WmiConnector#WmiObjectGetProperty} ({@code ""} for NULL; {@code null} where those
     * rules give no text). An array is a {@code String[]} of its elements' texts by the rules of
     * {@link WmiConnector#WmiObjectGetPropertyValues}. An embedded object is the listing of that
     * object (an {@code Object[]} of this same layout), and an array of embedded objects an
     * {@code Object[]} of listings ({@code null} for a NULL element). Objects nest at most
     * {@link #MAX_LISTING_DEPTH} levels deep; a deeper one fails the whole listing with
     * {@link #ERROR_NESTING_TOO_DEEP}.
     */
    public static final int LISTING_VALUES = 2;

    /**
     * Slot of the listing: {@code long[]}, the exact value of each numeric or boolean scalar as the
     * VARIANT holds it: signed tags sign-extended, unsigned tags zero-extended, {@code VT_BOOL} as 1
     * or 0, and reals as the bits of the value widened to double
     * ({@link Double#doubleToRawLongBits}). 0 for every other property.
     */
    public static final int LISTING_NUMBERS = 3;

    /**
     * Slot of the listing: {@code Object[]}, for each array of numbers or booleans a {@code long[]}
     * of its elements by the rules of {@link #LISTING_NUMBERS}; {@code null} for every other
     * property.
     */
    public static final int LISTING_ARRAY_NUMBERS = 4;

    /** Number of slots of a listing. */
    public static final int LISTING_SLOTS = 5;

    /**
     * Levels of objects one listing holds: the object listed is level 1, an object embedded in it
     * level 2, and so on.
     */
    public static final int MAX_LISTING_DEPTH = 64;

    /**
     * Error of {@link #WmiObjectListProperties} ({@code ERROR_STACK_OVERFLOW}) for objects embedded
     * more than {@link #MAX_LISTING_DEPTH} levels deep, as an object that embeds itself would be.
     */
    public static final int ERROR_NESTING_TOO_DEEP = 1001;

    /** Most objects that one {@link #WmiObjectStreamNextBatch} delivers, whatever the array's length. */
    public static final int MAX_STREAM_BATCH = 1024;

    /**
     * Lists the properties of an object in one call, walking them in WMI's order. Listings of the
     * same object from several threads take turns.
     *
     * <p>On failure the holder's {@code set(long)} receives the error code: 87 for a 0 handle or
     * other flags than those below, 4312 for a handle without a WMI object,
     * {@link #ERROR_NESTING_TOO_DEEP}, or the code of a failed WMI call as
     * {@link WmiConnector#WmiServiceExecQuery} maps it. When the JVM cannot make an array or a
     * string, its {@code OutOfMemoryError} is the report and the holder is not called.
     *
     * @param object an object handle
     * @param flags 0 for the non-system properties, {@link #LIST_SYSTEM_PROPERTIES} for all
     * @param errorHolder receives the error code through {@code set(long)} when the call fails
     *     (may be null)
     * @return the listing ({@link #LISTING_SLOTS} slots), or null on failure
     */
    public static native Object[] WmiObjectListProperties(long object, int flags, Object errorHolder);

    /**
     * Starts a streaming query: {@code ExecQuery} with {@code WBEM_FLAG_RETURN_IMMEDIATELY |
     * WBEM_FLAG_FORWARD_ONLY}, the enumerator secured with the session's identity. Objects are
     * fetched with {@link #WmiObjectStreamNextBatch}.
     *
     * <p>WMI takes such a query without looking at it and reports an unknown class, an unknown
     * property or bad syntax from its first {@code Next}. So the start asks for the first object
     * without waiting: an error WMI already knows is returned here, and one it finds later comes
     * from {@link #WmiObjectStreamNextBatch} as its result.
     *
     * @param session a session handle
     * @param query the WQL text
     * @param holder receives the stream handle through {@code set(long)}; free it with
     *     {@link #WmiObjectStreamDestroy}
     * @return an error code as {@link WmiConnector#WmiServiceExecQuery} returns it; on success the
     *     stream handle went to the holder's {@code set(long)}
     */
    public static native long WmiServiceExecQueryStreaming(long session, String query, Object holder);

    /**
     * Subscribes to events: {@code ExecNotificationQuery} of an event query (for example
     * {@code SELECT * FROM __InstanceCreationEvent WITHIN 2 WHERE TargetInstance ISA 'Win32_Process'})
     * with {@code WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY}, the enumerator secured with
     * the session's identity. The subscription is a stream handle: its events are fetched with
     * {@link #WmiObjectStreamNextBatch}, which never reports an end for it, and
     * {@link #WmiObjectStreamDestroy} cancels it. WMI may report a query it cannot serve here or at
     * the first batch.
     *
     * @param session a session handle
     * @param query the event query in WQL
     * @param holder receives the stream handle through {@code set(long)}; free it with
     *     {@link #WmiObjectStreamDestroy}
     * @return an error code as {@link WmiConnector#WmiServiceExecQuery} returns it; on success the
     *     stream handle went to the holder's {@code set(long)}
     */
    public static native long WmiServiceExecNotificationQuery(long session, String query, Object holder);

    /**
     * Fetches the next objects of a stream, waiting at most {@code timeoutMs} milliseconds (-1:
     * without limit). One object handle per delivered object is written to {@code handles} from
     * index 0 on; the slots after the last one delivered are set to 0. One call asks for
     * {@code handles.length} objects, but never more than {@link #MAX_STREAM_BATCH}.
     *
     * <p>When a handle cannot be allocated, an {@code OutOfMemoryError} is thrown, the objects of
     * this batch are released (the stream has moved past them) and every slot is 0. The call holds
     * the stream for as long as it runs: a {@link #WmiObjectStreamDestroy} of the handle on another
     * thread meanwhile takes effect when the call returns.
     *
     * @param stream a stream handle
     * @param timeoutMs the longest wait in milliseconds, 0 or more, or -1 to wait without limit
     * @param handles receives the object handles of the batch, each to be freed with
     *     {@link WmiConnector#WmiObjectDestroy}; its length is the number of objects asked for
     * @return {@code WBEM_S_NO_ERROR} (0) when every object asked for arrived and more may follow;
     *     {@code WBEM_S_FALSE} (1) at the end, after the objects delivered (maybe none);
     *     {@code WBEM_S_TIMEDOUT} (0x40004) when the wait ended first, after the objects
     *     delivered (maybe none), with more to come; a failed HRESULT, unchanged (negative); 87
     *     for a 0 handle, a null or empty array, or a negative time-out other than -1
     */
    public static native long WmiObjectStreamNextBatch(long stream, int timeoutMs, long[] handles);

    /**
     * Frees a stream handle and cancels what the stream has not delivered. 0 does nothing.
     *
     * @param stream a stream handle
     */
    public static native void WmiObjectStreamDestroy(long stream);
}
