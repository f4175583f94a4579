package com.zorvex.kestrin.quilmok.lib.wmi;

import com.zorvex.kestrin.quilmok.lib.loader.NativeLibraries;

/**
 * Native methods of the WMI bridge library {@code wmijni}.
 *
 * <p>Native objects (sessions, result sets, objects, methods) reach Java as {@code long} handles
 * through a holder object whose class has {@code void set(long)}; each handle is freed by the
 * destroy method of its kind. Methods that report a result return an error code: 0 for success,
 * a Win32 error number, or a failed WMI/COM result (negative), as {@link WmiError#Win32Format}
 * explains.
 *
 * <p>Failed results of the Win32 facility ({@code 0x8007xxxx}) are returned as their Win32
 * number, for example {@code E_ACCESSDENIED} as 5. A holder that is to receive a handle has its
 * {@code set(long)} called only when the call succeeds. A holder without {@code set(long)} makes
 * the call return 127, and the {@code NoSuchMethodError} of the lookup is thrown when it returns;
 * a null holder gives 87. In both cases nothing is handed out and what the call made is released.
 * When the memory for a new handle cannot be allocated, an {@code OutOfMemoryError} is thrown and
 * nothing is handed out.
 *
 * <p>An <em>empty</em> handle, which {@link #WmiMethodGetInputProperties} hands out for a method
 * without input parameters, refers to no WMI object: reading or writing through it gives 87.
 */
public final class WmiConnector {
    static {
        NativeLibraries.load("wmijni");
    }

    private WmiConnector() {}

    // Sessions.
    /**
     * Connects to a WMI namespace. Initialises COM for the multithreaded apartment on the calling
     * thread (the session holds that initialisation until it is disconnected) and sets the
     * process's COM security, unless the process has set it already. When WMI refuses credentials
     * for the local machine, the connection is made as the caller, and the credentials as given
     * still secure the session's later calls.
     *
     * @param networkResource the namespace path, for example {@code \\.\root\cimv2} or
     *     {@code \\HOST\root\default}
     * @param authority {@code kerberos:<principal>}, {@code ntlmdomain:<domain>}, or null
     * @param user <code>DOMAIN&#92;user</code>, {@code user@domain} or {@code user}; null to
     *     connect as the caller
     * @param password the user's password, or null
     * @param holder receives the session handle; free it with {@link #WmiServiceDisconnectServer}
     * @return 0 when connected; 87 for a null path or a null holder; 127 for a holder without
     *     {@code set(long)}; 14 when a text could not be read; otherwise the code of the failed COM
     *     or WMI call, for example {@code RPC_E_CHANGED_MODE} on a thread of a single-threaded
     *     apartment, {@code WBEM_E_INVALID_NAMESPACE}, 5 (access denied) or 1722
     *     ({@code RPC_S_SERVER_UNAVAILABLE}). A failed connect leaves no session behind.
     */
    public static native long WmiServiceConnectServer(
            String networkResource, String authority, String user, String password, Object holder);

    /**
     * Frees a session handle. Handles made through the session (result sets, objects, methods,
     * streams) are not freed with it: they stay usable, and each is freed by its own destroy
     * method.
     *
     * @param session a session handle; 0 does nothing
     */
    public static native void WmiServiceDisconnectServer(long session);

    // Queries and result sets.
    /**
     * Runs a WQL query and buffers its whole result: every object is fetched, in batches of 10,
     * before this returns, through an enumerator secured with the session's credentials. A batch
     * that does not arrive within 10 seconds ends the collection, successfully, with the objects
     * that arrived before it. A query that matches nothing gives a result set without objects.
     *
     * @param session a session handle
     * @param query the WQL text
     * @param holder receives the result-set handle; free it with {@link #WmiObjectEnumDestroy}
     * @return 0 on success; 87 for a 0 session, a null or empty query, or a null holder; 127 for a
     *     holder without {@code set(long)}; 14 when memory ran out; otherwise WMI's answer to the
     *     query or to one of its batches, for example {@code WBEM_E_INVALID_QUERY} or
     *     {@code WBEM_E_INVALID_CLASS} (negative). A success code other than {@code S_OK} from the
     *     query itself counts as a failure and is returned as it is.
     */
    public static native long WmiServiceExecQuery(long session, String query, Object holder);

