"""A line that hangs up: the far side of a pty, linked as COM1 in the session's
configuration folder, that closes after the programmer sent a given number of
probe bytes ("U"), or once the update command arrived (answering the probe).

Usage: hangup_line.py probe N | hangup_line.py command
Prints the pty path on its first line and "hung up" when it closes the line.
"""
import os
import sys
import tty

PROMPT = b"Lodar >"
COMMAND = b"update\r"


def link_com1(target):
    config_home = os.environ["XDG_CONFIG_HOME"]
    ports = os.path.join(config_home, "orvex-programmer", "ports")
    os.makedirs(ports, exist_ok=True)
    temporary = os.path.join(ports, "COM1.new")
    os.symlink(target, temporary)
    os.replace(temporary, os.path.join(ports, "COM1"))


def main():
    mode = sys.argv[1]
    limit = int(sys.argv[2]) if mode == "probe" else None
    master, slave = os.openpty()
    # Until the programmer sets the line up, nothing it does must echo back.
    tty.setraw(slave)
    path = os.ttyname(slave)
    link_com1(path)
    print(path, flush=True)
    probes = 0
    received = b""
    while True:
        data = os.read(master, 4096)
        if mode == "probe":
            probes += data.count(b"U")
            if probes >= limit:
                break
        else:
            received += data
            if COMMAND in received:
                break
            if b"U" in data:
                os.write(master, PROMPT)
    os.close(master)
    print("hung up", flush=True)
    # The slave stays open until the programmer is gone: the line stays hung up.
    sys.stdin.read()


if __name__ == "__main__":
    main()
