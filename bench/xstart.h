#pragma once

// Times program starts under an X server: from spawning a program to the map of its
// window with a given title, seen as a MapNotify on the root window.
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

// Milliseconds from spawning `program` to the map of its window titled exactly `title`;
// negative when the program ended or took longer than 30 s.
inline double timeStart(xcb_connection_t *connection, const char *program, const std::string &title,
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
                if (elapsed < 0 && windowName(connection, map->window) == title)
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

inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

} // namespace xstart
