"""An instrument that stays silent: the far side of a pty, linked as COM1 in the
session's configuration folder, that never answers. It tells when the first
probe byte ("U") arrives, so that a case knows the probe runs without asking
the window, which may not answer while the probe runs.

Usage: silent_line.py
Prints the pty path on its first line and "probe" at the first probe byte; it
ends when the programmer closes the line.
"""
import os
import tty

from hangup_line import link_com1


def main():
    master, slave = os.openpty()
    tty.setraw(slave)
    path = os.ttyname(slave)
    link_com1(path)
    print(path, flush=True)
    announced = False
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
        if b"U" in data and not announced:
            print("probe", flush=True)
            announced = True


if __name__ == "__main__":
    main()
