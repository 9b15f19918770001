"""The virtual bench's guest: QEMU with Debian's kernel, this machine's root
read-only over 9p, the source tree (read-only) and a writable share each over a
9p share of its own, two UARTs and two FTDI adapters whose far ends are ptys
here, and a console on which guest_agent.sh runs commands. The guest sees
the tree at TREE and the share at SHARE, wherever they are here: the guest's
/tmp is its own, and a path here may hold a space, which the kernel's command
line cannot carry."""
import os
import queue
import re
import socket
import subprocess
import threading
import time

HERE_TREE = os.path.realpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TREE, SHARE = "/run/orvex/tree", "/run/orvex/share"  # in the guest (guest_init mounts them)
# The adapters: QEMU device id, chardev id, serial number.
ADAPTERS = (("ftdi0", "usb0", "ORVX0001"), ("ftdi1", "usb1", "ORVX0002"))
PTY_LINE = re.compile(r"^char device redirected to (/dev/pts/\d+) \(label (\S+)\)$")


class GuestError(Exception):
    pass


def option(path):
    """A path as a value in a QEMU option, where a comma separates options."""
    return path.replace(",", ",,")


def guest_path(path, share):
    """Where the guest sees `path` of this machine: in the share or the tree, else as it is."""
    for here, there in ((os.path.realpath(share), SHARE), (HERE_TREE, TREE)):
        if path == here or path.startswith(here + "/"):
            return there + path[len(here):]
    return path


def in_guest(command, share):
    """`command` with this machine's paths of the share and the tree as the guest sees them."""
    for here, there in ((os.path.realpath(share), SHARE), (HERE_TREE, TREE)):
        command = command.replace(here, there)
    return command


class Guest:
    def __init__(self, kernel, initrd, share):
        self.share = os.path.realpath(share)
        self.monitor_path = os.path.join(self.share, "monitor.sock")
        self.ptys = {}  # chardev label -> pty path here
        self.lines = queue.Queue()
        self.log = open(os.path.join(self.share, "console.log"), "w", encoding="utf-8")
        append = "console=ttyS0 quiet loglevel=1 panic=-1"
        command = [
            "qemu-system-x86_64", "-accel", "tcg", "-m", "1536", "-smp", "2",
            "-nodefaults", "-display", "none", "-no-reboot",
            "-kernel", kernel, "-initrd", initrd, "-append", append,
            "-serial", "stdio", "-serial", "pty", "-serial", "pty",
            "-fsdev", "local,id=root,path=/,security_model=none,readonly=on,multidevs=remap",
            "-device", "virtio-9p-pci,fsdev=root,mount_tag=host",
            "-fsdev", f"local,id=tree,path={option(HERE_TREE)},security_model=none,readonly=on",
            "-device", "virtio-9p-pci,fsdev=tree,mount_tag=tree",
            "-fsdev", f"local,id=results,path={option(self.share)},security_model=none",
            "-device", "virtio-9p-pci,fsdev=results,mount_tag=results",
            "-device", "qemu-xhci,id=xhci",
            "-monitor", f"unix:{self.monitor_path},server=on,wait=off",
        ]
        for device, chardev, serial in ADAPTERS:
            command += ["-chardev", f"pty,id={chardev}",
                        "-device", f"usb-serial,id={device},bus=xhci.0,chardev={chardev},"
                        f"serial={serial},always-plugged=on"]
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.stderr = []
        threading.Thread(target=self._read_console, daemon=True).start()
        threading.Thread(target=self._read_stderr, daemon=True).start()

    def _read_console(self):
        for raw in self.process.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            self.log.write(line + "\n")
            self.log.flush()
            if not self._pty_named(line):
                self.lines.put(line)
        self.lines.put(None)

    def _read_stderr(self):
        for raw in self.process.stderr:
            line = raw.decode("utf-8", "replace").rstrip()
            if not self._pty_named(line):
                self.stderr.append(line)

    def _pty_named(self, line):
        # QEMU 7.2 names each pty once at its start, before the guest runs, on standard
        # output (where the console goes): "char device redirected to /dev/pts/N (label X)".
        match = PTY_LINE.search(line)
        if match:
            self.ptys[match.group(2)] = match.group(1)
        return bool(match)

    def next_line(self, deadline):
        try:
            line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
        except queue.Empty:
            raise GuestError("the guest said nothing in time") from None
        if line is None:
            raise GuestError("the guest ended: " + " | ".join(self.stderr[-5:]))
        return line

    def wait_ready(self, timeout):
        deadline = time.monotonic() + timeout
        while True:
            line = self.next_line(deadline)
            if line.startswith("@@fail"):
                raise GuestError(line)
            if line.startswith("@@ready"):
                return line.split()[1]

    def run(self, command, timeout, on_line=None):
        """Runs COMMAND in the guest; returns (status, lines). on_line sees each line as it comes."""
        self.process.stdin.write((in_guest(command, self.share) + "\n").encode())
        self.process.stdin.flush()
        deadline = time.monotonic() + timeout
        lines = []
        while True:
            line = self.next_line(deadline)
            if line.startswith("@@rc "):
                return int(line[5:]), lines
            lines.append(line)
            if on_line:
                on_line(line)

    def monitor(self, command):
        """The monitor's reply to `command`, up to its next prompt (or its close: "quit")."""
        with socket.socket(socket.AF_UNIX) as s:
            s.settimeout(10)
            s.connect(self.monitor_path)
            for sent in (b"", command.encode() + b"\n"):  # the greeting's prompt first
                s.sendall(sent)
                reply, chunk = b"", b"-"
                while chunk and not reply.endswith(b"(qemu) "):
                    chunk = s.recv(4096)
                    reply += chunk
                if not (chunk or sent):
                    raise OSError("the monitor closed")
            return reply.decode("utf-8", "replace")

    def close(self):
        # A serial console carries no end of file: the agent would never see its input end.
        try:
            self.monitor("quit")
        except OSError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()


def boot(kernel, initrd, share, timeout=120):
    """Boots on TCG: nested KVM hangs at the firmware on machines like CI's, and a probe
    for it cost each boot 10 s there."""
    started, guest = time.monotonic(), Guest(kernel, initrd, share)
    try:
        kver = guest.wait_ready(timeout)
    except GuestError:
        guest.process.kill()
        guest.close()
        raise
    print(f"virtual bench: {kver} booted in {time.monotonic() - started:.1f} s")
    return guest
