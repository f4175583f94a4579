/**
 * Windows Management Instrumentation for Java: sessions, queries, typed objects and records,
 * methods, streams and fleets in {@code com.zorvex.kestrin.quilmok.wmi}, over the native bridge
 * whose declarations are in {@code com.zorvex.kestrin.quilmok.lib.wmi} and
 * {@code com.zorvex.kestrin.quilmok.lib.wmic}.
 */
module com.zorvex.kestrin.quilmok.wmi {
    exports com.zorvex.kestrin.quilmok.wmi;
    exports com.zorvex.kestrin.quilmok.lib.wmi;
    exports com.zorvex.kestrin.quilmok.lib.wmic;
}
