package com.zorvex.kestrin.quilmok.bench;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.Locale;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;

/**
 * The JNI side's benchmarks: every figure is the median of one variant divided by the median of
 * its floor, measured in this JVM after a warm-up, the variants interleaved round by round.
 * Prints one {@code FIGURE} line per ratio.
 */
public final class BridgeBench {
    private static final int REPETITIONS = Integer.getInteger("bench.repetitions", 21);
    private static final int ITEMS = 1000;
    private static final String NAMESPACE = "root\\bench" + ITEMS;
    private static final String STRING_PROPERTY = "Label";
    private static final String NUMBER_PROPERTY = "Value";

    /** Receives handles through set(long), as the Java library's holders do. */
    static final class Holder {
        long value;

        public void set(long received) {
            value = received;
        }
    }

    /** One round of a variant: {@code operations} operations. */
    interface Round {
        void run(int operations) throws Exception;
    }

    private static long sink;

    private static synchronized void publish(long sum) {
        sink += sum;
    }

    private BridgeBench() {}

    public static void main(String[] args) throws Exception {
        System.out.println("LOAD before: " + loadAverage());
        check(Floors.loadItems(NAMESPACE, ITEMS) == 0, "bench items do not load");
        long session = connect(NAMESPACE);
        long set = query(session, "SELECT * FROM Bench_Item");
        long floorServices = Floors.connect(NAMESPACE);
        long floorSet = Floors.openSet(floorServices, "SELECT * FROM Bench_Item");
        check(floorSet != 0 && WmiConnector.WmiObjectEnumObjectCount(set) == ITEMS, "bench query fails");

        propertyReads(set, floorSet);
        walk(set, floorSet);
        threads(set, floorSet);
        win32Process();

        WmiConnector.WmiObjectEnumDestroy(set);
        WmiConnector.WmiServiceDisconnectServer(session);
        Floors.closeSet(floorSet);
        Floors.disconnect(floorServices);
        System.out.println("LOAD after: " + loadAverage());
    }

    private static void propertyReads(long set, long floorSet) throws Exception {
        Holder holder = new Holder();
        WmiConnector.WmiObjectEnumReset(set);
        for (int i = 0; i <= ITEMS / 2; i++) {
            WmiConnector.WmiObjectEnumNextObject(set, holder);
            if (i < ITEMS / 2) {
                WmiConnector.WmiObjectDestroy(holder.value);
            }
        }
        long object = holder.value;
        long floorObject = Floors.objectAt(floorSet, ITEMS / 2);
        for (String property : List.of(STRING_PROPERTY, NUMBER_PROPERTY)) {
            String text = WmiConnector.WmiObjectGetProperty(object, property, holder);
            check(text != null && text.equals(Floors.get(floorObject, property, holder)), "reads differ");
            long kept = Floors.keepText(text);
            double[][] times = compare(20_000,
                    n -> {
                        for (int i = 0; i < n; i++) {
                            sink += WmiConnector.WmiObjectGetProperty(object, property, holder).length();
                        }
                    },
                    n -> {
                        for (int i = 0; i < n; i++) {
                            sink += Floors.newString(kept, property, holder).length();
                        }
                    },
                    n -> {
                        for (int i = 0; i < n; i++) {
                            sink += Floors.get(floorObject, property, holder).length();
                        }
                    });
            String kind = property.equals(STRING_PROPERTY) ? "string" : "uint32";
            figure("read_" + kind + "_vs_newstring", times[0], times[1], "bridge WmiObjectGetProperty",
                    "floor (a) NewString", "ns", 0);
            figure("read_" + kind + "_vs_get", times[0], times[2], "bridge WmiObjectGetProperty",
                    "floor (b) Get+NewString", "ns", 1.15);
            Floors.dropText(kept);
        }
        WmiConnector.WmiObjectDestroy(object);
    }

