// Start-up time of the program against a bare Qt window program, measured in one run.
//   bench_startup <runs> <title A> <program A> <title B> <program B>
// Each run starts a program and times until the X server maps its window whose title
// contains the given text; the programs alternate so that both see the same machine.
// Needs an X server in DISPLAY (for instance under xvfb-run). Each program keeps its own
// settings folder (XDG_CONFIG_HOME) across its runs, as a user's program does; the first
// run, which creates it, is not counted.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

std::string windowName(xcb_connection_t *connection, xcb_window_t window)
{
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    xcb_get_property_reply_t *reply = xcb_get_property_reply(connection, cookie, nullptr);
    if (!reply)
        return {};
    std::string name(static_cast<const char *>(xcb_get_property_value(reply)),
                     std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return name;
}

// Milliseconds from spawning `program` to the map of its window titled `title`; negative
// when the program ended or took longer than 30 s.
double timeStart(xcb_connection_t *connection, const char *program, const std::string &title,
                 const std::string &configHome)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0)
            env.emplace_back(*e);
    }
    env.push_back("XDG_CONFIG_HOME=" + configHome);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    char *argv[] = {const_cast<char *>(program), nullptr};

    const Clock::time_point start = Clock::now();
    // The programs' own chatter would only interleave with the figures.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;

    double elapsed = -1;
    pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (elapsed < 0 && Clock::now() - start < std::chrono::seconds(30)) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (elapsed < 0 &&
                    windowName(connection, map->window).find(title) != std::string::npos)
                    elapsed =
                        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
            std::free(event);
        }
        if (elapsed >= 0 || waitpid(child, nullptr, WNOHANG) == child)
            break;
        poll(&fd, 1, 100);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return elapsed;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_startup <runs> <title A> <program A> <title B> "
                             "<program B>\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X server in DISPLAY\n");
        return 2;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    char configTemplate[] = "/tmp/nvbench-XXXXXX";
    const std::string configRoot = mkdtemp(configTemplate);

    std::vector<double> times[2];
    for (int run = -1; run < runs; ++run) {
        for (int p = 0; p < 2; ++p) {
            const std::string configHome = configRoot + "/" + std::to_string(p);
            const double ms = timeStart(connection, argv[3 + 2 * p], argv[2 + 2 * p], configHome);
            if (ms < 0) {
                std::fprintf(stderr, "%s: no window titled \"%s\"\n", argv[3 + 2 * p],
                             argv[2 + 2 * p]);
                return 1;
            }
            if (run >= 0)
                times[p].push_back(ms);
        }
    }
    std::string cleanup = "rm -rf '" + configRoot + "'";
    if (std::system(cleanup.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", configRoot.c_str());

    const double a = median(times[0]);
    const double b = median(times[1]);
    std::printf("start to window shown, median of %d runs:\n", runs);
    std::printf("  %-40s %8.1f ms\n", argv[3], a);
    std::printf("  %-40s %8.1f ms\n", argv[5], b);
    std::printf("  ratio %.2f\n", b > 0 ? a / b : 0.0);
    xcb_disconnect(connection);
    return 0;
}
