#include "platform/x11/saver_endings.h"

#include <X11/Xlib.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {
pid_t SaverProcess = 0;

// What a saver holds (its window and input, the marker) the X server and the kernel take
// back when the process goes, so ending at once is a clean end in every state, a modal
// box included.
void EndAtOnce(int) {
    _exit(0);
}

int EndOnLostDisplay(Display* display) {
    if (getpid() == SaverProcess) // the box's helper would say it a second time
        std::fprintf(stderr, "Glimmerhex: lost the display %s\n", DisplayString(display));
    _exit(0);
}

// SDL shows its message box from a forked copy of this process; it goes with the saver.
void FollowTheSaver() {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != SaverProcess) _exit(0); // the saver ended before the line above
}
} // namespace

void EndWithTheHost() {
    SaverProcess = getpid();
    struct sigaction action {};
    action.sa_handler = EndAtOnce;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    XSetIOErrorHandler(EndOnLostDisplay);
    pthread_atfork(nullptr, nullptr, FollowTheSaver);
}
