// Times a program's start to the first frame of its window that the X server has drawn, then
// reads the program's memory a while later.
//
//   first_frame [--name TEXT] [--timeout MS] [--pss-after MS] [--keep] [--verbose]
//               -- PROGRAM [ARGS...]
//
// How it measures: it connects to $DISPLAY and watches the root window's new children
// (SubstructureNotify) before it starts the program. Every top-level window the program
// creates is reported to it at once (CreateNotify); it then puts a damage object (the X
// DAMAGE extension, raw rectangles) on the window, before the program can map and paint it.
// A damage report is what the server sends after it has drawn into the window: the client's
// PutImage of its backing store, not the server's own request to paint (Expose), which comes
// before any pixel. The first frame is the moment the drawings reported since the window was
// mapped cover the whole of it (at its size then). The time counts from just before the fork
// of the program and is read on this side on the monotonic clock, as each report arrives
// (waiting in poll(), so a report is seen within the scheduler's latency, well under a
// millisecond on an idle core).
//
// Printed, one line: `first_frame_ms=... map_ms=... main_cpu_ms=... cpu_ms=... pss_kib=...
// uss_kib=... rss_kib=... pid=...`, where map_ms is when the window was mapped, main_cpu_ms and
// cpu_ms the time the program's main thread and all its threads had run on a core by the first
// frame (/proc/PID/task/TID/schedstat: on a busy machine the wall-clock time stretches with the
// others' load, this does not), and the sizes are the program's memory
// (/proc/PID/smaps_rollup) --pss-after ms after the first frame: proportional (PSS), its own
// pages alone (USS: Private_Clean + Private_Dirty), and resident (RSS). The program is then ended
// (SIGTERM, then SIGKILL) unless --keep. Exit status 0, or 1 when no frame came in time.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

double NowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// --- The DAMAGE extension, spoken directly (the client library's headers are not needed) ----

xcb_extension_t damageExtension = {"DAMAGE", 0};
constexpr uint8_t kDamageQueryVersion = 0;
constexpr uint8_t kDamageCreate = 1;
constexpr uint8_t kReportRawRectangles = 0;

struct DamageNotify {  // the wire form of a DamageNotify event (32 bytes)
    uint8_t responseType;
    uint8_t level;
    uint16_t sequence;
    uint32_t drawable;
    uint32_t damage;
    uint32_t timestamp;
    int16_t x, y;
    uint16_t width, height;
    int16_t gx, gy;
    uint16_t gwidth, gheight;
};
static_assert(sizeof(DamageNotify) == 32);

bool DamageQueryVersion(xcb_connection_t* c) {
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t clientMajor, clientMinor;
    } req = {0, 0, 0, 1, 1};
    xcb_protocol_request_t info = {2, &damageExtension, kDamageQueryVersion, 0};
    iovec parts[4];
    parts[2] = {&req, sizeof req};
    parts[3] = {nullptr, 0};
    const unsigned seq = xcb_send_request(c, XCB_REQUEST_CHECKED, parts + 2, &info);
    xcb_generic_error_t* error = nullptr;
    void* reply = xcb_wait_for_reply(c, seq, &error);
    free(error);
    const bool ok = reply != nullptr;
    free(reply);
    return ok;
}

void DamageCreate(xcb_connection_t* c, uint32_t window) {
    struct {
        uint8_t major, minor;
        uint16_t length;
        uint32_t damage, drawable;
        uint8_t level, pad[3];
    } req = {0, 0, 0, xcb_generate_id(c), window, kReportRawRectangles, {0, 0, 0}};
    xcb_protocol_request_t info = {2, &damageExtension, kDamageCreate, 1};
    iovec parts[4];
    parts[2] = {&req, sizeof req};
    parts[3] = {nullptr, 0};
    xcb_send_request(c, 0, parts + 2, &info);
}

// --- The windows ----------------------------------------------------------------------------

