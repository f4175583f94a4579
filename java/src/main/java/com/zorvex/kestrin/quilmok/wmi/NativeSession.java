package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import com.zorvex.kestrin.quilmok.lib.wmi.WmiExtensions;
import java.lang.ref.Cleaner;
import java.time.Duration;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.Optional;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.Consumer;
import java.util.function.Function;
import java.util.function.LongConsumer;
import java.util.function.LongFunction;

/** A session over the natives; see {@link WmiSession}. */
final class NativeSession implements WmiSession {
    private static final String RETURN_VALUE = "ReturnValue";
    private static final int ERROR_INVALID_PARAMETER = 87;

    private final ConnectOptions options;
    private final NativeHandle session;
    private final Cleaner.Cleanable cleanable;
    private final CallGate gate = new CallGate("the session");
    /** The streams and subscriptions of the session, which it closes when it closes. */
    private final Set<AutoCloseable> open = ConcurrentHashMap.newKeySet();

    private NativeSession(ConnectOptions options, Owned handle) {
        this.options = options;
        this.session = new NativeHandle(handle, WmiConnector::WmiServiceDisconnectServer, "session");
        this.cleanable = Natives.CLEANER.register(this, session);
    }

    static NativeSession connect(ConnectOptions options) {
        String target = options.toString();
        Owned handle = Calls.within(options.connectTimeout(), "connect to", target, () -> {
            Holder holder = new Holder();
            long code = WmiConnector.WmiServiceConnectServer(
                    options.networkResource(), options.authority(), options.user(), options.passwordText(), holder);
            Natives.check(code, "connect to", target);
            return Owned.claim(Natives.received(holder, "connect to", target));
        }, orphan -> free(orphan, WmiConnector::WmiServiceDisconnectServer));
        return new NativeSession(options, handle);
    }

    @Override
    public WmiResult query(String wql) {
        return query(wql, options.operationTimeout());
    }

    @Override
    public WmiResult query(String wql, Duration timeout) {
        required(wql, "query");
        Objects.requireNonNull(timeout, "timeout");
        List<WmiObject> objects = call("query", describe(wql), timeout, session -> {
            Holder holder = new Holder();
            Natives.check(WmiConnector.WmiServiceExecQuery(session, wql, holder), "query", describe(wql));
            return Natives.drain(Natives.received(holder, "query", describe(wql)), wql);
        }, ignored -> {});
        return new WmiResult(wql, objects);
    }

    @Override
    public <R extends Record> List<R> query(Class<R> type) {
        return query(type, null);
    }

    @Override
    public <R extends Record> List<R> query(Class<R> type, Filter where) {
        RecordMapping<R> mapping = RecordMapping.of(type);
        try (WmiResult result = query(mapping.query(where))) {
            return result.as(type);
        }
    }

    @Override
    public WmiStream stream(String wql) {
        Owned handle = openStream("stream", wql, WmiExtensions::WmiServiceExecQueryStreaming);
        return tracked(onClose -> new WmiStream(wql, handle, options.operationTimeout(), onClose));
    }

    @Override
    public WmiSubscription subscribe(String eventWql) {
        Owned handle = openStream("subscribe to", eventWql, WmiExtensions::WmiServiceExecNotificationQuery);
        return tracked(onClose -> new WmiSubscription(eventWql, handle, onClose));
    }

    @Override
    public WmiSubscription subscribe(String eventWql, Consumer<? super WmiObject> onEvent,
            Consumer<? super RuntimeException> onError) {
        Objects.requireNonNull(onEvent, "onEvent");
        Objects.requireNonNull(onError, "onError");
        WmiSubscription subscription = subscribe(eventWql);
        subscription.deliverTo(onEvent, onError);
        return subscription;
    }

    @Override
    public WmiResult associators(String objectPath, AssociationFilter filter) {
        return query(Objects.requireNonNull(filter, "filter").associatorsOf(objectPath));
    }

    @Override
    public WmiResult references(String objectPath, AssociationFilter filter) {
        return query(Objects.requireNonNull(filter, "filter").referencesOf(objectPath));
    }

    @Override
    public WmiObject get(String objectPath) {
        required(objectPath, "object path");
        return call("get", objectPath, options.operationTimeout(),
                session -> Natives.snapshot(getObject(session, objectPath), objectPath), ignored -> {});
    }

    @Override
    public Optional<WmiObject> find(String objectPath) {
        try {
            return Optional.of(get(objectPath));
        } catch (WmiNotFoundException e) {
            return Optional.empty();
        }
    }

    @Override
    public WmiObject spawn(String className) {
        Filter.checked(className);
        Owned instance = call("spawn", className, options.operationTimeout(), session -> {
            long classObject = getObject(session, className);
            try {
                Holder holder = new Holder();
                Natives.check(WmiConnector.WmiObjectGetInstance(classObject, holder), "spawn", className);
                return Owned.claim(Natives.received(holder, "spawn", className));
            } finally {
                WmiConnector.WmiObjectDestroy(classObject);
            }
        }, orphan -> free(orphan, WmiConnector::WmiObjectDestroy));
        return WmiObject.live(instance);
    }

    @Override
    public MethodResult invoke(String objectPath, String method, Map<String, ?> inputs) {
        required(objectPath, "object path");
        Filter.checked(method);
        Objects.requireNonNull(inputs, "inputs");
        inputs.keySet().forEach(name -> required(name, "input parameter name"));
        String className = Filter.checked(ObjectPaths.className(objectPath));
        String operation = "method " + method + " of";
        return call(operation, objectPath, options.operationTimeout(), session -> {
            Holder holder = new Holder();
            Natives.check(WmiConnector.WmiServiceGetMethod(session, className, method, holder), operation, objectPath);
            long methodHandle = Natives.received(holder, operation, objectPath);
            try {
                return execute(methodHandle, objectPath, method, inputs, operation);
            } finally {
                WmiConnector.WmiMethodDestroy(methodHandle);
            }
        }, ignored -> {});
    }

