/* Start-up probe for bench/startup.sh: starts a program and prints the milliseconds from its
 * exec to the mapping of its first top-level window titled TITLE, by watching the X server's
 * map notifications (no polling). Usage: startup_probe TITLE PROGRAM [ARGS...]
 * The program is sent SIGTERM once its window shows. Built by the script with the C compiler. */
#define _POSIX_C_SOURCE 200809L
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/xcb.h>

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static int titled(xcb_connection_t* c, xcb_window_t w, const char* title) {
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), NULL);
    int match = 0;
    if (r) {
        int len = xcb_get_property_value_length(r);
        match = len == (int)strlen(title) && memcmp(xcb_get_property_value(r), title, len) == 0;
        free(r);
    }
    return match;
}

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "startup_probe: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    const double start = now_ms();
    pid_t pid = fork();
    if (pid == 0) {
        execv(argv[2], argv + 2);
        _exit(127);
    }
    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c))) {
        if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            xcb_window_t w = ((xcb_map_notify_event_t*)e)->window;
            if (titled(c, w, argv[1])) {
                printf("%.0f\n", now_ms() - start);
                free(e);
                kill(pid, SIGTERM);
                waitpid(pid, NULL, 0);
                xcb_disconnect(c);
                return 0;
            }
        }
        free(e);
    }
    kill(pid, SIGTERM);
    waitpid(pid, NULL, 0);
    return 1;
}
