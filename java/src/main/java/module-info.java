/**
 * Windows Management Instrumentation for Java: sessions, queries, typed objects and records,
 * methods, streams, event subscriptions, associations and fleets in {@code com.zorvex.kestrin.quilmok.wmi}, over the native bridge
 * whose declarations are in {@code com.zorvex.kestrin.quilmok.lib.wmi} and
 * {@code com.zorvex.kestrin.quilmok.lib.wmic}. The query tool {@code wmiq}
 * ({@code com.zorvex.kestrin.quilmok.wmi.cli}, not exported) needs picocli and gson; the library
 * does not.
 */
module com.zorvex.kestrin.quilmok.wmi {
    requires static picocli;
    requires static gson;

    exports com.zorvex.kestrin.quilmok.wmi;
    exports com.zorvex.kestrin.quilmok.lib.wmi;
    exports com.zorvex.kestrin.quilmok.lib.wmic;

    // picocli fills the tool's options by reflection.
    opens com.zorvex.kestrin.quilmok.wmi.cli to picocli;
}
