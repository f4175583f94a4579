package com.zorvex.kestrin.quilmok.wmi;

import java.lang.annotation.Documented;
import java.lang.annotation.ElementType;
import java.lang.annotation.Retention;
import java.lang.annotation.RetentionPolicy;
import java.lang.annotation.Target;

/**
 * Names the WMI class that a record maps, for {@link WmiSession#query(Class)}; without it the
 * record's simple name is the class name.
 */
@Documented
@Retention(RetentionPolicy.RUNTIME)
@Target(ElementType.TYPE)
public @interface WmiClass {
    /**
     * The WMI class name, for example {@code Win32_LogicalDisk}.
     *
     * @return the class name
     */
    String value();
}
