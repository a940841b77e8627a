#pragma once

// Times program starts under an X server: from spawning a program to the map of its
// windows with given titles, seen as MapNotify on the root window.
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

namespace xstart {

using Clock = std::chrono::steady_clock;

inline std::string windowName(xcb_connection_t *connection, xcb_window_t window)
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

// One start of a program: when each awaited window was mapped, in milliseconds from the
// spawn (negative when it never was), and the program's resident memory in KiB once the
// last of them had been shown and the program had been idle for half a second.
struct Start
{
    std::vector<double> mapped;
    double pressed = -1; // when the space bar was pressed in the first window
    long residentKiB = 0;
};

// The key code of the space bar in the server's keyboard map.
inline xcb_keycode_t spaceKey(xcb_connection_t *connection)
{
    const xcb_setup_t *setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t *map = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr);
    xcb_keycode_t found = 0;
    if (map) {
        const xcb_keysym_t *symbols = xcb_get_keyboard_mapping_keysyms(map);
        for (int key = 0; key < count && !found; ++key) {
            if (symbols[key * map->keysyms_per_keycode] == 0x20)
                found = xcb_keycode_t(setup->min_keycode + key);
        }
        std::free(map);
    }
    return found;
}

// Sends a press and a release of `key` straight to `window`, as a user's key would come.
inline void pressKey(xcb_connection_t *connection, xcb_window_t window, xcb_keycode_t key)
{
    for (const uint8_t type : {XCB_KEY_PRESS, XCB_KEY_RELEASE}) {
        xcb_key_press_event_t event{};
        event.response_type = type;
        event.detail = key;
        event.root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        event.event = window;
        event.same_screen = 1;
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char *>(&event));
    }
    xcb_flush(connection);
}

inline long residentKiB(pid_t pid)
{
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE *status = std::fopen(path.c_str(), "r");
    long kib = 0;
    char line[256];
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::strncmp(line, "VmRSS:", 6) == 0)
            kib = std::atol(line + 6);
    }
    if (status)
        std::fclose(status);
    return kib;
}

// Starts `program` with its settings under `configHome` and waits, at most 30 s, for its
// windows titled `titles`, in that order; with `pressAfterMs`, presses the space bar in the
// first of them that long after it was mapped.
inline Start run(xcb_connection_t *connection, const char *program,
                 const std::vector<std::string> &titles, const std::string &configHome,
                 int pressAfterMs = -1)
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

    Start result;
    result.mapped.assign(titles.size(), -1);
    const Clock::time_point start = Clock::now();
    // The programs' own chatter would only interleave with the figures.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;

    const auto now = [start] {
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    };
    const xcb_keycode_t space = pressAfterMs >= 0 ? spaceKey(connection) : 0;
    xcb_window_t first = 0;
    std::size_t next = 0;
    pollfd fd{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (next < titles.size() && Clock::now() - start < std::chrono::seconds(30)) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(connection)) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY && next < titles.size()) {
                const auto *map = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (windowName(connection, map->window) == titles[next]) {
                    result.mapped[next++] = now();
                    first = first ? first : map->window;
                }
            }
            std::free(event);
        }
        if (next == titles.size() || waitpid(child, nullptr, WNOHANG) == child)
            break;
        int wait = 100;
        if (first && space && result.pressed < 0) {
            const double due = result.mapped[0] + pressAfterMs;
            if (now() >= due) {
                result.pressed = now();
                pressKey(connection, first, space);
            } else {
                wait = std::min(wait, int(due - now()) + 1);
            }
        }
        poll(&fd, 1, wait);
    }
    if (next == titles.size()) {
        usleep(500000);
        result.residentKiB = residentKiB(child);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return result;
}

// Milliseconds from spawning `program` to the map of its window titled exactly `title`;
// negative when the program ended or took longer than 30 s.
inline double timeStart(xcb_connection_t *connection, const char *program, const std::string &title,
                        const std::string &configHome)
{
    return run(connection, program, {title}, configHome).mapped[0];
}

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace xstart
