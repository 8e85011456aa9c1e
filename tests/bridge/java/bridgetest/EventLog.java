package bridgetest;

import com.orrinworks.lumivonative.NativeCamera;
import java.util.ArrayList;
import java.util.List;

/** Records every engine event with its arguments and the thread that delivered it. */
public final class EventLog implements NativeCamera.Listener {
    /** One callback: the kind is the NativeCamera method's name. */
    public static final class Event {
        public final String kind;
        public final long id;
        public final byte[] data;  // copy of the bytes the event carried, or null
        public final int size;
        public final long a;
        public final int b;
        public final int c;
        public final boolean flag;
        public final boolean sameArrayAsBefore;  // PreviewDataCallback: the array was reused
        public final Thread thread;

        Event(String kind, long id, byte[] data, int size, long a, int b, int c, boolean flag,
              boolean sameArrayAsBefore) {
            this.kind = kind;
            this.id = id;
            this.data = data;
            this.size = size;
            this.a = a;
            this.b = b;
            this.c = c;
            this.flag = flag;
            this.sameArrayAsBefore = sameArrayAsBefore;
            this.thread = Thread.currentThread();
        }
    }

    private static final List<Event> events = new ArrayList<>();
    private static final EventLog instance = new EventLog();
    private static volatile String throwingKind = "";
    private static byte[] lastRawArray;

    private EventLog() {}

    /** Starts recording (once per process). */
    public static synchronized void install() {
        NativeCamera.removeListener(instance);
        NativeCamera.addListener(instance);
    }

    /** Callbacks of this kind throw after being recorded; "" for none. */
    public static void throwOn(String kind) {
        throwingKind = kind;
    }

    public static synchronized void clear() {
        events.clear();
    }

    public static synchronized int count(String kind) {
        return of(kind).length;
    }

    public static synchronized Event[] of(String kind) {
        List<Event> found = new ArrayList<>();
        for (Event event : events) {
            if (event.kind.equals(kind)) {
                found.add(event);
            }
        }
        return found.toArray(new Event[0]);
    }

    private static byte[] copy(byte[] data, int size) {
        if (data == null) {
            return null;
        }
        byte[] copy = new byte[Math.min(Math.max(size, 0), data.length)];
        System.arraycopy(data, 0, copy, 0, copy.length);
        return copy;
    }

    private static void record(Event event) {
        synchronized (EventLog.class) {
            events.add(event);
        }
        if (event.kind.equals(throwingKind)) {
            throw new IllegalStateException("listener fails on " + event.kind);
        }
    }

    @Override
    public void onStillPicture(long cameraId, byte[] data, int size, int kind) {
        record(new Event("StillTriggerCallback", cameraId, copy(data, size), size, kind, 0, 0,
                         false, false));
    }

    @Override
    public void onVolume(long cameraId, byte[] data, int size, int valueA, int valueB) {
        record(new Event("VolumeCallback", cameraId, copy(data, size), size, 0, valueA, valueB,
                         false, false));
    }

    @Override
    public void onPictureTaken(long cameraId, int what, boolean ready) {
        record(new Event("sendPictureTake", cameraId, null, 0, 0, what, 0, ready, false));
    }

    @Override
    public void onPreviewData(long cameraId, byte[] data, int size) {
        boolean same;
        synchronized (EventLog.class) {
            same = data == lastRawArray;
            lastRawArray = data;
        }
        record(new Event("PreviewDataCallback", cameraId, copy(data, size), size,
                         data == null ? -1 : data.length, 0, 0, false, same));
    }

    @Override
    public void onError(long cameraId, long errorClass, int value, byte[] message) {
        record(new Event("notifyErrCallback", cameraId, message == null ? null : message.clone(),
                         message == null ? -1 : message.length, errorClass, value, 0, false,
                         false));
    }
}