    /**
     * Whether the cursor of a result set has objects left. The cursor is not guarded: one result
     * set is walked by one thread at a time.
     *
     * @param resultSet a result-set handle
     * @return true when {@link #WmiObjectEnumNextObject} has another object to hand out; false at
     *     the end, and for 0
     */
    public static native boolean WmiObjectEnumHasMoreObjects(long resultSet);

    /**
     * Hands out the object at the cursor of a result set and advances the cursor, also when the
     * handle cannot be handed out. Each call makes a new object handle.
     *
     * @param resultSet a result-set handle
     * @param holder receives the object handle; free it with {@link #WmiObjectDestroy}
     * @return 0 on success; -1 when the cursor is past the last object (nothing is handed out);
     *     87 for a 0 handle or a null holder; 127 for a holder without {@code set(long)}
     */
    public static native long WmiObjectEnumNextObject(long resultSet, Object holder);

    /**
     * Moves the cursor of a result set back to its first object.
     *
     * @param resultSet a result-set handle; 0 does nothing
     */
    public static native void WmiObjectEnumReset(long resultSet);

    /**
     * The number of objects a result set holds, wherever its cursor is.
     *
     * @param resultSet a result-set handle
     * @return how many objects the query delivered; 0 for 0
     */
    public static native int WmiObjectEnumObjectCount(long resultSet);

    /**
     * Frees a result-set handle and its buffered objects. Object handles that
     * {@link #WmiObjectEnumNextObject} handed out stay valid.
     *
     * @param resultSet a result-set handle; 0 does nothing
     */
    public static native void WmiObjectEnumDestroy(long resultSet);

    /**
     * Frees an object handle, whichever call made it: a result set, a stream, a read by path, a
     * new instance, an embedded object, a method's input or output parameters. Other handles to
     * the same WMI object stay valid.
     *
     * @param object an object handle; 0 does nothing
     */
    public static native void WmiObjectDestroy(long object);

    // Objects.
    /**
     * Reads one object by its path: an instance ({@code Win32_Process.Handle="4"}, or
     * {@code Name=@} for a singleton) or the definition of a WMI type ({@code Win32_Process}).
     *
     * @param session a session handle
     * @param objectPath the object's path
     * @param holder receives the object handle; free it with {@link #WmiObjectDestroy}
     * @return 0 on success; 87 for a 0 session, a null or empty path, or a null holder; 127 for a
     *     holder without {@code set(long)}; 14 when memory ran out; 4312 when WMI reported success
     *     without an object; otherwise WMI's code, for example {@code WBEM_E_NOT_FOUND} or
     *     {@code WBEM_E_INVALID_CLASS} (negative)
     */
    public static native long WmiServiceGetObject(long session, String objectPath, Object holder);

    /**
     * Makes a new instance of a WMI type from the type's definition, as
     * {@link #WmiServiceGetObject} reads it. The instance exists only here: nothing is stored in
     * WMI. Fill it with the put methods to pass it as an embedded object or a method's input.
     *
     * @param classObject the handle of the type's definition
     * @param holder receives the handle of the new instance; free it with
     *     {@link #WmiObjectDestroy}
     * @return 0 on success; 87 for a 0 or empty handle, a handle without a WMI object, or a null
     *     holder; 127 for a holder without {@code set(long)}; 14 when memory ran out; otherwise
     *     WMI's code (negative)
     */
    public static native long WmiObjectGetInstance(long classObject, Object holder);

    /**
     * Opens the object embedded in a property as an object handle of its own.
     *
     * @param object an object handle
     * @param property the name of a property that holds an embedded object
     * @param holder receives the embedded object's handle, free it with {@link #WmiObjectDestroy};
     *     not called when the property is NULL
     * @return 0 on success, also for NULL; 87 for a 0 or empty handle, a null or empty name, a
     *     value that is not an embedded object, or a null holder; 127 for a holder without
     *     {@code set(long)}; 4312 for a handle without a WMI object, or an embedded value without
     *     one; 14 when memory ran out; otherwise WMI's code, for example {@code WBEM_E_NOT_FOUND}
     *     for a property the object does not have (negative)
     */
    public static native long WmiObjectGetPropertyObject(long object, String property, Object holder);

