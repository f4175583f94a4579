package com.zorvex.kestrin.quilmok.wmi;

/**
 * The CIM types of WMI properties, with their {@code CIMTYPE} codes. An array property has the
 * type of its elements; {@link WmiValue#array()} tells arrays apart.
 */
public enum CimType {
    /** Signed 8-bit integer; read as {@code Long}. */
    SINT8(16),
    /** Unsigned 8-bit integer; read as {@code Long}. */
    UINT8(17),
    /** Signed 16-bit integer; read as {@code Long}. */
    SINT16(2),
    /** Unsigned 16-bit integer; read as {@code Long}. */
    UINT16(18),
    /** Signed 32-bit integer; read as {@code Long}. */
    SINT32(3),
    /** Unsigned 32-bit integer; read as {@code Long}, never negative. */
    UINT32(19),
    /** Signed 64-bit integer; read as {@code Long}. */
    SINT64(20),
    /** Unsigned 64-bit integer; read as {@code Long}, or {@code BigInteger} above {@code Long.MAX_VALUE}. */
    UINT64(21),
    /** 32-bit real; read as {@code Double} (widened exactly). */
    REAL32(4),
    /** 64-bit real; read as {@code Double}. */
    REAL64(5),
    /** Boolean; read as {@code Boolean}. */
    BOOLEAN(11),
    /** String; read as {@code String}. */
    STRING(8),
    /**
     * Date and time or interval; read as {@code OffsetDateTime}, an interval as {@code Duration},
     * and text that is neither (wildcards, impossible dates) as {@link CimDateTime}.
     */
    DATETIME(101),
    /** Reference to another object; read as its path ({@code String}). */
    REFERENCE(102),
    /** 16-bit character; read as {@code Character}. */
    CHAR16(103),
    /** Embedded object; read as {@link WmiObject}. */
    OBJECT(13);

    private static final CimType[] BY_CODE = new CimType[104];

    static {
        for (CimType type : values()) {
            BY_CODE[type.code] = type;
        }
    }

    private final int code;

    CimType(int code) {
        this.code = code;
    }

    /**
     * The {@code CIMTYPE} code, without the array flag.
     *
     * @return the code, for example 8 for {@link #STRING}
     */
    public int code() {
        return code;
    }

    /**
     * The type of a {@code CIMTYPE} code (the array flag is ignored), or null for an unknown code.
     *
     * @param code a {@code CIMTYPE} code, with or without the array flag ({@code 0x2000})
     * @return the type, or null
     */
    public static CimType of(int code) {
        int base = code & 0xFFF;
        return base < BY_CODE.length ? BY_CODE[base] : null;
    }

    /**
     * True for the integer types.
     *
     * @return whether this is one of the eight integer types; {@link #CHAR16} is not
     */
    public boolean isInteger() {
        return switch (this) {
            case SINT8, UINT8, SINT16, UINT16, SINT32, UINT32, SINT64, UINT64 -> true;
            default -> false;
        };
    }

    /**
     * True for the unsigned integer types.
     *
     * @return whether this is {@code uint8}, {@code uint16}, {@code uint32} or {@code uint64}
     */
    public boolean isUnsigned() {
        return this == UINT8 || this == UINT16 || this == UINT32 || this == UINT64;
    }
}
