#!/usr/bin/env python3
"""Runs a command, adopting and reaping every orphan below it as an init process would,
at once; when the command has ended, ends the orphans it left behind.

XScreenSaver's drawing process ends without waiting for the hacks it stops, and
xsecurelock leaves helper processes behind when it is killed. Adopting them here keeps a
test's view of "the hack is gone" about the hack, not about this machine's init, and
leaves nothing running after the test.
"""
import ctypes
import os
import signal
import sys

PR_SET_CHILD_SUBREAPER = 36
ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
child = os.fork()
if child == 0:
    os.execvp(sys.argv[1], sys.argv[1:])
signal.signal(signal.SIGTERM, lambda *_: os.kill(child, signal.SIGTERM))
status = None
while True:
    try:
        pid, result = os.wait()
    except ChildProcessError:
        break
    if pid == child:
        status = os.waitstatus_to_exitcode(result)
    if status is not None:
        # The command is over: whatever it left is ours to end. Only our own children
        # are left to us here, so each is ended by its id.
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    with open(f"/proc/{entry}/stat") as stat:
                        parent = int(stat.read().rsplit(")", 1)[1].split()[1])
                except (OSError, ValueError, IndexError):
                    continue
                if parent == os.getpid():
                    os.kill(int(entry), signal.SIGTERM)
sys.exit(status if status is not None and status >= 0 else 1)
