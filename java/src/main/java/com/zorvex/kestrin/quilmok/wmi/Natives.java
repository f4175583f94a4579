package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions;
import java.lang.ref.Cleaner;
import java.util.ArrayList;
import java.util.List;

/** Small steps over the natives that several classes share. */
final class Natives {
    /** Frees the native handles of objects that became unreachable without being closed. */
    static final Cleaner CLEANER = Cleaner.create();

    private static final long END_OF_RESULTS = -1;

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

    /** Snapshots of every object of a result set, which is freed whatever happens. */
    static List<WmiObject> drain(long resultSet, String target) {
        try {
            List<WmiObject> objects = new ArrayList<>(WmiConnector.WmiObjectEnumObjectCount(resultSet));
            while (true) {
                Holder object = new Holder();
                long code = WmiConnector.WmiObjectEnumNextObject(resultSet, object);
                if (code == END_OF_RESULTS) {
                    return objects;
                }
                check(code, "read the result of", target);
                objects.add(snapshot(received(object, "read the result of", target), target));
            }
        } finally {
            WmiConnector.WmiObjectEnumDestroy(resultSet);
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
