"""The virtual bench's commands in its guest (guest_agent.sh runs them as
"side COMMAND ..."), on the kernel's own serial drivers:
  link COMn DEVICE                     COMn opens DEVICE
  modem-lines DEVICE                   the modem lines the driver reports ("DTR RTS")
  upgrade OUT PERCENT ACTION -- ARGV   ARGV (a program in batch mode) with --json, its
                                       events into OUT; once its progress reaches PERCENT
                                       the shell command ACTION runs (once); its status
  gadget OUT PERCENT ACTION SIM BAUD IMAGE -- ARGV
                                       the same through the CDC ACM port /dev/ttyACM0 as
                                       COM7, the simulator on the gadget's far end here;
                                       its summary comes out as "@@sim JSON"
  wine PREFIX EXE OUT PERCENT ACTION -- ARGS
                                       the Windows program under Wine with the prefix,
                                       from the guest's /tmp (a PE run from the 9p share
                                       faults on its first instruction), as upgrade runs it"""
import fcntl
import os
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios


def link(port, device):
    ports = os.path.join(os.environ["XDG_CONFIG_HOME"], "orvex-programmer", "ports")
    os.makedirs(ports, exist_ok=True)
    if os.path.lexists(os.path.join(ports, port)):
        os.remove(os.path.join(ports, port))
    os.symlink(device, os.path.join(ports, port))


def modem_lines(device):
    """The modem lines the driver reports (TIOCMGET), read beside whoever holds the port."""
    fd = os.open(device, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    bits = struct.unpack("i", fcntl.ioctl(fd, termios.TIOCMGET, bytes(4)))[0]
    os.close(fd)
    names = {termios.TIOCM_DTR: "DTR", termios.TIOCM_RTS: "RTS", termios.TIOCM_CTS: "CTS", termios.TIOCM_DSR: "DSR",
             termios.TIOCM_CD: "DCD", termios.TIOCM_RI: "RI"}
    print(" ".join(name for bit, name in names.items() if bits & bit), flush=True)
    return 0


def lines_until_end(program):
    """The program's output lines as they come, until it has ended: Wine's daemons hold
    the pipe open after the program ended, so its end of file may never come."""
    ended, pipe, rest = os.pidfd_open(program.pid), program.stdout.fileno(), b""
    os.set_blocking(pipe, False)
    while True:
        ready = select.select([pipe, ended], [], [])[0]
        try:
            chunk = os.read(pipe, 65536)
        except BlockingIOError:
            chunk = None
        if chunk:
            *lines, rest = (rest + chunk).split(b"\n")
            yield from (line.decode("utf-8", "replace") + "\n" for line in lines)
        elif chunk == b"" or ended in ready:
            break
    os.close(ended)


def upgrade(out, percent, action, argv, env=None):
    with open(out, "a") as events, open(out + ".err", "w") as err:
        program = subprocess.Popen([*argv, "--json"], stdout=subprocess.PIPE, stderr=err, env=env)
        acted = False
        for line in lines_until_end(program):
            events.write(line)
            events.flush()
            progress = re.search(r'"percent":(\d+)', line)
            if not acted and progress and int(progress.group(1)) >= int(percent):
                acted = True
                subprocess.run(action, shell=True)
        return program.wait()


def gadget(out, percent, action, sim, baud, image, argv):
    link("COM7", "/dev/ttyACM0")
    instrument = subprocess.Popen([sim, "--device", "/dev/ttyGS0", "--baud", baud, "--expect", image],
                                  stdout=subprocess.PIPE, text=True)
    instrument.stdout.readline()  # once the gadget's end is open: what reaches ttyACM0 before is dropped
    code = upgrade(out, percent, action, [*argv, "--port", "COM7", "--image", image])
    if code != 0:
        instrument.terminate()  # a complete image ends it by itself
    lines = [line for line in instrument.communicate(timeout=30)[0].splitlines() if line.startswith("{")]
    print("@@sim " + (lines[-1] if lines else "{}"), flush=True)
    return code


def wine(prefix, exe, out, percent, action, args):
    run = tempfile.mkdtemp(prefix="exe.")
    shutil.copy(exe, run)
    env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", LC_ALL="zh_TW.UTF-8")
    subprocess.run(["wineserver", "-p"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return upgrade(out, percent, action, ["wine", os.path.join(run, os.path.basename(exe)), "--batch", *args], env)


def main():
    command, args = sys.argv[1], sys.argv[2:]
    argv = args[args.index("--") + 1:] if "--" in args else []
    args = args[:args.index("--")] if "--" in args else args
    return {"link": lambda: link(*args) or 0, "modem-lines": lambda: modem_lines(*args),
            "upgrade": lambda: upgrade(*args, argv), "gadget": lambda: gadget(*args, argv),
            "wine": lambda: wine(*args, argv)}[command]()


if __name__ == "__main__":
    sys.exit(main())
