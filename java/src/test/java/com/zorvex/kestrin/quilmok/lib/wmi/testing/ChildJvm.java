package com.zorvex.kestrin.quilmok.lib.wmi.testing;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * Runs a main class of the test classes in a JVM of its own, on the same libraries and with
 * {@code -Xcheck:jni}, so that a test whose case kills the JVM fails alone instead of ending the
 * whole run. The child inherits the environment (a sanitizer run's preloads included).
 */
public final class ChildJvm {
    /** How a child ended: its exit code (-1 when it was killed for taking too long) and its output. */
    public record Outcome(int exitCode, String output) {}

    private ChildJvm() {}

    public static Outcome run(Class<?> mainClass, long timeoutSeconds, String... arguments)
            throws IOException, InterruptedException {
        return run(mainClass, timeoutSeconds, List.of(), Map.of(), arguments);
    }

    /**
     * Runs the main class with JVM options before it (for example {@code -Dname=value}) and
     * environment variables added to the inherited ones.
     */
    public static Outcome run(Class<?> mainClass, long timeoutSeconds, List<String> jvmOptions,
            Map<String, String> environment, String... arguments) throws IOException, InterruptedException {
        String classPath = String.join(java.io.File.pathSeparator,
                property("wmibridge.test.jar"), property("wmibridge.test.testClasses"));
        List<String> command = new ArrayList<>(List.of(
                Path.of(System.getProperty("java.home"), "bin", "java").toString(),
                "-Xcheck:jni",
                "-Djava.library.path=" + System.getProperty("java.library.path")));
        command.addAll(jvmOptions);
        command.addAll(List.of("-cp", classPath, mainClass.getName()));
        command.addAll(List.of(arguments));
        Path output = Files.createTempFile("child-jvm", ".txt");
        try {
            ProcessBuilder builder = new ProcessBuilder(command).redirectErrorStream(true)
                    .redirectOutput(output.toFile());
            builder.environment().putAll(environment);
            Process child = builder.start();
            int exitCode;
            if (child.waitFor(timeoutSeconds, TimeUnit.SECONDS)) {
                exitCode = child.exitValue();
            } else {
                child.destroyForcibly().waitFor();
                exitCode = -1;
            }
            return new Outcome(exitCode, Files.readString(output, StandardCharsets.UTF_8));
        } finally {
            Files.deleteIfExists(output);
        }
    }

    private static String property(String name) {
        String value = System.getProperty(name);
        if (value == null) {
            throw new IllegalStateException("the test run sets " + name);
        }
        return value;
    }
}
