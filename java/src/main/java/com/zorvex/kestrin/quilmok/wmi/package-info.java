/**
 * Windows Management Instrumentation for Java.
 *
 * <p>Start with {@link com.zorvex.kestrin.quilmok.wmi.Wmi#connect(ConnectOptions)}, which gives a
 * {@link com.zorvex.kestrin.quilmok.wmi.WmiSession}. A session runs WQL queries (buffered,
 * streamed, or mapped straight into records), reads objects by path, makes new instances, runs
 * methods, walks associations and subscribes to events
 * ({@link com.zorvex.kestrin.quilmok.wmi.WmiSubscription}). Values are typed by their CIM type ({@link com.zorvex.kestrin.quilmok.wmi.WmiValue}):
 * unsigned numbers are never negative, 64-bit numbers are exact, datetimes are
 * {@code OffsetDateTime}s and NULL is told apart from empty.
 *
 * <p>Rules that hold throughout:
 * <ul>
 *   <li>Every call that waits on WMI has a finite time-out and throws
 *       {@link com.zorvex.kestrin.quilmok.wmi.WmiTimeoutException} when it runs out.</li>
 *   <li>Failures are exceptions that carry WMI's code, name and text
 *       ({@link com.zorvex.kestrin.quilmok.wmi.WmiException} and its subclasses); nothing is
 *       logged and swallowed, nothing failed is remembered.</li>
 *   <li>Sessions are thread-safe; snapshots of objects are immutable. Callers never initialise
 *       COM.</li>
 *   <li>Every native resource has one owner that is {@code AutoCloseable}; a
 *       {@link java.lang.ref.Cleaner} frees what was not closed.</li>
 *   <li>Bad arguments (null or empty names, closed sessions, records that cannot be mapped) raise
 *       {@code IllegalArgumentException} or {@code IllegalStateException} before any native call.</li>
 * </ul>
 */
package com.zorvex.kestrin.quilmok.wmi;
