package com.zorvex.kestrin.quilmok.wmi;

/**
 * A native handle made by a call, with the worker that made it and owns it from now on.
 *
 * @param handle the native handle
 * @param owner the worker that made it
 */
record Owned(long handle, ComThreads.Worker owner) {
    /** Claims a handle for the calling worker; only callable on a worker. */
    static Owned claim(long handle) {
        ComThreads.Worker worker = ComThreads.current();
        if (worker == null) {
            throw new IllegalStateException("native objects are made on the library's threads only");
        }
        worker.claim();
        return new Owned(handle, worker);
    }
}