    // Methods.
    /**
     * Looks up a WMI method for {@link #WmiMethodExecuteMth}. The method handle keeps what it needs
     * of the session, so it keeps working after the session is disconnected, and it may serve
     * several threads at once.
     *
     * @param session a session handle
     * @param classPath the name of the WMI type that defines the method, for example
     *     {@code Win32_Process}
     * @param methodName the method's name, for example {@code Create}
     * @param holder receives the method handle; free it with {@link #WmiMethodDestroy}
     * @return 0 on success; 87 for a 0 session, a null or empty type or method name, or a null
     *     holder; 127 for a holder without {@code set(long)}; 14 when memory ran out; 4312 when WMI
     *     reported success without the type's definition; otherwise WMI's code for an unknown type
     *     or method (negative)
     */
    public static native long WmiServiceGetMethod(
            long session, String classPath, String methodName, Object holder);

    /**
     * Makes a new instance of a method's input parameters, to be filled with the put methods and
     * passed to {@link #WmiMethodExecuteMth}. Each call makes a separate instance.
     * For a method without input parameters the holder receives an empty handle, which
     * {@link #WmiMethodExecuteMth} takes as no input.
     *
     * @param method a method handle
     * @param holder receives the object handle; free it with {@link #WmiObjectDestroy}
     * @return 0 on success; 87 for a 0 handle or a null holder; 127 for a holder without
     *     {@code set(long)}; 14 when memory ran out; otherwise WMI's code (negative)
     */
    public static native long WmiMethodGetInputProperties(long method, Object holder);

    /**
     * Runs a WMI method and hands out its output parameters. A non-zero {@code ReturnValue} of the
     * method is one of its outputs, not an error of this call.
     *
     * @param method a method handle
     * @param objectPath where the method runs: the WMI type's name for a static method
     *     ({@code Win32_Process}), an instance's path otherwise ({@code Win32_Process.Handle="4"})
     * @param inputParameters the filled input parameters from
     *     {@link #WmiMethodGetInputProperties}, or 0 for none; the handle stays valid and may serve
     *     again
     * @param holder receives the handle of the output parameters, {@code ReturnValue} among them;
     *     free it with {@link #WmiObjectDestroy}. Not called when the method gives no output.
     * @return 0 when the method ran; 87 for a 0 method handle, a null or empty path, or a null
     *     holder for a method that gives output; 127 for a holder without {@code set(long)}; 14
     *     when memory ran out; otherwise WMI's code, for example for input parameters that are
     *     missing (negative)
     */
    public static native long WmiMethodExecuteMth(
            long method, String objectPath, long inputParameters, Object holder);

    /**
     * Frees a method handle.
     *
     * @param method a method handle; 0 does nothing
     */
    public static native void WmiMethodDestroy(long method);

    // Reading properties.
    /**
     * Reads a property as text. NULL and empty values give {@code ""}; signed 8-, 16- and 32-bit
     * integers their signed decimal, unsigned ones their unsigned decimal; reals fixed notation
     * with six decimals ({@code 2.500000}), whatever the locale; strings (which is how WMI holds
     * 64-bit integers, datetimes and references) their characters up to the first NUL, and
     * {@code ""} for a null string; booleans {@code "1"} for true and {@code "0"} for false.
     * Arrays, embedded objects and values of other types have no text.
     *
     * @param object an object handle
     * @param property the property's name
     * @param errorHolder receives the error code through {@code set(long)} when the call fails
     *     (may be null)
     * @return the text, or null on failure, with the code: 87 for a 0 or empty handle, or a null
     *     or empty name; 4312 for a handle without a WMI object; 14 when the name could not be
     *     read; 1804 ({@code ERROR_INVALID_DATATYPE}) for a value without text; otherwise WMI's
     *     code, for example {@code WBEM_E_NOT_FOUND} for a property the object does not have
     *     (negative)
     */
    public static native String WmiObjectGetProperty(long object, String property, Object errorHolder);