    private static void walk(long set, long floorSet) throws Exception {
        Holder holder = new Holder();
        double[][] times = compare(ITEMS,
                n -> {
                    WmiConnector.WmiObjectEnumReset(set);
                    while (WmiConnector.WmiObjectEnumHasMoreObjects(set)) {
                        WmiConnector.WmiObjectEnumNextObject(set, holder);
                        WmiConnector.WmiObjectDestroy(holder.value);
                    }
                },
                n -> {
                    Floors.reset(floorSet);
                    while (Floors.hasMore(floorSet)) {
                        Floors.next(floorSet, holder);
                        Floors.destroy(holder.value);
                    }
                });
        figure("walk_" + ITEMS, times[0], times[1], "bridge has-more/next/destroy", "floor (c) raw pointers",
                "ns per object", 1.3);
    }

    /** Property reads on handles that two threads share, against one thread doing the same reads. */
    private static void threads(long set, long floorSet) throws Exception {
        Holder holder = new Holder();
        long[] objects = new long[10];
        long[] floorObjects = new long[objects.length];
        WmiConnector.WmiObjectEnumReset(set);
        for (int i = 0; i < objects.length; i++) {
            WmiConnector.WmiObjectEnumNextObject(set, holder);
            objects[i] = holder.value;
            floorObjects[i] = Floors.objectAt(floorSet, i);
        }
        ExecutorService pool = Executors.newFixedThreadPool(2);
        try {
            // Each thread sums into a local of its own and publishes once: a field that both
            // threads wrote on every read would make them contend for its cache line.
            Round bridge = n -> {
                Holder own = new Holder();
                long sum = 0;
                for (int i = 0; i < n; i++) {
                    sum += WmiConnector.WmiObjectGetProperty(objects[i % objects.length], STRING_PROPERTY, own)
                            .length();
                }
                publish(sum);
            };
            Round floor = n -> {
                Holder own = new Holder();
                long sum = 0;
                for (int i = 0; i < n; i++) {
                    sum += Floors.get(floorObjects[i % floorObjects.length], STRING_PROPERTY, own).length();
                }
                publish(sum);
            };
            double[][] times = compare(20_000, onThreads(pool, 1, bridge), onThreads(pool, 2, bridge),
                    onThreads(pool, 1, floor), onThreads(pool, 2, floor));
            // Wall time per round is the same work per thread: two threads do twice the reads.
            double bridgeScaling = figureInverse("threads_2v1_bridge", times[0], times[1], 1.6);
            double floorScaling = figureInverse("threads_2v1_floor", times[2], times[3], 0);
            // What the machine gives two threads at the moment shows in the floor's scaling; the
            // bridge's against it tells whether the bridge itself keeps threads from scaling.
            System.out.println(String.format(Locale.ROOT,
                    "FIGURE threads_2v1_bridge_vs_floor %.3f  (the bridge's two-thread scaling / the floor's)",
                    bridgeScaling / floorScaling));
        } finally {
            pool.shutdown();
        }
        for (long object : objects) {
            WmiConnector.WmiObjectDestroy(object);
        }
    }

    /** A round that runs `round` on `threads` pool threads at once and waits for them. */
    private static Round onThreads(ExecutorService pool, int threads, Round round) {
        return n -> {
            CyclicBarrier start = new CyclicBarrier(threads);
            List<Future<?>> running = new ArrayList<>();
            for (int t = 0; t < threads; t++) {
                running.add(pool.submit(() -> {
                    start.await();
                    round.run(n);
                    return null;
                }));
            }
            for (Future<?> future : running) {
                future.get();
            }
        };
    }

    private static void win32Process() throws Exception {
        long session = connect("root\\cimv2");
        Holder holder = new Holder();
        int[] processes = new int[1];
        double[][] times = compare(1,
                n -> {
                    long processSet = query(session, "SELECT * FROM Win32_Process");
                    int count = 0;
                    while (WmiConnector.WmiObjectEnumHasMoreObjects(processSet)) {
                        WmiConnector.WmiObjectEnumNextObject(processSet, holder);
                        sink += WmiConnector.WmiObjectGetProperty(holder.value, "Name", holder).length();
                        sink += WmiConnector.WmiObjectGetProperty(holder.value, "ProcessId", holder).length();
                        WmiConnector.WmiObjectDestroy(holder.value);
                        count++;
                    }
                    WmiConnector.WmiObjectEnumDestroy(processSet);
                    processes[0] = count;
                },
                n -> sink += Floors.readProc());
        figure("win32_process_vs_proc", times[0], times[1], "bridge query, walk, Name and ProcessId",
                "floor reading /proc", "us per query (" + processes[0] + " processes)", 0);
        WmiConnector.WmiServiceDisconnectServer(session);
    }

