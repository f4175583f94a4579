package com.zorvex.kestrin.quilmok.wmi;

import java.lang.annotation.Documented;
import java.lang.annotation.ElementType;
import java.lang.annotation.Retention;
import java.lang.annotation.RetentionPolicy;
import java.lang.annotation.Target;

/**
 * Names the WMI property that a record component maps; without it the component's name is the
 * property name (WMI compares names without regard to case).
 */
@Documented
@Retention(RetentionPolicy.RUNTIME)
@Target(ElementType.RECORD_COMPONENT)
public @interface WmiProperty {
    /**
     * The WMI property name, for example {@code DeviceID}.
     *
     * @return the property name
     */
    String value();
}
