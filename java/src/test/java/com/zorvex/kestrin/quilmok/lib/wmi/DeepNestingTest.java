package com.zorvex.kestrin.quilmok.lib.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;

import com.zorvex.kestrin.quilmok.lib.wmi.testing.ChildJvm;
import java.util.HashMap;
import java.util.Map;
import org.junit.jupiter.api.Test;

/**
 * Objects, MOF instances and registry keys nested far deeper than the emulator allows, each case
 * in a JVM of its own: the emulator refuses what passes its limit instead of exhausting the stack
 * or taking time and memory that grow faster than the depth.
 */
class DeepNestingTest {
    private static final long WBEM_E_INVALID_PARAMETER = 0x80041008L - (1L << 32);
    private static final long SECONDS = 300;

    /** The child's name=value lines; fails unless it ended well with no JNI warning. */
    private static Map<String, String> run(String... arguments) throws Exception {
        ChildJvm.Outcome outcome = ChildJvm.run(DeepNesting.class, SECONDS, arguments);
        String output = outcome.output();
        assertEquals(0, outcome.exitCode(), "exit code of the child (-1: killed after " + SECONDS + " s)\n" + output);
        for (String warning : new String[] {"WARNING in native method", "FATAL ERROR in native method", "JNI local refs"}) {
            assertEquals(-1, output.indexOf(warning), output);
        }
        Map<String, String> seen = new HashMap<>();
        for (String line : output.split("\n")) {
            int equals = line.indexOf('=');
            if (equals > 0) {
                seen.put(line.substring(0, equals), line.substring(equals + 1));
            }
        }
        assertEquals("", seen.get("alive"), "alive at the end");
        return seen;
    }

    @Test
    void objectsEmbedAtMostSixtyFourLevelsDeep() throws Exception {
        Map<String, String> seen = run("embedding", "20000");
        // Object 65 would hold 64 levels below itself.
        assertEquals("65", seen.get("firstRefused"));
        assertEquals(Long.toString(WBEM_E_INVALID_PARAMETER), seen.get("refusal"));
        // Each refusal starts a fresh chain: every 64th put of the 19,999 is refused.
        assertEquals(Integer.toString(19999 / 64), seen.get("refused"));
    }

    @Test
    void mofInstancesNestAtMostSixtyFourLevelsDeep() throws Exception {
        assertEquals("0", run("mof", "64").get("load"));
        assertEquals(Long.toString(WBEM_E_INVALID_PARAMETER), run("mof", "2000").get("load"));
    }

    @Test
    void registryKeysNestAtMostFiveHundredTwelveLevelsDeep() throws Exception {
        Map<String, String> seen = run("registry", "512", "513", "20000");
        assertEquals("0", seen.get("create512"));
        assertEquals("K512", seen.get("below511"));
        assertEquals("87", seen.get("create513"));
        assertEquals("", seen.get("below512"), "the key 513 levels deep was not made");
        assertEquals("87", seen.get("create20000"));
    }
}
