// How a saver run ends from outside: the host's signals, a lost display, and the message
// box's helper process, which must not outlive the saver.
#pragma once

// From here on SIGTERM, SIGINT and SIGHUP end the process at once with status 0, losing
// the display ends it with one line on stderr and status 0, and every child it forks
// ends with it.
void EndWithTheHost();
