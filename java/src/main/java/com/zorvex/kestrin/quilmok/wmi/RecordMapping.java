package com.zorvex.kestrin.quilmok.wmi;

import java.lang.reflect.Constructor;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.RecordComponent;

/**
 * How a record maps a WMI class: its class name, one property per component and the converter of
 * each. Made and checked once per record type, before any query runs.
 */
final class RecordMapping<R extends Record> {
    private static final ClassValue<RecordMapping<?>> CACHE = new ClassValue<>() {
        @Override
        protected RecordMapping<?> computeValue(Class<?> type) {
            return new RecordMapping<>(type.asSubclass(Record.class));
        }
    };

    private final Class<R> type;
    private final String className;
    private final String[] properties;
    private final Conversions.Converter[] converters;
    private final Constructor<R> constructor;

    @SuppressWarnings("unchecked")
    static <R extends Record> RecordMapping<R> of(Class<R> type) {
        if (type == null || !type.isRecord()) {
            throw new IllegalArgumentException("not a record class: " + type);
        }
        return (RecordMapping<R>) CACHE.get(type);
    }

    private RecordMapping(Class<R> type) {
        this.type = type;
        WmiClass wmiClass = type.getAnnotation(WmiClass.class);
        this.className = Filter.checked(wmiClass != null ? wmiClass.value() : type.getSimpleName());
        RecordComponent[] components = type.getRecordComponents();
        if (components.length == 0) {
            throw new IllegalArgumentException(type.getName() + " has no components to map");
        }
        this.properties = new String[components.length];
        this.converters = new Conversions.Converter[components.length];
        Class<?>[] parameterTypes = new Class<?>[components.length];
        for (int i = 0; i < components.length; i++) {
            RecordComponent component = components[i];
            WmiProperty property = component.getAnnotation(WmiProperty.class);
            properties[i] = Filter.checked(property != null ? property.value() : component.getName());
            try {
                converters[i] = Conversions.to(component.getGenericType());
            } catch (IllegalArgumentException e) {
                throw new IllegalArgumentException(
                        type.getName() + "." + component.getName() + ": " + e.getMessage(), e);
            }
            parameterTypes[i] = component.getType();
        }
        try {
            this.constructor = type.getDeclaredConstructor(parameterTypes);
            this.constructor.setAccessible(true);
        } catch (NoSuchMethodException | RuntimeException e) {
            throw new IllegalArgumentException("cannot construct " + type.getName()
                    + " (in a named module, open its package to com.zorvex.kestrin.quilmok.wmi)", e);
        }
    }

    String className() {
        return className;
    }

    /** {@code SELECT <components> FROM <class>}, with the condition when there is one. */
    String query(Filter where) {
        StringBuilder query = new StringBuilder("SELECT ").append(String.join(", ", properties))
                .append(" FROM ").append(className);
        if (where != null) {
            query.append(" WHERE ").append(where.toWql());
        }
        return query.toString();
    }

    R map(WmiObject object) {
        Object[] arguments = new Object[properties.length];
        for (int i = 0; i < properties.length; i++) {
            WmiValue value = object.find(properties[i]);
            if (value == null) {
                throw new WmiMappingException("map to " + type.getSimpleName(), object.describe(),
                        "the object has no property " + properties[i]);
            }
            try {
                arguments[i] = converters[i].convert(value.value());
            } catch (Conversions.Mismatch e) {
                throw new WmiMappingException("map to " + type.getSimpleName(), object.describe(),
                        properties[i] + ": " + e.getMessage());
            }
        }
        try {
            return constructor.newInstance(arguments);
        } catch (InvocationTargetException e) {
            Throwable cause = e.getCause();
            if (cause instanceof RuntimeException runtime) {
                throw runtime;
            }
            throw new IllegalStateException(cause);
        } catch (ReflectiveOperationException e) {
            throw new IllegalStateException(e);
        }
    }
}