    /**
     * Reads a property's value into a collection through its {@code add(Object)}: an array element
     * by element, each as a {@code String} by the rules of {@link #WmiObjectGetProperty}; a scalar
     * as one {@code String}, or as one null when it has no text; NULL as nothing. When
     * {@code add} throws, the reading stops and the exception is thrown when this returns.
     *
     * @param object an object handle
     * @param property the property's name
     * @param collection receives the texts through {@code add(Object)}, for example a
     *     {@code java.util.List<String>}
     * @return 0 on success; 87 for a 0 or empty handle, a null or empty name, or a null
     *     collection; 127 when the collection has no {@code add(Object)}; 4312 for a handle without
     *     a WMI object; 14 when the name could not be read; 1804 for an array whose elements have
     *     no text (nothing is added); otherwise WMI's code, for example {@code WBEM_E_NOT_FOUND}
     *     (negative)
     */
    public static native long WmiObjectGetPropertyValues(long object, String property, Object collection);

    /**
     * Reads a qualifier of a property as text, by the rules of {@link #WmiObjectGetProperty}.
     *
     * @param object an object handle
     * @param property the property's name
     * @param qualifier the qualifier's name, for example {@code CIMTYPE} or {@code key}
     * @param errorHolder receives the error code through {@code set(long)} when the call fails
     *     (may be null)
     * @return the text, or null on failure, with the codes of {@link #WmiObjectGetProperty}; a
     *     property or qualifier that does not exist gives WMI's code, for example
     *     {@code WBEM_E_NOT_FOUND} (negative)
     */
    public static native String WmiObjectGetPropertyQualifierValue(
            long object, String property, String qualifier, Object errorHolder);

    // Writing scalar properties.
    /**
     * Writes a boolean ({@code VT_BOOL}), with the codes of {@link #WmiObjectPutPropertyInt}.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the value
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyBoolean(long object, String property, boolean value);

    /**
     * Writes a signed 8-bit integer ({@code VT_I1}), with the codes of
     * {@link #WmiObjectPutPropertyInt}.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the value
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyByte(long object, String property, byte value);

    /**
     * Writes a signed 16-bit integer ({@code VT_I2}), with the codes of
     * {@link #WmiObjectPutPropertyInt}.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the value
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyShort(long object, String property, short value);

    /**
     * Writes a signed 32-bit integer ({@code VT_I4}). Like every put method, it writes into the
     * object behind the handle only: nothing is stored in WMI. WMI converts the value to the
     * property's CIM type, or refuses it.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing and returns 0
     * @param value the value
     * @return 0 when written; 87 for a 0 or empty handle, or a null name; 4312 for a handle
     *     without a WMI object; 14 when memory ran out; otherwise WMI's refusal, for example
     *     {@code WBEM_E_TYPE_MISMATCH}, or {@code WBEM_E_NOT_FOUND} for a property the object does
     *     not have (negative)
     */
    public static native long WmiObjectPutPropertyInt(long object, String property, int value);

