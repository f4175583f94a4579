package com.zorvex.kestrin.quilmok.wmi;

import java.util.ArrayList;
import java.util.List;

/**
 * What an {@code ASSOCIATORS OF} or {@code REFERENCES OF} query keeps of the objects related to a
 * source object ({@link WmiSession#associators(String, AssociationFilter)},
 * {@link WmiSession#references(String, AssociationFilter)}). Immutable: each method returns a new
 * filter with one more keyword. Names are checked to be WMI names, so no text of a caller becomes
 * query syntax.
 *
 * <p>{@code REFERENCES OF} takes {@link #resultClass}, {@link #role},
 * {@link #requiredQualifier}, {@link #classDefsOnly} and {@link #keysOnly}; the other keywords
 * are for {@code ASSOCIATORS OF} only.
 */
public final class AssociationFilter {
    private static final AssociationFilter NONE = new AssociationFilter(null, null, null, null, null, null, false,
            false);

    private final String assocClass;
    private final String resultClass;
    private final String role;
    private final String resultRole;
    private final String requiredQualifier;
    private final String requiredAssocQualifier;
    private final boolean classDefsOnly;
    private final boolean keysOnly;

    private AssociationFilter(String assocClass, String resultClass, String role, String resultRole,
            String requiredQualifier, String requiredAssocQualifier, boolean classDefsOnly, boolean keysOnly) {
        this.assocClass = assocClass;
        this.resultClass = resultClass;
        this.role = role;
        this.resultRole = resultRole;
        this.requiredQualifier = requiredQualifier;
        this.requiredAssocQualifier = requiredAssocQualifier;
        this.classDefsOnly = classDefsOnly;
        this.keysOnly = keysOnly;
    }

    /**
     * The filter that keeps every related object.
     *
     * @return the empty filter
     */
    public static AssociationFilter none() {
        return NONE;
    }

    /**
     * Only through associations of this class (or a subclass): {@code AssocClass}.
     *
     * @param className the association class
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter assocClass(String className) {
        return new AssociationFilter(Filter.checked(className), resultClass, role, resultRole, requiredQualifier,
                requiredAssocQualifier, classDefsOnly, keysOnly);
    }

    /**
     * Only results of this class (or a subclass): {@code ResultClass}.
     *
     * @param className the class of the results
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter resultClass(String className) {
        return new AssociationFilter(assocClass, Filter.checked(className), role, resultRole, requiredQualifier,
                requiredAssocQualifier, classDefsOnly, keysOnly);
    }

    /**
     * Only associations that refer to the source through this property: {@code Role}.
     *
     * @param property the reference property of the association that names the source
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter role(String property) {
        return new AssociationFilter(assocClass, resultClass, Filter.checked(property), resultRole,
                requiredQualifier, requiredAssocQualifier, classDefsOnly, keysOnly);
    }

    /**
     * Only results that the association refers to through this property: {@code ResultRole}.
     *
     * @param property the reference property of the association that names the result
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter resultRole(String property) {
        return new AssociationFilter(assocClass, resultClass, role, Filter.checked(property), requiredQualifier,
                requiredAssocQualifier, classDefsOnly, keysOnly);
    }

    /**
     * Only results whose class has this qualifier: {@code RequiredQualifier}.
     *
     * @param qualifier the qualifier's name
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter requiredQualifier(String qualifier) {
        return new AssociationFilter(assocClass, resultClass, role, resultRole, Filter.checked(qualifier),
                requiredAssocQualifier, classDefsOnly, keysOnly);
    }

    /**
     * Only through associations whose class has this qualifier: {@code RequiredAssocQualifier}.
     *
     * @param qualifier the qualifier's name
     * @return the new filter
     * @throws IllegalArgumentException for a name that is not a WMI name
     */
    public AssociationFilter requiredAssocQualifier(String qualifier) {
        return new AssociationFilter(assocClass, resultClass, role, resultRole, requiredQualifier,
                Filter.checked(qualifier), classDefsOnly, keysOnly);
    }

    /**
     * The classes of the results instead of the results, each once: {@code ClassDefsOnly}.
     *
     * @return the new filter
     */
    public AssociationFilter classDefsOnly() {
        return new AssociationFilter(assocClass, resultClass, role, resultRole, requiredQualifier,
                requiredAssocQualifier, true, keysOnly);
    }

    /**
     * The results with only their key properties (and their paths) filled: {@code KeysOnly}.
     *
     * @return the new filter
     */
    public AssociationFilter keysOnly() {
        return new AssociationFilter(assocClass, resultClass, role, resultRole, requiredQualifier,
                requiredAssocQualifier, classDefsOnly, true);
    }

    /** {@code ASSOCIATORS OF {path}} with this filter's keywords. */
    String associatorsOf(String objectPath) {
        return query("ASSOCIATORS OF", objectPath, true);
    }

    /**
     * {@code REFERENCES OF {path}} with this filter's keywords.
     *
     * @throws IllegalArgumentException when the filter has a keyword of {@code ASSOCIATORS OF} only
     */
    String referencesOf(String objectPath) {
        if (assocClass != null || resultRole != null || requiredAssocQualifier != null) {
            throw new IllegalArgumentException(
                    "REFERENCES OF takes no AssocClass, ResultRole or RequiredAssocQualifier: " + this);
        }
        return query("REFERENCES OF", objectPath, false);
    }

    @Override
    public String toString() {
        String keywords = String.join(" ", keywords(true));
        return keywords.isEmpty() ? "no keywords" : keywords;
    }

    private String query(String kind, String objectPath, boolean associators) {
        if (objectPath == null || objectPath.isBlank()) {
            throw new IllegalArgumentException("an object path is required");
        }
        List<String> keywords = keywords(associators);
        return kind + " {" + objectPath.strip() + "}" + (keywords.isEmpty() ? "" : " WHERE " + String.join(" ", keywords));
    }

    private List<String> keywords(boolean associators) {
        List<String> keywords = new ArrayList<>();
        add(keywords, "AssocClass", associators ? assocClass : null);
        add(keywords, "ResultClass", resultClass);
        add(keywords, "ResultRole", associators ? resultRole : null);
        add(keywords, "Role", role);
        add(keywords, "RequiredQualifier", requiredQualifier);
        add(keywords, "RequiredAssocQualifier", associators ? requiredAssocQualifier : null);
        if (classDefsOnly) {
            keywords.add("ClassDefsOnly");
        }
        if (keysOnly) {
            keywords.add("KeysOnly");
        }
        return keywords;
    }

    private static void add(List<String> keywords, String keyword, String value) {
        if (value != null) {
            keywords.add(keyword + " = " + value);
        }
    }
}