    /**
     * Warms every variant up, then runs REPETITIONS rounds of each, interleaved (the order rotates
     * from round to round). Returns each variant's nanoseconds per operation, one per round.
     */
    private static double[][] compare(int operations, Round... variants) throws Exception {
        long warmUntil = System.nanoTime() + 2_000_000_000L;
        while (System.nanoTime() < warmUntil) {
            for (Round variant : variants) {
                variant.run(operations);
            }
        }
        double[][] times = new double[variants.length][REPETITIONS];
        for (int repetition = 0; repetition < REPETITIONS; repetition++) {
            for (int k = 0; k < variants.length; k++) {
                int v = (k + repetition) % variants.length;
                long start = System.nanoTime();
                variants[v].run(operations);
                times[v][repetition] = (System.nanoTime() - start) / (double) operations;
            }
        }
        return times;
    }

    private static double median(double[] values) {
        double[] sorted = values.clone();
        Arrays.sort(sorted);
        return sorted[sorted.length / 2];
    }

    /** The interquartile range as a share of the median. */
    private static double spread(double[] values) {
        double[] sorted = values.clone();
        Arrays.sort(sorted);
        return (sorted[sorted.length * 3 / 4] - sorted[sorted.length / 4]) / median(values);
    }

    private static void figure(String name, double[] measured, double[] floor, String what, String floorWhat,
            String unit, double target) {
        double ratio = median(measured) / median(floor);
        boolean micro = unit.startsWith("us");
        double scale = micro ? 1e-3 : 1;
        StringBuilder line = new StringBuilder(String.format(Locale.ROOT,
                "FIGURE %s %.3f  (%s %.1f / %s %.1f %s; medians of %d rounds, spread %.0f%% / %.0f%%)", name,
                ratio, what, median(measured) * scale, floorWhat, median(floor) * scale, unit, REPETITIONS,
                100 * spread(measured), 100 * spread(floor)));
        if (target > 0) {
            line.append(String.format(Locale.ROOT, "  target <= %.2f: %s", target, ratio <= target ? "met" : "MISSED"));
        }
        System.out.println(line);
    }

    /** Throughput of two threads against one: twice the work in the two-thread wall time. */
    private static double figureInverse(String name, double[] one, double[] two, double target) {
        double ratio = 2 * median(one) / median(two);
        StringBuilder line = new StringBuilder(String.format(Locale.ROOT,
                "FIGURE %s %.3f  (reads per second of 2 threads / 1 thread; one read %.1f ns on 1 thread,"
                        + " %.1f ns wall per read pair on 2; spread %.0f%% / %.0f%%)",
                name, ratio, median(one), median(two), 100 * spread(one), 100 * spread(two)));
        if (target > 0) {
            line.append(String.format(Locale.ROOT, "  target >= %.2f: %s", target, ratio >= target ? "met" : "MISSED"));
        }
        System.out.println(line);
        return ratio;
    }

    private static long connect(String nameSpace) {
        Holder holder = new Holder();
        check(WmiConnector.WmiServiceConnectServer(nameSpace, null, null, null, holder) == 0, "connect fails");
        return holder.value;
    }

    private static long query(long session, String wql) {
        Holder holder = new Holder();
        check(WmiConnector.WmiServiceExecQuery(session, wql, holder) == 0, "query fails: " + wql);
        return holder.value;
    }

    private static void check(boolean condition, String what) {
        if (!condition) {
            throw new IllegalStateException(what);
        }
    }

    private static String loadAverage() {
        try {
            return Files.readString(Path.of("/proc/loadavg")).trim() + " on "
                    + Runtime.getRuntime().availableProcessors() + " processors";
        } catch (IOException e) {
            return "unknown";
        }
    }
}
