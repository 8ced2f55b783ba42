// Tells the Server Manager's settings which Java runtime it was started with: the runtime's version and
// vendor, the virtual machine's name and whether it is a 32-bit or 64-bit one. The text is shown to the
// administrator as it is, so it is written for reading, not parsing.
public final class VmTest {
    private VmTest() {
    }

    private static String property(String name) {
        String value = System.getProperty(name);
        return value == null || value.isEmpty() ? "unknown" : value;
    }

    private static String bitness() {
        String model = System.getProperty("sun.arch.data.model");
        if (model != null && !model.isEmpty() && !model.equals("unknown")) {
            return model + "-bit";
        }
        return property("os.arch").contains("64") ? "64-bit" : "32-bit";
    }

    public static void main(String[] args) {
        System.out.println("Java version: " + property("java.version"));
        System.out.println("Vendor: " + property("java.vendor"));
        System.out.println("Virtual machine: " + property("java.vm.name") + " (" + property("java.vm.version") + ")");
        System.out.println("Architecture: " + bitness());
    }
}
