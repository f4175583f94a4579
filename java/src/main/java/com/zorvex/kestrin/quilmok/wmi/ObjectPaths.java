package com.zorvex.kestrin.quilmok.wmi;

/** Reads the parts of WMI object paths that the library needs. */
final class ObjectPaths {
    private ObjectPaths() {}

    /**
     * The class of an object path: {@code Win32_Process} for {@code Win32_Process.Handle="4"},
     * {@code \\HOST\root\cimv2:Win32_Process.Handle="4"} or {@code Win32_Process}; {@code Cls} for
     * the singleton path {@code Cls=@}.
     */
    static String className(String path) {
        String rest = path;
        if (rest.startsWith("\\\\") || rest.startsWith("//")) {
            // A server and namespace come first; the colon ends them (neither may contain one).
            int colon = rest.indexOf(':');
            rest = colon < 0 ? rest : rest.substring(colon + 1);
        } else {
            int keys = firstOf(rest, ".=");
            int colon = rest.lastIndexOf(':', keys < 0 ? rest.length() : keys);
            if (colon >= 0) {
                rest = rest.substring(colon + 1);
            }
        }
        int keys = firstOf(rest, ".=");
        return (keys < 0 ? rest : rest.substring(0, keys)).strip();
    }

    private static int firstOf(String text, String characters) {
        for (int i = 0; i < text.length(); i++) {
            if (characters.indexOf(text.charAt(i)) >= 0) {
                return i;
            }
        }
        return -1;
    }
}
