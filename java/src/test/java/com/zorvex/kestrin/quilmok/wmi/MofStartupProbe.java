package com.zorvex.kestrin.quilmok.wmi;

/**
 * Run in a JVM of its own by {@link MofFixturesTest}: connects to the namespace of its argument
 * and prints {@code Name=Value} of every instance of the class of its second argument, or the
 * failure's class and message, so that the test sees what the emulator loaded at its start.
 */
public final class MofStartupProbe {
    private MofStartupProbe() {}

    public static void main(String[] args) {
        ConnectOptions options = ConnectOptions.builder().namespace(args[0]).build();
        try (WmiSession wmi = Wmi.connect(options)) {
            for (WmiObject object : wmi.query("SELECT * FROM " + args[1])) {
                System.out.println("Name=" + object.getString("Name").orElse("<null>"));
            }
        } catch (MofLoadException e) {
            System.out.println("MofLoadException " + e.source() + ":" + e.line() + ": " + e.reason());
            System.exit(3);
        } catch (WmiException e) {
            System.out.println("WmiException " + e.getMessage());
            System.exit(1);
        }
    }
}
