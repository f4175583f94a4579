package com.zorvex.kestrin.quilmok.bench;

/**
 * The floors of the JNI benchmarks, in the bench-only library {@code wmibenchfloors}: natives that
 * do only what any bridge must do for the same result. Objects and sets are raw native pointers.
 */
final class Floors {
    static {
        System.loadLibrary("wmibenchfloors");
    }

    private Floors() {}

    /** Loads {@code count} Bench_Item instances into a namespace of the emulator; the HRESULT. */
    static native int loadItems(String nameSpace, int count);

    static native long connect(String nameSpace);

    static native void disconnect(long services);

    /** Runs a query and buffers its objects. */
    static native long openSet(long services, String query);

    static native void closeSet(long set);

    static native long objectAt(long set, int index);

    static native boolean hasMore(long set);

    /** Hands the next object's raw pointer to the holder's set(long); -1 at the end. */
    static native long next(long set, Object holder);

    /** Does nothing: a raw pointer needs no freeing. */
    static native void destroy(long object);

    static native void reset(long set);

    static native long keepText(String text);

    static native void dropText(long text);

    /** Floor (a): NewString of a text the native side holds. */
    static native String newString(long text, String name, Object holder);

    /** Floor (b): IWbemClassObject::Get of the named property and NewString of its text. */
    static native String get(long object, String name, Object holder);

    /** Reads what the Win32_Process provider reads from /proc; the number of processes. */
    static native int readProc();
}
