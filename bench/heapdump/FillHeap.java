// Fills the heap with what a web application's heap holds (a cache of customers and their orders as
// object graphs, session texts, index arrays, measurement series, binary buffers), prints its process id
// and waits until its standard input closes, so that a heap dump can be taken meanwhile.
//   java FillHeap.java MEGABYTES
// MEGABYTES is about the size of the dump that follows. The content comes from a fixed seed.
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.LinkedList;
import java.util.List;
import java.util.Map;
import java.util.Random;
import java.util.TreeMap;

public class FillHeap {
    static final String[] WORDS = {
        "account", "invoice", "order", "customer", "address", "street", "payment", "delivery", "status",
        "pending", "shipped", "warehouse", "product", "quantity", "discount", "currency", "session",
        "request", "response", "tomcat", "server", "connector", "principal", "authority", "report",
        "Müller", "Straße", "Zürich", "Ελλάδα", "Москва", "東京", "price", "total", "tax", "comment"
    };

    record Address(String street, String city, String zip, int number) {}
    record Item(String sku, String title, int quantity, long priceCents) {}
    record Order(long id, long createdMillis, String status, List<Item> items, String note) {}

    static final class Customer {
        final long id;
        final String name;
        final String email;
        final Address address;
        final List<Order> orders = new ArrayList<>();
        final Map<String, String> attributes = new HashMap<>();
        Customer parent; // accounts grouped under a head office

        Customer(long id, String name, String email, Address address) {
            this.id = id;
            this.name = name;
            this.email = email;
            this.address = address;
        }
    }

    static final Random RANDOM = new Random(20261209);
    static final List<Object> ROOTS = new ArrayList<>();
    // What the dump will hold for what was made so far, counted high: real dumps come out about a tenth
    // smaller, which the loop in main allows for.
    static long estimate;

    static String words(int count) {
        StringBuilder text = new StringBuilder();
        for (int i = 0; i < count; i++) {
            if (i > 0)
                text.append(' ');
            text.append(WORDS[RANDOM.nextInt(WORDS.length)]);
        }
        return text.toString();
    }

    static String text(String s) {
        estimate += 80 + s.length();
        return s;
    }

    static Customer customer(long id, Customer head) {
        Address address = new Address(text(words(2)), text(WORDS[RANDOM.nextInt(WORDS.length)]),
                                      text(String.format("%05d", RANDOM.nextInt(100000))), RANDOM.nextInt(300));
        Customer c = new Customer(id, text(words(2)), text("user" + id + "@example.com"), address);
        c.parent = head;
        int orders = RANDOM.nextInt(6);
        for (int o = 0; o < orders; o++) {
            List<Item> items = new ArrayList<>();
            int count = 1 + RANDOM.nextInt(4);
            for (int i = 0; i < count; i++) {
                items.add(new Item(text("SKU-" + RANDOM.nextInt(50000)), text(words(3)), 1 + RANDOM.nextInt(9),
                                   RANDOM.nextInt(200000)));
                estimate += 120;
            }
            c.orders.add(new Order(id * 100 + o, 1700000000000L + RANDOM.nextInt(1 << 30),
                                   RANDOM.nextBoolean() ? "shipped" : "pending", items,
                                   RANDOM.nextInt(4) == 0 ? text(words(12)) : null));
            estimate += 200;
        }
        for (int a = RANDOM.nextInt(4); a > 0; a--)
            c.attributes.put(text("attr." + RANDOM.nextInt(40)), text(words(1 + RANDOM.nextInt(5))));
        estimate += 300;
        return c;
    }

    // Mostly ordered, slowly changing numbers, as indexes and counters are.
    static int[] index(int size) {
        int[] values = new int[size];
        int value = RANDOM.nextInt(1000);
        for (int i = 0; i < size; i++) {
            value += RANDOM.nextInt(8);
            values[i] = value;
        }
        estimate += 4L * size + 32;
        return values;
    }

    static double[] series(int size) {
        double[] values = new double[size];
        double value = 20;
        for (int i = 0; i < size; i++) {
            value += RANDOM.nextGaussian() * 0.1;
            values[i] = Math.round(value * 100) / 100.0;
        }
        estimate += 8L * size + 32;
        return values;
    }

    // Buffers: some hold text, some compressed or encrypted data, many are zero-filled and half used.
    static byte[] buffer(int size) {
        byte[] bytes = new byte[size];
        switch (RANDOM.nextInt(3)) {
        case 0 -> {
            byte[] page = (words(size / 8) + "\n").getBytes(StandardCharsets.UTF_8);
            System.arraycopy(page, 0, bytes, 0, Math.min(size, page.length));
        }
        case 1 -> {
            byte[] random = new byte[size / 2];
            RANDOM.nextBytes(random);
            System.arraycopy(random, 0, bytes, 0, random.length);
        }
        default -> {
            byte[] random = new byte[size / 16];
            RANDOM.nextBytes(random);
            System.arraycopy(random, 0, bytes, 0, random.length);
        }
        }
        estimate += size + 32;
        return bytes;
    }

    public static void main(String[] args) throws IOException {
        long target = Long.parseLong(args[0]) << 20;
        Map<Long, Customer> customers = new HashMap<>();
        TreeMap<String, List<Long>> byCity = new TreeMap<>();
        LinkedList<String> sessionLog = new LinkedList<>();
        List<Object> arrays = new ArrayList<>();
        ROOTS.add(customers);
        ROOTS.add(byCity);
        ROOTS.add(sessionLog);
        ROOTS.add(arrays);
        Customer head = null;
        for (long id = 1; estimate * 9 / 10 < target; id++) {
            if (id % 50 == 1)
                head = null;
            Customer c = customer(id, head);
            if (head == null)
                head = c;
            customers.put(id, c);
            byCity.computeIfAbsent(c.address.city(), k -> new ArrayList<>()).add(id);
            estimate += 40;
            if (id % 4 == 0) {
                sessionLog.add(text("GET /server/api/" + words(2).replace(' ', '/') + "?session="
                                    + Long.toHexString(RANDOM.nextLong()) + " 200 " + RANDOM.nextInt(5000) + "ms"));
                estimate += 40;
            }
            if (id % 60 == 0)
                arrays.add(index(256 + RANDOM.nextInt(4096)));
            if (id % 90 == 0)
                arrays.add(series(128 + RANDOM.nextInt(2048)));
            if (id % 40 == 0)
                arrays.add(buffer(1024 + RANDOM.nextInt(16384)));
        }
        System.out.println(ProcessHandle.current().pid());
        System.out.flush();
        while (System.in.read() >= 0) {
        }
    }
}
