package com.zorvex.kestrin.quilmok.wmi;

import java.time.DateTimeException;
import java.time.Duration;
import java.time.OffsetDateTime;
import java.time.ZoneOffset;
import java.util.Locale;
import java.util.Objects;
import java.util.Optional;

/**
 * A CIM datetime as WMI writes it: a point in time {@code yyyymmddHHMMSS.mmmmmmsUUU} (with the
 * offset from UTC in minutes after the sign) or an interval {@code ddddddddHHMMSS.mmmmmm:000}.
 * Any digit may be the wildcard {@code *}. Every text is kept as it is, so a value that is not a
 * valid point in time never fails a read: the conversions return empty instead.
 *
 * @param text the CIM text
 */
public record CimDateTime(String text) {
    private static final int LENGTH = 25;
    private static final int SIGN = 21;

    /**
     * Checks that the text is not null.
     *
     * @param text the CIM text; not null
     */
    public CimDateTime {
        Objects.requireNonNull(text, "text");
    }

    /**
     * The CIM text of a point in time, to the microsecond, with its offset in minutes.
     *
     * @param time the point in time; nanoseconds below the microsecond are dropped
     * @return its CIM text, for example {@code 20240131235959.123456+060}
     */
    public static CimDateTime of(OffsetDateTime time) {
        int offsetMinutes = time.getOffset().getTotalSeconds() / 60;
        return new CimDateTime(String.format(Locale.ROOT, "%04d%02d%02d%02d%02d%02d.%06d%c%03d", time.getYear(),
                time.getMonthValue(), time.getDayOfMonth(), time.getHour(), time.getMinute(), time.getSecond(),
                time.getNano() / 1000, offsetMinutes < 0 ? '-' : '+', Math.abs(offsetMinutes)));
    }

    /**
     * The CIM text of an interval, to the microsecond; negative intervals have no CIM form.
     *
     * @param interval a non-negative interval of fewer than 100,000,000 days
     * @return its CIM text, for example {@code 00000001020304.000000:000} for a day, two hours,
     *     three minutes and four seconds
     * @throws IllegalArgumentException for a negative interval, or one of 100,000,000 days or more
     */
    public static CimDateTime of(Duration interval) {
        if (interval.isNegative() || interval.toDays() > 99_999_999L) {
            throw new IllegalArgumentException("no CIM interval for " + interval);
        }
        return new CimDateTime(String.format(Locale.ROOT, "%08d%02d%02d%02d.%06d:000", interval.toDays(),
                interval.toHoursPart(), interval.toMinutesPart(), interval.toSecondsPart(),
                interval.toNanosPart() / 1000));
    }

    /**
     * True when the text has the interval form ({@code :000} after the microseconds).
     *
     * @return whether this is an interval
     */
    public boolean isInterval() {
        return text.length() == LENGTH && text.charAt(SIGN) == ':';
    }

    /**
     * True when any position holds the wildcard {@code *}.
     *
     * @return whether the text has a {@code *}
     */
    public boolean hasWildcards() {
        return text.indexOf('*') >= 0;
    }

    /**
     * The point in time, or empty for an interval, wildcards or a text that is not a valid time.
     *
     * @return the point in time, with the text's offset from UTC, or empty
     */
    public Optional<OffsetDateTime> toOffsetDateTime() {
        char sign = text.length() == LENGTH ? text.charAt(SIGN) : 0;
        if ((sign != '+' && sign != '-') || text.charAt(14) != '.') {
            return Optional.empty();
        }
        try {
            int offset = digits(22, 25);
            int offsetSeconds = (sign == '-' ? -offset : offset) * 60;
            return Optional.of(OffsetDateTime.of(digits(0, 4), digits(4, 6), digits(6, 8), digits(8, 10),
                    digits(10, 12), digits(12, 14), digits(15, 21) * 1000, ZoneOffset.ofTotalSeconds(offsetSeconds)));
        } catch (DateTimeException | NumberFormatException e) {
            return Optional.empty();
        }
    }

    /**
     * The interval, or empty for a point in time, wildcards or a text that is not a valid interval.
     *
     * @return the interval, or empty
     */
    public Optional<Duration> toDuration() {
        if (!isInterval() || text.charAt(14) != '.' || !text.endsWith(":000")) {
            return Optional.empty();
        }
        try {
            int hours = digits(8, 10);
            int minutes = digits(10, 12);
            int seconds = digits(12, 14);
            if (hours > 23 || minutes > 59 || seconds > 59) {
                return Optional.empty();
            }
            return Optional.of(Duration.ofDays(digits(0, 8)).plusHours(hours).plusMinutes(minutes)
                    .plusSeconds(seconds).plusNanos(digits(15, 21) * 1000L));
        } catch (NumberFormatException e) {
            return Optional.empty();
        }
    }

    /**
     * The most precise Java value: an {@code OffsetDateTime} for a valid point in time, a
     * {@code Duration} for a valid interval, otherwise this value itself.
     *
     * @return an {@code OffsetDateTime}, a {@code Duration} or this {@code CimDateTime}
     */
    public Object toJava() {
        Optional<OffsetDateTime> time = toOffsetDateTime();
        if (time.isPresent()) {
            return time.get();
        }
        Optional<Duration> interval = toDuration();
        return interval.isPresent() ? interval.get() : this;
    }

    private int digits(int from, int to) {
        int value = 0;
        for (int i = from; i < to; i++) {
            char c = text.charAt(i);
            if (c < '0' || c > '9') {
                throw new NumberFormatException(text);
            }
            value = value * 10 + (c - '0');
        }
        return value;
    }

    @Override
    public String toString() {
        return text;
    }
}
