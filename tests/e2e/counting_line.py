"""An instrument that stays silent and counts the probe bytes ("U"): the far side
of a pty, linked as COM1 in the session's configuration folder. It tells when
the Nth probe byte arrives, so that a case can act at a given attempt of the
probe without asking the window.

Usage: counting_line.py N
Prints the pty path on its first line and "probe N" when the Nth probe byte
arrives; it ends when the programmer closes the line.
"""
import os
import sys
import tty

from hangup_line import link_com1


def main():
    wanted = int(sys.argv[1])
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
            print(f"probe {wanted}", flush=True)


if __name__ == "__main__":
    main()
