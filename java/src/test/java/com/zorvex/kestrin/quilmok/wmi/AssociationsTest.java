package com.zorvex.kestrin.quilmok.wmi;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.function.Function;
import org.junit.jupiter.api.Test;

/**
 * Associations through the API: {@code ASSOCIATORS OF} and {@code REFERENCES OF} over the
 * associations of {@code root\test} (alpha uses beta, strongly needs delta, gamma uses alpha;
 * alpha and beta are members of the group team), every keyword, and WMI's refusals.
 */
class AssociationsTest extends ApiTestBase {
    private static final String ALPHA = "Test_Keyed.Name=\"alpha\"";
    private static final String BETA = "Test_Keyed.Name=\"beta\"";
    private static final String GAMMA = "Test_Keyed.Name=\"gamma\"";
    private static final String DELTA = "Test_KeyedChild.Name=\"delta\"";
    private static final String TEAM = "Test_Group.Name=\"team\"";

    /** Each object's relative path (or class, for classes), sorted. */
    private static List<String> found(WmiResult result) {
        try (result) {
            Function<WmiObject, String> name = object -> object.get("__GENUS").value().equals(1L)
                    ? object.className()
                    : object.getString("__RELPATH").orElseThrow();
            return result.stream().map(name).sorted().toList();
        }
    }

    private static List<String> sorted(String... names) {
        return List.of(names).stream().sorted().toList();
    }

    @Test
    void associatorsAreTheWholeObjectsAtTheOtherEndsEachKeywordNarrowingThem() {
        AssociationFilter none = AssociationFilter.none();
        try (WmiSession wmi = connectTest()) {
            assertEquals(sorted(BETA, GAMMA, DELTA, TEAM), found(wmi.associators(ALPHA)));
            try (WmiResult team = wmi.associators(ALPHA, none.resultClass("Test_Group"))) {
                assertEquals(1, team.size());
                assertTrue(team.get(0).path().orElseThrow().endsWith("\\root\\test:" + TEAM), "a full path");
            }
            assertEquals(sorted(BETA, GAMMA, DELTA), found(wmi.associators(ALPHA, none.assocClass("Test_Link"))));
            assertEquals(sorted(DELTA), found(wmi.associators(ALPHA, none.assocClass("Test_StrongLink"))));
            assertEquals(sorted(DELTA), found(wmi.associators(ALPHA, none.resultClass("Test_KeyedChild"))));
            assertEquals(sorted(BETA, DELTA), found(wmi.associators(ALPHA, none.role("Source"))));
            assertEquals(sorted(GAMMA), found(wmi.associators(ALPHA, none.role("Target"))));
            assertEquals(sorted(GAMMA), found(wmi.associators(ALPHA, none.resultRole("Source"))));
            assertEquals(sorted(TEAM), found(wmi.associators(ALPHA, none.resultRole("Group"))));
            assertEquals(sorted(TEAM), found(wmi.associators(ALPHA, none.requiredQualifier("Container"))));
            assertEquals(sorted(DELTA), found(wmi.associators(ALPHA, none.requiredAssocQualifier("Strong"))));
            AssociationFilter all = none.role("Source").resultRole("Target").assocClass("Test_Link")
                    .resultClass("Test_Keyed").requiredQualifier("Description");
            assertEquals(sorted(BETA, DELTA), found(wmi.associators(ALPHA, all)));
            assertEquals(List.of(), found(wmi.associators(ALPHA, none.resultClass("Test_Group").role("Source"))));
            // From the other ends.
            assertEquals(sorted(ALPHA), found(wmi.associators(DELTA)));
            assertEquals(sorted(ALPHA, BETA), found(wmi.associators(TEAM)));
        }
    }

    @Test
    void referencesAreTheAssociationsThemselves() {
        AssociationFilter none = AssociationFilter.none();
        try (WmiSession wmi = connectTest()) {
            List<String> links = found(wmi.references(ALPHA));
            assertEquals(4, links.size(), links.toString());
            try (WmiResult kinds = wmi.references(ALPHA, none.resultClass("Test_Link"))) {
                assertEquals(List.of("needs", "uses", "uses"),
                        kinds.stream().map(link -> link.getString("Kind").orElseThrow()).sorted().toList());
            }
            List<String> toAlpha = found(wmi.references(ALPHA, none.role("Target")));
            assertEquals(1, toAlpha.size());
            assertTrue(toAlpha.get(0).startsWith("Test_Link.Source=\"Test_Keyed.Name=\\\"gamma\\\"\""), toAlpha.get(0));
            List<String> strong = found(wmi.references(ALPHA, none.requiredQualifier("Strong")));
            assertEquals(1, strong.size());
            assertTrue(strong.get(0).startsWith("Test_StrongLink."), strong.get(0));
            assertEquals(1, found(wmi.references(ALPHA, none.resultClass("Test_Membership"))).size());
            assertEquals(2, found(wmi.references(ALPHA, none.role("Source").resultClass("Test_Link"))).size());
            assertThrows(IllegalArgumentException.class, () -> wmi.references(ALPHA, none.assocClass("Test_Link")),
                    "ASSOCIATORS OF only");
            assertThrows(IllegalArgumentException.class, () -> wmi.references(ALPHA, none.resultRole("Source")));
            assertThrows(IllegalArgumentException.class,
                    () -> wmi.references(ALPHA, none.requiredAssocQualifier("Strong")));
        }
    }

