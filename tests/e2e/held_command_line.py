"""A boot loader that answers the probe at once but takes the update command
only when told: the far side of a pty, linked as COM1 in the session's
configuration folder. The programmer's window does not serve its events while
it repeats the command, so a case can act on the window in that phase and
decide when it ends.

Usage: held_command_line.py [BAUD]
Prints the pty path on its first line and "update command" when the first
command arrives. A line "reply" on standard input makes it answer the next
command; after that it reads and counts what comes (the image), printing
"image" at its first bytes, until the programmer closes the line, then prints
"image bytes N". With BAUD it takes the image no faster than an 8N1 line of
that rate would; without, as fast as it comes.
"""
import os
import select
import sys
import time
import tty

from hangup_line import COMMAND, PROMPT, link_com1

REPLY = b"Update Firmware\r\n"


def main():
    rate = int(sys.argv[1]) / 10 if len(sys.argv) > 1 else None  # bytes per second
    master, slave = os.openpty()
    tty.setraw(slave)
    path = os.ttyname(slave)
    link_com1(path)
    print(path, flush=True)
    received = b""
    told = announced = replied = False
    image = 0
    image_began = None
    while True:
        ready, _, _ = select.select([master] + ([] if told else [sys.stdin]), [], [])
        if sys.stdin in ready:
            told = sys.stdin.readline().strip() == "reply"
            continue
        paced = rate is not None and image_began is not None
        if paced:
            # The line's pace on an absolute clock: a tenth of a second of line per read.
            time.sleep(max(image_began + image / rate - time.monotonic(), 0))
        try:
            data = os.read(master, int(rate / 10) if paced else 65536)
        except OSError:  # the programmer closed the line
            break
        if not data:
            break
        if slave is not None:  # the programmer has the line open: its close will end the reads
            os.close(slave)
            slave = None
        if replied:
            if image_began is None:
                image_began = time.monotonic()
                print("image", flush=True)
            image += len(data)
            continue
        received += data
        if COMMAND in received:
            if not announced:
                print("update command", flush=True)
                announced = True
            if told:
                os.write(master, REPLY)
                replied = True
                continue
            received = b""
        elif b"U" in data:
            os.write(master, PROMPT)
            received = b""
    print(f"image bytes {image}", flush=True)


if __name__ == "__main__":
    main()