    @Override
    public String host() {
        return options.host();
    }

    @Override
    public String namespace() {
        return options.namespace();
    }

    @Override
    public boolean isClosed() {
        return gate.isClosed();
    }

    @Override
    public void close() {
        if (gate.closeAndAwait()) {
            for (AutoCloseable stream : List.copyOf(open)) {
                closeOpen(stream);
            }
            session.close();
            cleanable.clean();
        }
    }

    @Override
    public String toString() {
        return "WmiSession " + options + (isClosed() ? " (closed)" : "");
    }

    private MethodResult execute(long methodHandle, String objectPath, String method, Map<String, ?> inputs,
            String operation) {
        long input = 0;
        WmiObject inputObject = null;
        try {
            if (!inputs.isEmpty()) {
                Holder holder = new Holder();
                Natives.check(WmiConnector.WmiMethodGetInputProperties(methodHandle, holder), operation, objectPath);
                input = Natives.received(holder, operation, objectPath);
                inputObject = WmiObject.live(Owned.claim(input));
                fill(inputObject, inputs, method);
            }
            Holder output = new Holder();
            Natives.check(WmiConnector.WmiMethodExecuteMth(methodHandle, objectPath, input, output), operation,
                    objectPath);
            if (!output.received() || output.value() == 0) {
                return new MethodResult(method, objectPath, 0, Map.of());
            }
            return result(method, objectPath, Natives.snapshot(output.value(), objectPath));
        } finally {
            if (inputObject != null) {
                inputObject.close();
            }
        }
    }

    private static void fill(WmiObject inputObject, Map<String, ?> inputs, String method) {
        try {
            inputObject.propertyNames();
        } catch (WmiException e) {
            if (e.code() == ERROR_INVALID_PARAMETER) {
                // The natives hand out an empty input object for a method without parameters.
                throw new IllegalArgumentException(method + " takes no input parameters", e);
            }
            throw e;
        }
        for (Map.Entry<String, ?> entry : inputs.entrySet()) {
            inputObject.put(entry.getKey(), entry.getValue());
        }
    }

    private static MethodResult result(String method, String objectPath, WmiObject output) {
        long returnValue = 0;
        Map<String, Object> outputs = new LinkedHashMap<>();
        for (Map.Entry<String, Object> entry : output.toMap().entrySet()) {
            if (entry.getKey().equalsIgnoreCase(RETURN_VALUE) && entry.getValue() instanceof Long number) {
                returnValue = number;
            } else {
                outputs.put(entry.getKey(), entry.getValue());
            }
        }
        return new MethodResult(method, objectPath, returnValue, outputs);
    }

    /** The natives that open a stream handle: a streaming query or a subscription. */
    @FunctionalInterface
    private interface StreamOpener {
        long open(long session, String wql, Object holder);
    }

    /**
     * Opens a stream handle on a worker that is pinned to it from then on: a stream's batches
     * make native objects, which must be made and freed on its worker.
     */
    private Owned openStream(String operation, String wql, StreamOpener opener) {
        required(wql, "query");
        return call(operation, describe(wql), options.operationTimeout(), session -> {
            Holder holder = new Holder();
            Natives.check(opener.open(session, wql, holder), operation, describe(wql));
            Owned stream = Owned.claim(Natives.received(holder, operation, describe(wql)));
            stream.owner().pin();
            return stream;
        }, orphan -> free(orphan, stream -> {
            WmiExtensions.WmiObjectStreamDestroy(stream);
            orphan.owner().unpin();
        }));
    }

    /**
     * Keeps a new stream or subscription with the session until it closes; {@code make} receives
     * what the new object runs when it closes. One made while the session closed is closed at once.
     */
    private <T extends AutoCloseable> T tracked(Function<Runnable, T> make) {
        AtomicReference<T> self = new AtomicReference<>();
        T made = make.apply(() -> open.remove(self.get()));
        self.set(made);
        open.add(made);
        if (gate.isClosed()) {
            closeOpen(made);
        }
        return made;
    }

    /** Closes a stream or subscription, whose close throws no checked exception. */
    private static void closeOpen(AutoCloseable stream) {
        try {
            stream.close();
        } catch (RuntimeException e) {
            throw e;
        } catch (Exception e) {
            throw new IllegalStateException(e);
        }
    }

    /** Frees a handle whose caller stopped waiting; runs on the worker that made it. */
    private static void free(Owned orphan, LongConsumer destroy) {
        try {
            destroy.accept(orphan.handle());
        } finally {
            orphan.owner().disclaim();
        }
    }

    private static long getObject(long session, String path) {
        Holder holder = new Holder();
        Natives.check(WmiConnector.WmiServiceGetObject(session, path, holder), "get", path);
        return Natives.received(holder, "get", path);
    }

    /**
     * Runs a native call on the session within {@code timeout}. The session handle is leased for
     * as long as the native call runs, also when the caller stops waiting for it.
     */
    private <T> T call(String operation, String target, Duration timeout, LongFunction<T> body,
            Consumer<? super T> orphan) {
        gate.enter();
        try {
            long handle = session.lease();
            return Calls.within(timeout, operation, target, () -> {
                try {
                    return body.apply(handle);
                } finally {
                    session.release();
                }
            }, orphan);
        } finally {
            gate.exit();
        }
    }

    private String describe(String wql) {
        return "\"" + wql + "\" on " + options;
    }

    private static void required(String text, String what) {
        if (text == null || text.isBlank()) {
            throw new IllegalArgumentException("a " + what + " is required");
        }
    }
}
