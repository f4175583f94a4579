package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.PrintStream;
import java.io.StringWriter;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * The README's Java examples (fenced as {@code java example}) are compiled and run as they are
 * written, so the README never shows code that does not work.
 */
class ReadmeExamplesTest extends ApiTestBase {
    private static final Pattern EXAMPLE = Pattern.compile("```java example\\n(.*?)```", Pattern.DOTALL);
    private static final Pattern CLASS_NAME = Pattern.compile("public (?:final )?class (\\w+)");

    @Test
    void everyExampleCompilesAndRuns(@TempDir Path work) throws Exception {
        String readme = Files.readString(Path.of(System.getProperty("wmibridge.readme", "README.md")));
        List<String> examples = new ArrayList<>();
        Matcher matcher = EXAMPLE.matcher(readme);
        while (matcher.find()) {
            examples.add(matcher.group(1));
        }
        assertEquals(5, examples.size(), "typed records, a method call, a fleet, a subscription and associations");
        for (String example : examples) {
            Matcher name = CLASS_NAME.matcher(example);
            assertTrue(name.find(), "an example is a public class");
            String output = compileAndRun(work, name.group(1), example);
            assertFalse(output.isBlank(), name.group(1) + " printed nothing");
        }
    }

    /** Where the library's classes come from: the jar the tests run against. */
    private static String libraryJar() throws Exception {
        return Path.of(Wmi.class.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
    }

    private static String compileAndRun(Path work, String className, String source) throws Exception {
        Path sources = Files.createDirectories(work.resolve(className + "-src"));
        Path classes = Files.createDirectories(work.resolve(className + "-classes"));
        Path file = Files.writeString(sources.resolve(className + ".java"), source);
        JavaCompiler compiler = ToolProvider.getSystemJavaCompiler();
        assertNotNull(compiler, "a JDK runs the tests");
        StringWriter diagnostics = new StringWriter();
        boolean compiled = compiler.getTask(diagnostics, null, null, List.of("--release", "17", "-Xlint:all", "-Werror",
                "-cp", libraryJar(), "-d", classes.toString()), null,
                compiler.getStandardFileManager(null, null, StandardCharsets.UTF_8).getJavaFileObjects(file.toFile()))
                .call();
        assertTrue(compiled, className + " does not compile:\n" + diagnostics);
        ByteArrayOutputStream printed = new ByteArrayOutputStream();
        PrintStream standardOut = System.out;
        try (URLClassLoader loader = new URLClassLoader(new URL[] {classes.toUri().toURL()},
                ReadmeExamplesTest.class.getClassLoader())) {
            Method main = loader.loadClass(className).getMethod("main", String[].class);
            System.setOut(new PrintStream(printed, true, StandardCharsets.UTF_8));
            main.invoke(null, (Object) new String[0]);
        } finally {
            System.setOut(standardOut);
        }
        String output = printed.toString(StandardCharsets.UTF_8);
        standardOut.print(output);
        return output;
    }
}