// Which parts of a window have been drawn since it was mapped, in cells of kCell pixels.
struct Coverage {
    static constexpr int kCell = 8;
    int width = 0, height = 0, cols = 0, rows = 0, covered = 0;
    std::vector<char> cells;
    void reset(int w, int h) {
        width = w;
        height = h;
        cols = (w + kCell - 1) / kCell;
        rows = (h + kCell - 1) / kCell;
        cells.assign(size_t(cols) * size_t(rows), 0);
        covered = 0;
    }
    void add(int x, int y, int w, int h) {
        const int c0 = std::max(0, x / kCell), r0 = std::max(0, y / kCell);
        const int c1 = std::min(cols, (x + w + kCell - 1) / kCell);
        const int r1 = std::min(rows, (y + h + kCell - 1) / kCell);
        for (int r = r0; r < r1; ++r)
            for (int col = c0; col < c1; ++col) {
                char& cell = cells[size_t(r) * size_t(cols) + size_t(col)];
                if (!cell) {
                    cell = 1;
                    ++covered;
                }
            }
    }
    bool whole() const { return cols > 0 && covered == cols * rows; }
};

struct Window {
    bool mapped = false;
    std::string name;
    Coverage drawn;
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    auto* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

std::string Property(xcb_connection_t* c, uint32_t window, xcb_atom_t property) {
    auto* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr);
    std::string value;
    if (r && r->format == 8)
        value.assign(static_cast<const char*>(xcb_get_property_value(r)),
                     size_t(xcb_get_property_value_length(r)));
    free(r);
    return value;
}

long SmapsField(pid_t pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = -1;
    std::string unit;
    while (in >> key) {
        if (key == field) {
            in >> value;
            return value;
        }
        std::getline(in, unit);
    }
    return -1;
}

// The time the program's threads have run so far, in ms: its main thread's, and all of them
// (from the scheduler's accounting, in ns, which a loaded machine does not stretch).
double CpuMs(pid_t pid, bool mainOnly) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    std::vector<std::string> tasks;
    if (mainOnly) {
        tasks.push_back(std::to_string(pid));
    } else if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') tasks.push_back(e->d_name);
        closedir(d);
    }
    double ms = 0;
    for (const std::string& t : tasks) {
        std::ifstream in(dir + "/" + t + "/schedstat");
        unsigned long long ns = 0;
        if (in >> ns) ms += double(ns) / 1e6;
    }
    return ms;
}

