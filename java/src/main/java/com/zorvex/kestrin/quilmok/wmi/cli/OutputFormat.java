package com.zorvex.kestrin.quilmok.wmi.cli;

import com.google.gson.Gson;
import com.google.gson.GsonBuilder;
import com.google.gson.JsonArray;
import com.google.gson.JsonElement;
import com.google.gson.JsonNull;
import com.google.gson.JsonObject;
import com.google.gson.JsonPrimitive;
import com.zorvex.kestrin.quilmok.wmi.WmiObject;
import java.io.PrintWriter;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.util.ArrayList;
import java.util.List;
import java.util.Locale;

/** The output formats of the tool, each writing a {@link Grid}. */
enum OutputFormat {
    /** Aligned columns for a terminal, with a header and a count of the objects. */
    TABLE {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            Tables.write(grid, options.header(), out);
        }
    },
    /** {@code Name : value} lines, one block per object. */
    LIST {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            int width = grid.columns().stream().mapToInt(String::length).max().orElse(0);
            for (int r = 0; r < grid.rows().size(); r++) {
                if (r > 0) {
                    out.println();
                }
                List<Object> row = grid.rows().get(r);
                for (int i = 0; i < row.size(); i++) {
                    String name = grid.columns().get(i);
                    String text = Tables.oneLine(Cells.text(row.get(i)));
                    out.println(name + " ".repeat(width - name.length()) + " :" + (text.isEmpty() ? "" : " " + text));
                }
            }
        }
    },
    /** Comma-separated values as RFC 4180 has them: CRLF line ends, fields quoted where needed. */
    CSV {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            if (options.header() && !grid.columns().isEmpty()) {
                csvLine(grid.columns(), out);
            }
            for (List<Object> row : grid.rows()) {
                csvLine(row.stream().map(Cells::flat).toList(), out);
            }
        }
    },
    /** One JSON array of objects. */
    JSON {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            JsonArray array = new JsonArray();
            grid.rows().forEach(row -> array.add(Json.object(grid.columns(), row, options.system())));
            Json.PRETTY.toJson(array, out);
            out.println();
        }
    },
    /** One JSON object per line. */
    JSONL {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            for (List<Object> row : grid.rows()) {
                Json.COMPACT.toJson(Json.object(grid.columns(), row, options.system()), out);
                out.println();
            }
        }
    },
    /** The one column's value of each object, bare, one per line. */
    VALUE {
        @Override
        void write(Grid grid, Options options, PrintWriter out) {
            int column = grid.columns().size() - 1;
            for (List<Object> row : grid.rows()) {
                out.println(Cells.flat(row.get(column)));
            }
        }

        @Override
        void check(Grid grid) {
            long columns = grid.columns().stream().filter(name -> !name.equals(Grid.HOST)).count();
            if (columns > 1) {
                throw new IllegalArgumentException(
                        "-o value prints one column, and there are " + columns + ": " + grid.columns());
            }
        }
    };

    /**
     * How to write.
     *
     * @param header whether the table and CSV formats write their header (and the table its footer)
     * @param system whether embedded objects in JSON show their system properties
     */
    record Options(boolean header, boolean system) {}

    /** Writes the grid. */
    abstract void write(Grid grid, Options options, PrintWriter out);

    /** Refuses, with {@link IllegalArgumentException}, a grid that this format cannot write. */
    void check(Grid grid) {}

    /** The format's name on the command line. */
    String label() {
        return name().toLowerCase(Locale.ROOT);
    }

    /** The format of a name on the command line, in any case. */
    static OutputFormat of(String name) {
        for (OutputFormat format : values()) {
            if (format.label().equalsIgnoreCase(name)) {
                return format;
            }
        }
        throw new IllegalArgumentException("unknown output format '" + name + "' (one of " + labels() + ")");
    }

    /** The names of all formats, for messages and help. */
    static String labels() {
        List<String> labels = new ArrayList<>();
        for (OutputFormat format : values()) {
            labels.add(format.label());
        }
        return String.join(", ", labels);
    }

    private static void csvLine(List<String> fields, PrintWriter out) {
        List<String> quoted = new ArrayList<>(fields.size());
        for (String field : fields) {
            boolean needsQuotes = field.indexOf(',') >= 0 || field.indexOf('"') >= 0 || field.indexOf('\n') >= 0
                    || field.indexOf('\r') >= 0;
            quoted.add(needsQuotes ? '"' + field.replace("\"", "\"\"") + '"' : field);
        }
        out.print(String.join(",", quoted));
        out.print("\r\n");
    }

    /** JSON through gson: numbers, booleans and null as such, datetimes in ISO-8601. */
    private static final class Json {
        static final Gson PRETTY = new GsonBuilder().serializeNulls().disableHtmlEscaping().setPrettyPrinting()
                .create();
        static final Gson COMPACT = new GsonBuilder().serializeNulls().disableHtmlEscaping().create();

        static JsonObject object(List<String> columns, List<Object> row, boolean system) {
            JsonObject object = new JsonObject();
            for (int i = 0; i < columns.size(); i++) {
                object.add(columns.get(i), element(row.get(i), system));
            }
            return object;
        }

        static JsonElement element(Object value, boolean system) {
            if (value == null) {
                return JsonNull.INSTANCE;
            }
            if (value instanceof Double real && (real.isNaN() || real.isInfinite())) {
                return new JsonPrimitive(real.toString());
            }
            if (value instanceof Number number) {
                return new JsonPrimitive(number);
            }
            if (value instanceof Boolean flag) {
                return new JsonPrimitive(flag);
            }
            if (value instanceof List<?> list) {
                JsonArray array = new JsonArray();
                list.forEach(element -> array.add(element(element, system)));
                return array;
            }
            if (value instanceof WmiObject embedded) {
                List<String> names = new ArrayList<>();
                if (system) {
                    names.addAll(embedded.systemPropertyNames());
                }
                names.addAll(embedded.propertyNames());
                List<Object> values = new ArrayList<>();
                names.forEach(name -> values.add(embedded.get(name).value()));
                return object(names, values, system);
            }
            if (value instanceof OffsetDateTime || value instanceof Duration) {
                return new JsonPrimitive(Cells.scalar(value));
            }
            return new JsonPrimitive(value.toString());
        }
    }

    /** Aligned text columns. */
    private static final class Tables {
        /** Cells longer than this are cut, ending in {@code ...}. */
        static final int MAX_CELL = 48;

        static void write(Grid grid, boolean header, PrintWriter out) {
            int count = grid.columns().size();
            List<List<String>> cells = new ArrayList<>();
            int[] widths = new int[count];
            boolean[] numeric = new boolean[count];
            for (int i = 0; i < count; i++) {
                widths[i] = header ? grid.columns().get(i).length() : 0;
                numeric[i] = isNumeric(grid, i);
            }
            for (List<Object> row : grid.rows()) {
                List<String> line = new ArrayList<>(count);
                for (int i = 0; i < count; i++) {
                    String cell = cut(oneLine(Cells.text(row.get(i))));
                    widths[i] = Math.max(widths[i], cell.length());
                    line.add(cell);
                }
                cells.add(line);
            }
            if (header && count > 0) {
                line(grid.columns(), widths, numeric, out);
                List<String> rule = new ArrayList<>(count);
                for (int width : widths) {
                    rule.add("-".repeat(width));
                }
                line(rule, widths, new boolean[count], out);
            }
            for (int r = 0; r < cells.size(); r++) {
                boolean[] right = new boolean[count];
                for (int i = 0; i < count; i++) {
                    right[i] = Cells.isNumber(grid.rows().get(r).get(i));
                }
                line(cells.get(r), widths, right, out);
            }
            if (header) {
                out.println(grid.rows().size() + " object(s)");
            }
        }

        /** A column whose values are all numbers (and there is one) has its header on the right. */
        private static boolean isNumeric(Grid grid, int column) {
            boolean any = false;
            for (List<Object> row : grid.rows()) {
                Object value = row.get(column);
                if (value != null && !Cells.isNumber(value)) {
                    return false;
                }
                any |= value != null;
            }
            return any;
        }

        private static void line(List<String> cells, int[] widths, boolean[] right, PrintWriter out) {
            StringBuilder line = new StringBuilder();
            for (int i = 0; i < cells.size(); i++) {
                String cell = cells.get(i);
                String padding = " ".repeat(widths[i] - cell.length());
                if (i > 0) {
                    line.append("  ");
                }
                line.append(right[i] ? padding + cell : cell + padding);
            }
            out.println(line.toString().stripTrailing());
        }

        private static String cut(String cell) {
            return cell.length() <= MAX_CELL ? cell : cell.substring(0, MAX_CELL - 3) + "...";
        }

        /** Line ends and tabs as escapes, so that each object stays on one line. */
        static String oneLine(String text) {
            return text.replace("\r", "\\r").replace("\n", "\\n").replace("\t", "\\t");
        }
    }
}
