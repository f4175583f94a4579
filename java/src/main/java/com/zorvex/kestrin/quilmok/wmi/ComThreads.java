package com.zorvex.kestrin.quilmok.wmi;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import java.util.ArrayDeque;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * The library's own threads, on which every native object is made and freed.
 *
 * <p>A native object enters COM's multithreaded apartment on the thread that makes it and gives
 * that back only on the same thread; the apartment, and with it the object's proxies, stays alive
 * while some thread is in it. So each native handle belongs to the worker that made it: the
 * worker lives at least as long as the handles it owns, and frees each of them itself. Calls go to
 * an idle worker (a new one when none is idle); a worker that owns nothing and has been idle for
 * a while ends. A worker may also be pinned to one task, such as a stream, whose calls must all
 * run on the thread that made it.
 */
final class ComThreads {
    private static final long KEEP_ALIVE_SECONDS = 30;
    private static final Object LOCK = new Object();
    private static final ArrayDeque<Worker> IDLE = new ArrayDeque<>();
    private static final AtomicInteger NAMES = new AtomicInteger();

    private ComThreads() {}

    /** One thread of the library, with the tasks queued for it and the handles it owns. */
    static final class Worker implements Runnable {
        private final BlockingQueue<Runnable> tasks = new LinkedBlockingQueue<>();
        private int owned;
        private boolean busy;
        private boolean pinned;

        /** Queues a task; tasks run in order. */
        void execute(Runnable task) {
            tasks.add(task);
        }

        /** Runs a task on this worker and waits for it; runs it at once when called on this worker. */
        void executeAndWait(Runnable task) {
            if (current() == this) {
                task.run();
                return;
            }
            CountDownLatch done = new CountDownLatch(1);
            execute(() -> {
                try {
                    task.run();
                } finally {
                    done.countDown();
                }
            });
            boolean interrupted = false;
            while (true) {
                try {
                    done.await();
                    break;
                } catch (InterruptedException e) {
                    interrupted = true;
                }
            }
            if (interrupted) {
                Thread.currentThread().interrupt();
            }
        }

        /** Counts one more handle owned by this worker; called on the worker, by the call that made it. */
        void claim() {
            synchronized (LOCK) {
                owned++;
            }
        }

        /** Counts one handle less, once the worker has freed it. */
        void disclaim() {
            synchronized (LOCK) {
                owned--;
            }
        }

        /** Keeps this worker for one task only until {@link #unpin()}. */
        void pin() {
            synchronized (LOCK) {
                pinned = true;
                IDLE.remove(this);
            }
        }

        void unpin() {
            synchronized (LOCK) {
                pinned = false;
                if (!busy && !IDLE.contains(this)) {
                    IDLE.push(this);
                }
            }
        }

        @Override
        public void run() {
            CURRENT.set(this);
            while (true) {
                Runnable task;
                try {
                    task = tasks.poll(KEEP_ALIVE_SECONDS, TimeUnit.SECONDS);
                } catch (InterruptedException e) {
                    task = null;
                }
                if (task != null) {
                    task.run();
                    continue;
                }
                synchronized (LOCK) {
                    if (busy || pinned || owned > 0 || !tasks.isEmpty()) {
                        continue;
                    }
                    IDLE.remove(this);
                }
                // Initialisations parked for this thread by objects freed elsewhere are given back
                // on entry to any export.
                WmiConnector.WmiObjectEnumHasMoreObjects(0);
                return;
            }
        }
    }

    private static final ThreadLocal<Worker> CURRENT = new ThreadLocal<>();

    /** The worker running the calling thread, or null on any other thread. */
    static Worker current() {
        return CURRENT.get();
    }

    /** Runs a call on an idle worker, which is busy until the call returns. */
    static void call(Runnable task) {
        Worker worker;
        synchronized (LOCK) {
            worker = IDLE.poll();
            if (worker == null) {
                worker = new Worker();
                Thread thread = new Thread(worker, "wmi-" + NAMES.incrementAndGet());
                thread.setDaemon(true);
                thread.start();
            }
            worker.busy = true;
        }
        Worker chosen = worker;
        chosen.execute(() -> {
            try {
                task.run();
            } finally {
                synchronized (LOCK) {
                    chosen.busy = false;
                    if (!chosen.pinned) {
                        IDLE.push(chosen);
                    }
                }
            }
        });
    }
}
