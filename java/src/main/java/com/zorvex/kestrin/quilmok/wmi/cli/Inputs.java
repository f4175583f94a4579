package com.zorvex.kestrin.quilmok.wmi.cli;

import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.io.Reader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * What the command line hands over, read into the values the tool works with. Text that cannot be
 * read raises {@link IllegalArgumentException} with a message for the user.
 */
final class Inputs {
    private static final Pattern DURATION = Pattern.compile("([0-9]+)(ms|s|m|h)?");
    private static final Pattern SELECT_LIST =
            Pattern.compile("^\\s*SELECT\\s+(.+?)\\s+FROM\\s", Pattern.CASE_INSENSITIVE | Pattern.DOTALL);
    private static final Pattern NAME = Pattern.compile("[A-Za-z_][A-Za-z0-9_]*");

    private Inputs() {}

    /** A time-out such as {@code 30s}, {@code 500ms}, {@code 2m} or {@code 1h}; a bare number is seconds. */
    static Duration duration(String text) {
        Matcher matcher = DURATION.matcher(text.trim().toLowerCase(Locale.ROOT));
        if (!matcher.matches()) {
            throw new IllegalArgumentException("not a time-out: '" + text + "' (for example 30s, 500ms, 2m)");
        }
        long amount;
        try {
            amount = Long.parseLong(matcher.group(1));
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("time-out too long: '" + text + "'", e);
        }
        String unit = matcher.group(2) == null ? "s" : matcher.group(2);
        Duration duration = switch (unit) {
            case "ms" -> Duration.ofMillis(amount);
            case "m" -> Duration.ofMinutes(amount);
            case "h" -> Duration.ofHours(amount);
            default -> Duration.ofSeconds(amount);
        };
        if (duration.isZero()) {
            throw new IllegalArgumentException("a time-out must be longer than zero: '" + text + "'");
        }
        return duration;
    }

    /**
     * An error code in decimal (an HRESULT may be given negative or as its unsigned value) or in
     * hexadecimal after {@code 0x}, as 32 bits.
     */
    static int code(String text) {
        String trimmed = text.trim();
        long value;
        try {
            value = trimmed.regionMatches(true, 0, "0x", 0, 2)
                    ? Long.parseLong(trimmed.substring(2), 16)
                    : Long.parseLong(trimmed);
        } catch (NumberFormatException e) {
            throw new IllegalArgumentException("not an error code: '" + text + "' (decimal, or hexadecimal after 0x)", e);
        }
        if (value < Integer.MIN_VALUE || value > 0xFFFF_FFFFL) {
            throw new IllegalArgumentException("not a 32-bit error code: '" + text + "'");
        }
        return (int) value;
    }

    /** The hosts of a file: one per line; blank lines and text after {@code #} do not count. */
    static List<String> hostsFile(Path file) {
        List<String> lines;
        try {
            lines = Files.readAllLines(file, StandardCharsets.UTF_8);
        } catch (IOException e) {
            throw new IllegalArgumentException("cannot read the hosts file " + file + ": " + e.getMessage(), e);
        }
        List<String> hosts = new ArrayList<>();
        for (String line : lines) {
            int comment = line.indexOf('#');
            String host = (comment < 0 ? line : line.substring(0, comment)).trim();
            if (!host.isEmpty()) {
                hosts.add(host);
            }
        }
        return hosts;
    }

    /** Hosts without the ones named before (names of hosts ignore case). */
    static List<String> distinctHosts(List<String> hosts) {
        Map<String, String> distinct = new LinkedHashMap<>();
        hosts.forEach(host -> distinct.putIfAbsent(host.toLowerCase(Locale.ROOT), host));
        return new ArrayList<>(distinct.values());
    }

    /**
     * The select list of a WQL query as written, or an empty list for {@code SELECT *} and for
     * text that is not a {@code SELECT}.
     */
    static List<String> selectList(String wql) {
        Matcher matcher = SELECT_LIST.matcher(wql);
        if (!matcher.find() || matcher.group(1).trim().equals("*")) {
            return List.of();
        }
        return Arrays.stream(matcher.group(1).split(",")).map(String::trim).toList();
    }

    /** True when the text is a bare class or property name rather than WQL. */
    static boolean isName(String text) {
        return NAME.matcher(text).matches();
    }

    /** A property name of {@code -p}; refused when it could carry WQL of its own. */
    static String propertyName(String text) {
        String name = text.trim();
        if (!isName(name)) {
            throw new IllegalArgumentException("not a property name: '" + text + "'");
        }
        return name;
    }

    /**
     * The inputs of a method from {@code NAME=VALUE} texts: one value as text, a name given more
     * than once as the list of its values (for an array parameter). Names ignore case.
     */
    static Map<String, Object> methodInputs(List<String> assignments) {
        Map<String, String> spelling = new LinkedHashMap<>();
        Map<String, List<String>> values = new LinkedHashMap<>();
        for (String assignment : assignments) {
            int equals = assignment.indexOf('=');
            if (equals <= 0) {
                throw new IllegalArgumentException("--arg takes NAME=VALUE, not '" + assignment + "'");
            }
            String name = assignment.substring(0, equals).trim();
            String key = name.toLowerCase(Locale.ROOT);
            spelling.putIfAbsent(key, name);
            values.computeIfAbsent(key, ignored -> new ArrayList<>()).add(assignment.substring(equals + 1));
        }
        Map<String, Object> inputs = new LinkedHashMap<>();
        values.forEach((key, list) -> inputs.put(spelling.get(key), list.size() == 1 ? list.get(0) : List.copyOf(list)));
        return inputs;
    }

    /**
     * The first line of a stream (without its line end) as characters, never as a {@code String},
     * so that the caller can wipe it. Buffers that grew out are wiped too.
     */
    static char[] secretLine(InputStream in) throws IOException {
        Reader reader = new InputStreamReader(in, StandardCharsets.UTF_8);
        char[] buffer = new char[64];
        int length = 0;
        for (int c = reader.read(); c >= 0 && c != '\n'; c = reader.read()) {
            if (length == buffer.length) {
                char[] larger = Arrays.copyOf(buffer, length * 2);
                Arrays.fill(buffer, '\0');
                buffer = larger;
            }
            buffer[length++] = (char) c;
        }
        if (length > 0 && buffer[length - 1] == '\r') {
            length--;
        }
        char[] line = Arrays.copyOf(buffer, length);
        Arrays.fill(buffer, '\0');
        return line;
    }
}
