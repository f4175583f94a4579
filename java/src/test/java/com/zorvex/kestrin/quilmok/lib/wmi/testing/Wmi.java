package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.util.ArrayList;
import java.util.List;

/** Small conveniences over WmiConnector for tests: handles that free themselves, and reads. */
public final class Wmi {
    private Wmi() {}

    /** A session handle, disconnected on close. */
    public static final class Session implements AutoCloseable {
        public final long handle;

        Session(long handle) {
            this.handle = handle;
        }

        @Override
        public void close() {
            WmiConnector.WmiServiceDisconnectServer(handle);
        }
    }

    /** A result-set handle, destroyed on close. */
    public static final class ResultSet implements AutoCloseable {
        public final long handle;

        ResultSet(long handle) {
            this.handle = handle;
        }

        /** Every object handle of one pass, in order; the caller destroys them. */
        public List<Long> walk() {
            List<Long> objects = new ArrayList<>();
            Holder holder = new Holder();
            while (WmiConnector.WmiObjectEnumHasMoreObjects(handle)) {
                assertEquals(0L, WmiConnector.WmiObjectEnumNextObject(handle, holder));
                objects.add(holder.values().get(holder.values().size() - 1));
            }
            return objects;
        }

        @Override
        public void close() {
            WmiConnector.WmiObjectEnumDestroy(handle);
        }
    }

    /** An object handle, destroyed on close. */
    public static final class WmiObject implements AutoCloseable {
        public final long handle;

        public WmiObject(long handle) {
            this.handle = handle;
        }

        public String get(String property) {
            Holder error = new Holder();
            String value = WmiConnector.WmiObjectGetProperty(handle, property, error);
            if (value == null) {
                throw new AssertionError("reading " + property + " failed with " + error.values());
            }
            return value;
        }

        @Override
        public void close() {
            WmiConnector.WmiObjectDestroy(handle);
        }
    }

    public static Session connect(String resource) {
        return connect(resource, null, null, null);
    }

    public static Session connect(String resource, String authority, String user, String password) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceConnectServer(resource, authority, user, password, holder);
        assertEquals(0L, code, "connecting to " + resource);
        return new Session(holder.single());
    }

    public static ResultSet query(Session session, String wql) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceExecQuery(session.handle, wql, holder);
        assertEquals(0L, code, "query " + wql);
        return new ResultSet(holder.single());
    }

    /** The values of one property of every object of a query, in order. */
    public static List<String> column(Session session, String wql, String property) {
        List<String> values = new ArrayList<>();
        try (ResultSet set = query(session, wql)) {
            for (long object : set.walk()) {
                try (WmiObject o = new WmiObject(object)) {
                    values.add(o.get(property));
                }
            }
        }
        return values;
    }

    /** The one object of a query; fails unless there is exactly one. */
    public static WmiObject single(Session session, String wql) {
        try (ResultSet set = query(session, wql)) {
            List<Long> objects = set.walk();
            if (objects.size() != 1) {
                objects.forEach(WmiConnector::WmiObjectDestroy);
                throw new AssertionError(wql + " gave " + objects.size() + " objects");
            }
            return new WmiObject(objects.get(0));
        }
    }
}