    /**
     * Writes a 64-bit real ({@code VT_R8}), with the codes of {@link #WmiObjectPutPropertyInt}.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the value
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyDouble(long object, String property, double value);

    /**
     * Writes a 32-bit real ({@code VT_R4}), with the codes of {@link #WmiObjectPutPropertyInt}.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the value
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyFloat(long object, String property, float value);

    /**
     * Writes a string ({@code VT_BSTR}); datetimes and references are written as strings too. The
     * codes are those of {@link #WmiObjectPutPropertyInt}, and 87 for an empty value, which is
     * refused before anything else is looked at.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param value the text; null writes a string value without text (a null {@code BSTR})
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyString(long object, String property, String value);

    /**
     * Writes an embedded object ({@code VT_DISPATCH}, or {@code VT_UNKNOWN} for an object without
     * {@code IDispatch}). The written value survives the embedded handle, which may be freed
     * afterwards. The codes are those of {@link #WmiObjectPutPropertyInt}, and 87 for an embedded
     * handle that is 0, empty or without a WMI object.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param embeddedObject the handle of the object to embed, for example a new instance from
     *     {@link #WmiObjectGetInstance}
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyObject(long object, String property, long embeddedObject);

    /**
     * Writes a number as a chosen VARIANT type: the low 8, 16 or 32 bits of {@code value} for
     * {@code VT_I1} and {@code VT_UI1} (16, 17), {@code VT_I2} and {@code VT_UI2} (2, 18), and
     * {@code VT_I4}, {@code VT_UI4}, {@code VT_INT} and {@code VT_UINT} (3, 19, 22, 23); the
     * nearest real for {@code VT_R4} (4) and {@code VT_R8} (5); true for any non-zero value as
     * {@code VT_BOOL} (11); and for {@code VT_I8} (20) and {@code VT_UI8} (21) the value's signed
     * or unsigned decimal text as a string, which is how WMI holds 64-bit integers. The codes are
     * those of {@link #WmiObjectPutPropertyInt}, and 87 for any other type.
     *
     * @param object an object handle
     * @param property the property's name; empty writes nothing
     * @param type the VARIANT type; only its low 16 bits count
     * @param value the number
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyAsType(long object, String property, int type, long value);

    // Writing array properties.
    /**
     * Writes an array of booleans ({@code VT_BOOL} elements), with the codes of
     * {@link #WmiObjectPutPropertyIntArray}. When there is no memory to convert the elements, an
     * {@code OutOfMemoryError} is thrown.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyBooleanArray(long object, String property, boolean[] values);

    /**
     * Writes an array of signed 8-bit integers ({@code VT_I1} elements), with the codes of
     * {@link #WmiObjectPutPropertyIntArray}.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyByteArray(long object, String property, byte[] values);

    /**
     * Writes an array of signed 16-bit integers ({@code VT_I2} elements), with the codes of
     * {@link #WmiObjectPutPropertyIntArray}.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyShortArray(long object, String property, short[] values);

    /**
     * Writes an array of signed 32-bit integers ({@code VT_INT} elements). Like every array put
     * method, it writes a one-dimensional array into the object behind the handle only: nothing
     * is stored in WMI. An empty Java array writes an empty array.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written; 87 for a null array (checked first), a 0 or empty handle, or a null
     *     or empty name; 4312 for a handle without a WMI object; 14 when memory ran out; otherwise
     *     WMI's refusal, for example {@code WBEM_E_TYPE_MISMATCH} for a property that is not an
     *     array (negative)
     */
    public static native long WmiObjectPutPropertyIntArray(long object, String property, int[] values);

    /**
     * Writes an array of 64-bit reals ({@code VT_R8} elements), with the codes of
     * {@link #WmiObjectPutPropertyIntArray}.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyDoubleArray(long object, String property, double[] values);

    /**
     * Writes an array of 32-bit reals ({@code VT_R4} elements), with the codes of
     * {@link #WmiObjectPutPropertyIntArray}.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyFloatArray(long object, String property, float[] values);

    /**
     * Writes an array of strings ({@code VT_BSTR} elements); arrays of 64-bit integers, datetimes
     * and references are written as strings too. The codes are those of
     * {@link #WmiObjectPutPropertyIntArray}. When there is no memory for the list of texts, an
     * {@code OutOfMemoryError} is thrown.
     *
     * @param object an object handle
     * @param property the property's name
     * @param values the elements; a null element is written as an empty string
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyStringArray(long object, String property, String[] values);

    /**
     * Writes an array of integers as a chosen element type: the low 32 bits of each value for
     * {@code VT_I4}, {@code VT_UI4} and {@code VT_UINT} (3, 19, 23), the low 8 bits for
     * {@code VT_UI1} (17), the low 16 bits for {@code VT_UI2} (18). The codes are those of
     * {@link #WmiObjectPutPropertyIntArray}, and 87 for any other type.
     *
     * @param object an object handle
     * @param property the property's name
     * @param type the VARIANT type of the elements; only its low 16 bits count
     * @param values the elements
     * @return 0 when written, else an error code
     */
    public static native long WmiObjectPutPropertyAsTypeArray(
            long object, String property, int type, long[] values);
}