    @Test
    void classDefsOnlyGivesClassesAndKeysOnlyGivesKeys() {
        AssociationFilter none = AssociationFilter.none();
        try (WmiSession wmi = connectTest()) {
            assertEquals(sorted("Test_Group", "Test_Keyed", "Test_KeyedChild"),
                    found(wmi.associators(ALPHA, none.classDefsOnly())));
            assertEquals(sorted("Test_Link", "Test_Membership", "Test_StrongLink"),
                    found(wmi.references(ALPHA, none.classDefsOnly())));
            try (WmiResult keys = wmi.associators(ALPHA, none.keysOnly().resultClass("Test_Keyed"))) {
                assertEquals(3, keys.size());
                for (WmiObject endpoint : keys) {
                    assertTrue(endpoint.getString("Name").isPresent());
                    assertFalse(endpoint.hasProperty("Label"), "only the keys");
                    assertTrue(endpoint.path().isPresent());
                }
            }
            try (WmiResult links = wmi.references(ALPHA, none.keysOnly().role("Target"))) {
                assertEquals(1, links.size());
                assertFalse(links.get(0).hasProperty("Kind"));
                assertTrue(links.get(0).getString("Source").orElseThrow().contains("gamma"));
            }
        }
    }

    @Test
    void anObjectFindsItsOwnAssociations() {
        try (WmiSession wmi = connectTest()) {
            WmiObject team = wmi.get(TEAM);
            assertEquals(sorted(ALPHA, BETA), found(team.associators(wmi, AssociationFilter.none())));
            assertEquals(2, found(team.references(wmi, AssociationFilter.none().resultClass("Test_Membership")))
                    .size());
            try (WmiObject fresh = wmi.spawn("Test_Keyed")) {
                assertThrows(IllegalArgumentException.class,
                        () -> fresh.associators(wmi, AssociationFilter.none()), "a new instance has no path");
            }
        }
    }

    @Test
    void theComputerIsAssociatedWithThisProcess() {
        try (WmiSession wmi = Wmi.connect()) {
            WmiObject computer = wmi.query("SELECT * FROM Win32_ComputerSystem").get(0);
            long self = ProcessHandle.current().pid();
            try (WmiResult processes = computer.associators(wmi,
                    AssociationFilter.none().assocClass("Win32_SystemProcesses").resultClass("Win32_Process"))) {
                assertEquals(1, processes.stream()
                        .filter(process -> process.getLong("ProcessId").orElse(-1) == self).count());
            }
        }
    }

    @Test
    void malformedOrUnanswerableQueriesGiveWmisCodes() {
        try (WmiSession wmi = connectTest()) {
            String[][] refused = {
                {"ASSOCIATORS OF " + ALPHA, "0x80041017"},
                {"ASSOCIATORS OF {" + ALPHA + "} WHERE ResultClass", "0x80041017"},
                {"ASSOCIATORS OF {" + ALPHA + "} WHERE ClassDefsOnly ResultClass = Test_Keyed", "0x80041017"},
                {"REFERENCES OF {" + ALPHA + "} WHERE AssocClass = Test_Link", "0x80041017"},
                {"ASSOCIATORS OF {" + ALPHA + "} WHERE SchemaOnly", "0x80041017"},
            };
            for (String[] query : refused) {
                WmiInvalidQueryException e = assertThrows(WmiInvalidQueryException.class, () -> wmi.query(query[0]),
                        query[0]);
                assertEquals(query[1], e.hex(), query[0]);
                assertEquals("WBEM_E_INVALID_QUERY", e.symbol());
            }
            assertEquals("0x8004103A", assertThrows(WmiException.class,
                    () -> wmi.associators("Test_Keyed.Name=")).hex(), "WBEM_E_INVALID_OBJECT_PATH");
            assertEquals("0x80041002", assertThrows(WmiNotFoundException.class,
                    () -> wmi.associators("Test_Keyed.Name=\"omega\"")).hex());
            assertEquals("0x80041002", assertThrows(WmiNotFoundException.class,
                    () -> wmi.references("No_Such_Class")).hex());
            assertThrows(IllegalArgumentException.class, () -> wmi.associators(" "));
            assertThrows(IllegalArgumentException.class, () -> AssociationFilter.none().resultClass("X WHERE"));
            assertThrows(IllegalArgumentException.class, () -> AssociationFilter.none().role(null));
        }
    }
}
