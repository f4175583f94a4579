package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions;
import java.lang.ref.Cleaner;

/** Small steps over the natives that several classes share. */
final class Natives {
    /** Frees the native handles of objects that became unreachable without being closed. */
    static final Cleaner CLEANER = Cleaner.create();

    private Natives() {}

    /** Throws the exception for a failed call; 0 is success. */
    static void check(long code, String operation, String target) {
        if (code != 0) {
            throw ErrorCodes.exceptionFor((int) code, operation, target);
        }
    }

    /** The property listing of an object handle, system properties included. */
    static Listing list(long object, String target) {
        Holder error = new Holder();
        Object[] listing =
                WmiExtensions.WmiObjectListProperties(object, WmiExtensions.LIST_SYSTEM_PROPERTIES, error);
        if (listing == null) {
            throw ErrorCodes.exceptionFor(error.code(), "read properties of", target);
        }
        return new Listing(listing);
    }

    /** A snapshot of an object handle, which is freed whatever happens. */
    static WmiObject snapshot(long object, String target) {
        try {
            return WmiObject.snapshot(list(object, target));
        } finally {
            WmiConnector.WmiObjectDestroy(object);
        }
    }

    /** The handle a holder received, for a call that reported success. */
    static long received(Holder holder, String operation, String target) {
        if (!holder.received() || holder.value() == 0) {
            throw ErrorCodes.exceptionFor(4312, operation, target);
        }
        return holder.value();
    }
}
