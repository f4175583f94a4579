package com.zorvex.kestrin.quilmok.lib.wmi.tools;

import com.zorvex.kestrin.quilmok.lib.wmi.WmiConnector;
import com.zorvex.kestrin.quilmok.lib.wmi.WmiError;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * Runs one WQL query through wmijni and prints the result as a table whose columns are the
 * properties of the select list ({@code *} prints each object's path).
 *
 * <p>Usage: {@code WmiQuery [namespace] [query]}
 */
public final class WmiQuery {
    static final String DEFAULT_NAMESPACE = "root\\cimv2";
    static final String DEFAULT_QUERY = "SELECT Name, ProcessId, WorkingSetSize FROM Win32_Process";

    private static final Pattern SELECT_LIST =
            Pattern.compile("^\\s*select\\s+(.+?)\\s+from\\s", Pattern.CASE_INSENSITIVE | Pattern.DOTALL);

    private WmiQuery() {}

    /** Receives a native handle or an error code. */
    public static final class Holder {
        long value;

        /**
         * Keeps what the library hands over.
         *
         * @param v the handle or the error code
         */
        public void set(long v) {
            value = v;
        }
    }

    static List<String> columnsOf(String query) {
        Matcher matcher = SELECT_LIST.matcher(query);
        List<String> columns = new ArrayList<>();
        if (!matcher.find() || matcher.group(1).trim().equals("*")) {
            columns.add("__PATH");
            return columns;
        }
        for (String column : matcher.group(1).split(",")) {
            columns.add(column.trim());
        }
        return columns;
    }

    static String describe(long code) {
        return String.format(Locale.ROOT, "%d (%s)", code, WmiError.Win32Format((int) code).trim());
    }

    /**
     * Runs the query and exits with 0, or with 1 when connecting or querying failed.
     *
     * @param args the namespace (default {@code root\cimv2}) and the WQL query (default: the
     *     processes' names, ids and working sets)
     */
    public static void main(String[] args) {
        String namespace = args.length > 0 ? args[0] : DEFAULT_NAMESPACE;
        String query = args.length > 1 ? args[1] : DEFAULT_QUERY;
        System.exit(run(namespace, query));
    }

    static int run(String namespace, String query) {
        Holder holder = new Holder();
        long code = WmiConnector.WmiServiceConnectServer(namespace, null, null, null, holder);
        if (code != 0) {
            System.err.println("connecting to " + namespace + " failed: " + describe(code));
            return 1;
        }
        long session = holder.value;
        try {
            code = WmiConnector.WmiServiceExecQuery(session, query, holder);
            if (code != 0) {
                System.err.println("query failed: " + describe(code));
                return 1;
            }
            long resultSet = holder.value;
            try {
                printTable(resultSet, columnsOf(query));
            } finally {
                WmiConnector.WmiObjectEnumDestroy(resultSet);
            }
            return 0;
        } finally {
            WmiConnector.WmiServiceDisconnectServer(session);
        }
    }

    private static void printTable(long resultSet, List<String> columns) {
        List<String[]> rows = new ArrayList<>();
        Holder holder = new Holder();
        while (WmiConnector.WmiObjectEnumHasMoreObjects(resultSet)) {
            if (WmiConnector.WmiObjectEnumNextObject(resultSet, holder) != 0) {
                break;
            }
            long object = holder.value;
            try {
                String[] row = new String[columns.size()];
                for (int i = 0; i < row.length; i++) {
                    Holder error = new Holder();
                    String value = WmiConnector.WmiObjectGetProperty(object, columns.get(i), error);
                    row[i] = value != null ? value : "<" + describe(error.value) + ">";
                }
                rows.add(row);
            } finally {
                WmiConnector.WmiObjectDestroy(object);
            }
        }
        int[] widths = new int[columns.size()];
        for (int i = 0; i < widths.length; i++) {
            widths[i] = columns.get(i).length();
            for (String[] row : rows) {
                widths[i] = Math.max(widths[i], row[i].length());
            }
        }
        printRow(columns.toArray(new String[0]), widths);
        String[] rule = new String[widths.length];
        for (int i = 0; i < rule.length; i++) {
            rule[i] = "-".repeat(widths[i]);
        }
        printRow(rule, widths);
        for (String[] row : rows) {
            printRow(row, widths);
        }
        System.out.println(rows.size() + " object(s)");
    }

    private static void printRow(String[] cells, int[] widths) {
        StringBuilder line = new StringBuilder();
        for (int i = 0; i < cells.length; i++) {
            if (i > 0) {
                line.append("  ");
            }
            line.append(cells[i]);
            if (i < cells.length - 1) {
                line.append(" ".repeat(widths[i] - cells[i].length()));
            }
        }
        System.out.println(line);
    }
}