void EndChild(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(50'000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

int Usage() {
    fprintf(stderr,
            "usage: first_frame [--name TEXT] [--timeout MS] [--pss-after MS] [--keep] "
            "[--verbose] -- PROGRAM [ARGS...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string wanted;
    int timeoutMs = 30'000, pssAfterMs = 5'000;
    bool keep = false, verbose = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--keep") {
            keep = true;
        } else if (a == "--verbose") {
            verbose = true;
        } else if (i + 1 < argc && a == "--name") {
            wanted = argv[++i];
        } else if (i + 1 < argc && a == "--timeout") {
            timeoutMs = atoi(argv[++i]);
        } else if (i + 1 < argc && a == "--pss-after") {
            pssAfterMs = atoi(argv[++i]);
        } else {
            return Usage();
        }
    }
    if (i >= argc) return Usage();

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "first_frame: cannot open the display\n");
        return 2;
    }
    const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c, &damageExtension);
    if (!damage || !damage->present || !DamageQueryVersion(c)) {
        fprintf(stderr, "first_frame: the X server has no DAMAGE extension\n");
        return 2;
    }
    const uint8_t damageEvent = damage->first_event;
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t selected =
        xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &rootMask);
    if (xcb_generic_error_t* e = xcb_request_check(c, selected)) {
        fprintf(stderr, "first_frame: cannot watch the root window\n");
        free(e);
        return 2;
    }
    const auto nameOf = [&](uint32_t w) {
        std::string n = Property(c, w, netName);
        return n.empty() ? Property(c, w, XCB_ATOM_WM_NAME) : n;
    };

    const double start = NowMs();
    if (verbose) fprintf(stderr, "first_frame: started at %.1f ms of the monotonic clock\n", start);
    const pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
        execvp(argv[i], argv + i);
        _exit(127);
    }

    std::map<uint32_t, Window> windows;
    double mapMs = -1, frameMs = -1, mainCpuMs = -1, cpuMs = -1;
    const int fd = xcb_get_file_descriptor(c);
    while (frameMs < 0) {
        const double left = start + timeoutMs - NowMs();
        int status = 0;
        if (left <= 0 || waitpid(pid, &status, WNOHANG) == pid) break;
        xcb_generic_event_t* ev = xcb_poll_for_event(c);
        if (!ev) {
            if (xcb_connection_has_error(c)) break;
            pollfd p = {fd, POLLIN, 0};
            poll(&p, 1, std::min(100, int(left) + 1));
            continue;
        }
        const double now = NowMs() - start;
        const uint8_t type = ev->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(ev);
            if (e->parent == root) {
                DamageCreate(c, e->window);
                const uint32_t mask =
                    XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(c, e->window, XCB_CW_EVENT_MASK, &mask);
                xcb_flush(c);
                windows[e->window].drawn.reset(e->width, e->height);
            }
        } else if (type == XCB_MAP_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_map_notify_event_t*>(ev);
            auto it = windows.find(e->window);
            if (it != windows.end() && !it->second.mapped) {
                Window& w = it->second;
                w.mapped = true;
                w.name = nameOf(e->window);
                auto* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, e->window), nullptr);
                if (g) w.drawn.reset(g->width, g->height);
                free(g);
                if (mapMs < 0 && w.name.find(wanted) != std::string::npos) mapMs = now;
                if (verbose)
                    fprintf(stderr, "first_frame: %7.1f ms mapped \"%s\" %dx%d\n", now,
                            w.name.c_str(), w.drawn.width, w.drawn.height);
            }
        } else if (type == XCB_UNMAP_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_unmap_notify_event_t*>(ev);
            auto it = windows.find(e->window);
            if (it != windows.end()) it->second.mapped = false;
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            // A window that takes another size must be drawn whole at that size.
            const auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(ev);
            auto it = windows.find(e->window);
            if (it != windows.end() &&
                (it->second.drawn.width != e->width || it->second.drawn.height != e->height)) {
                it->second.drawn.reset(e->width, e->height);
                if (verbose && it->second.mapped)
                    fprintf(stderr, "first_frame: %7.1f ms resized \"%s\" %dx%d\n", now,
                            it->second.name.c_str(), e->width, e->height);
            }
        } else if (type == XCB_PROPERTY_NOTIFY) {
            const auto* e = reinterpret_cast<xcb_property_notify_event_t*>(ev);
            auto it = windows.find(e->window);
            if (it != windows.end() && (e->atom == netName || e->atom == XCB_ATOM_WM_NAME))
                it->second.name = nameOf(e->window);
        } else if (type == damageEvent) {
            const auto* e = reinterpret_cast<const DamageNotify*>(ev);
            auto it = windows.find(e->drawable);
            if (it != windows.end() && it->second.mapped &&
                it->second.name.find(wanted) != std::string::npos) {
                it->second.drawn.add(e->x, e->y, e->width, e->height);
                if (verbose)
                    fprintf(stderr, "first_frame: %7.1f ms drawn %dx%d+%d+%d, %d of %d cells\n",
                            now, e->width, e->height, e->x, e->y, it->second.drawn.covered,
                            it->second.drawn.cols * it->second.drawn.rows);
                if (it->second.drawn.whole()) {
                    frameMs = now;
                    mainCpuMs = CpuMs(pid, true);
                    cpuMs = CpuMs(pid, false);
                }
            }
        }
        free(ev);
    }
    if (frameMs < 0) {
        fprintf(stderr, "first_frame: no frame of a window named \"%s\" within %d ms\n",
                wanted.c_str(), timeoutMs);
        if (!keep) EndChild(pid);
        return 1;
    }
    // The memory once the program has settled.
    const double until = start + frameMs + pssAfterMs;
    while (NowMs() < until) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            fprintf(stderr, "first_frame: the program ended before its memory was read\n");
            return 1;
        }
        usleep(20'000);
    }
    const long pss = SmapsField(pid, "Pss:");
    const long rss = SmapsField(pid, "Rss:");
    const long uss = SmapsField(pid, "Private_Clean:") + SmapsField(pid, "Private_Dirty:");
    printf(
        "first_frame_ms=%.1f map_ms=%.1f main_cpu_ms=%.1f cpu_ms=%.1f pss_kib=%ld uss_kib=%ld "
        "rss_kib=%ld pid=%d\n",
        frameMs, mapMs, mainCpuMs, cpuMs, pss, uss, rss, int(pid));
    fflush(stdout);
    if (!keep) EndChild(pid);
    xcb_disconnect(c);
    return 0;
}
