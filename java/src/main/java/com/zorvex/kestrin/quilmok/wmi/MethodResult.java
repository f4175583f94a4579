package com.zorvex.kestrin.quilmok.wmi;

import java.util.Map;
import java.util.Objects;

/**
 * What a WMI method returned: its {@code ReturnValue} (0 where the method has none) and its output
 * parameters by name, typed as {@link WmiValue} describes. Most methods report failure through a
 * non-zero return value whose meaning is their own; it is data here until {@link #orThrow()}.
 *
 * @param method the method's name
 * @param objectPath the path it ran on
 * @param returnValue the {@code ReturnValue}, or 0 when the method returns nothing
 * @param outputs the output parameters other than {@code ReturnValue}; unmodifiable
 */
public record MethodResult(String method, String objectPath, long returnValue, Map<String, Object> outputs) {
    /**
     * Checks the parts and makes the outputs unmodifiable.
     *
     * @param method the method's name
     * @param objectPath the path it ran on
     * @param returnValue the {@code ReturnValue}, or 0 when the method returns nothing
     * @param outputs the output parameters other than {@code ReturnValue}; copied in their order
     */
    public MethodResult {
        Objects.requireNonNull(method, "method");
        Objects.requireNonNull(objectPath, "objectPath");
        outputs = java.util.Collections.unmodifiableMap(new java.util.LinkedHashMap<>(outputs));
    }

    /**
     * True when the return value is 0.
     *
     * @return whether {@link #returnValue()} is 0
     */
    public boolean succeeded() {
        return returnValue == 0;
    }

    /**
     * This result when the return value is 0.
     *
     * @return this result
     * @throws WmiMethodException otherwise
     */
    public MethodResult orThrow() {
        if (returnValue != 0) {
            throw new WmiMethodException(method, objectPath, this);
        }
        return this;
    }

    /**
     * An output parameter's value (null for NULL or a parameter the method did not return).
     *
     * @param name the parameter's name, in any case
     * @return the value, typed as {@link WmiValue} describes, or null
     */
    public Object output(String name) {
        for (Map.Entry<String, Object> entry : outputs.entrySet()) {
            if (entry.getKey().equalsIgnoreCase(name)) {
                return entry.getValue();
            }
        }
        return null;
    }
}
