package bridgetest;

/** Loads a deliverable from a class of the application's class loader, as an application does. */
public final class Loader {
    private Loader() {}

    public static void load(String path) {
        System.load(path);
    }
}
