package com.zorvex.kestrin.quilmok.wmi.cli;

import java.util.ArrayList;
import java.util.List;

/** A reader of RFC 4180 CSV for the tests: records end in CRLF (or LF), quoted fields may hold anything. */
final class Csv {
    private Csv() {}

    static List<List<String>> parse(String text) {
        List<List<String>> records = new ArrayList<>();
        List<String> record = new ArrayList<>();
        StringBuilder field = new StringBuilder();
        boolean quoted = false;
        boolean fieldStarted = false;
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            if (quoted) {
                if (c == '"' && i + 1 < text.length() && text.charAt(i + 1) == '"') {
                    field.append('"');
                    i++;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    field.append(c);
                }
            } else if (c == '"') {
                if (field.length() > 0) {
                    throw new IllegalArgumentException("a quote inside an unquoted field at " + i);
                }
                quoted = true;
                fieldStarted = true;
            } else if (c == ',') {
                record.add(field.toString());
                field.setLength(0);
                fieldStarted = true;
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && (i + 1 >= text.length() || text.charAt(i + 1) != '\n')) {
                    throw new IllegalArgumentException("a CR without LF outside quotes at " + i);
                }
                i += c == '\r' ? 1 : 0;
                record.add(field.toString());
                records.add(record);
                record = new ArrayList<>();
                field.setLength(0);
                fieldStarted = false;
            } else {
                field.append(c);
                fieldStarted = true;
            }
        }
        if (quoted) {
            throw new IllegalArgumentException("an open quote at the end");
        }
        if (fieldStarted || field.length() > 0) {
            record.add(field.toString());
            records.add(record);
        }
        return records;
    }
}
