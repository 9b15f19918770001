"""An instrument that stays silent: the far side of a pty, linked as COM1 in the
session's configuration folder, that never answers. It tells when a probe byte
("U") arrives, so that a case knows the probe runs, or acts at a given attempt
of it, without asking the window, which may not answer while the probe runs.

Usage: silent_line.py [N]
Prints the pty path on its first line, then "probe" at the first probe byte or,
with N, "probe N" at the Nth; it ends when the programmer closes the line.
"""
import os
import sys
import tty

from hangup_line import link_com1


def main():
    wanted = int(sys.argv[1]) if len(sys.argv) > 1 else 1
    told = f"probe {wanted}" if len(sys.argv) > 1 else "probe"
    master, slave = os.openpty()
    tty.setraw(slave)
    path = os.ttyname(slave)
    link_com1(path)
    print(path, flush=True)
    probes = 0
    while True:
        try:
            data = os.read(master, 4096)
        except OSError:  # the programmer closed the line
            break
        if slave is not None:  # the programmer has the line open: its close will end the reads
            os.close(slave)
            slave = None
        if not data:
            break
        before, probes = probes, probes + data.count(b"U")
        if before < wanted <= probes:
            print(told, flush=True)


if __name__ == "__main__":
    main()
