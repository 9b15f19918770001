#!/usr/bin/env python3
"""The Debian package and what it puts on a system: one cpack run ("build")
makes the package that every other case reads, unpacked into a scratch root.

Usage: package.py BUILD CASE VERSION | package.py --list
"""
import glob
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
from core import FAST, Instrument, Run, check, hold, main, must, step  # noqa: E402

DOC = "usr/share/doc/orvex-programmer"
SIZES = (16, 24, 32, 48, 64, 128, 256)


def deb(ws):
    found = glob.glob(ws.build.path("tests/package/deb/orvex-programmer_*.deb"))
    must(len(found) == 1, "one .deb in the build's tests/package/deb (the package_build case makes it)")
    return found[0]


def unpacked(ws):
    root = ws.path("root")
    step(["dpkg", "-x", deb(ws), root])
    return root


def one(root, pattern):
    found = glob.glob(os.path.join(root, pattern))
    must(len(found) == 1 and os.path.getsize(found[0]) > 0, f"one {pattern} in the package, found {found}")
    return found[0]


def case_build(ws):
    folder = ws.build.path("tests/package/deb")
    step(["rm", "-rf", folder])
    step(["cpack", "--config", ws.build.path("CPackConfig.cmake"), "-B", folder], timeout=300)
    deb(ws)


def case_lintian(ws):
    os.mkdir(ws.path("lintian"))
    run = Run(ws, ["lintian", "--display-info", "--pedantic", "--tag-display-limit", "0", "--fail-on", "error",
                   deb(ws)], 300, env=dict(ws.env, TMPDIR=ws.path("lintian")))
    print(run.out)
    check(run.code == 0, f"lintian found errors: {run.out[-800:]} {run.err[-400:]}")


def case_contents(ws):
    """Each file where a system looks for it, checked by its own validator: the
    desktop entry and the metainfo naming each other, the icons at every size, the
    docs beside the README, compressed files without a name or time inside, nothing
    writable by others, the program stripped, the version everywhere."""
    version, root = ws.args[0], unpacked(ws)
    fields = {f: step(["dpkg-deb", "-f", deb(ws), f]).strip() for f in ("Version", "Depends")}
    check(fields["Version"] == version and "libwxgtk3.2-1" in fields["Depends"] and "-dev" not in fields["Depends"],
          f"the package's version and its runtime dependencies: {fields}")
    for file in ["usr/bin/orvex-programmer", "usr/share/man/man1/orvex-programmer.1.gz",
                 "usr/share/icons/hicolor/scalable/apps/orvex-programmer.svg", f"{DOC}/README.md",
                 f"{DOC}/docs/operator.md", f"{DOC}/copyright", f"{DOC}/changelog.gz",
                 f"{DOC}/examples/77-orvex-ignore-modemmanager.rules"]:
        check(os.path.getsize(os.path.join(root, file)) > 0 if os.path.exists(os.path.join(root, file)) else False,
              f"{file} is in the package")
    for size in SIZES:
        icon = os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/orvex-programmer.png")
        got = step(["identify", "-format", "%m %wx%h", icon]) if os.path.exists(icon) else "missing"
        check(got == f"PNG {size}x{size}", f"the {size} px icon is {got}")
    metainfo, entry = one(root, "usr/share/metainfo/*.metainfo.xml"), one(root, "usr/share/applications/*.desktop")
    step(["appstreamcli", "validate", "--no-net", metainfo])
    step(["desktop-file-validate", entry])
    text = open(metainfo).read()
    app_id = re.search(r"<id>(.*)</id>", text).group(1)
    check(os.path.basename(metainfo) == f"{app_id}.metainfo.xml" and os.path.basename(entry) == f"{app_id}.desktop"
          and f'<launchable type="desktop-id">{app_id}.desktop</launchable>' in text
          and re.search(rf'<release version="{re.escape(version)}" date="\d{{4}}-\d\d-\d\d"', text),
          f"the metainfo names its desktop entry and a dated release {version}")
    desktop = dict(re.findall(r"^(\w+)=(.*)$", open(entry).read(), re.M))
    check(os.path.exists(os.path.join(root, f"usr/share/icons/hicolor/scalable/apps/{desktop['Icon']}.svg")) and
          os.access(os.path.join(root, "usr/bin", desktop["Exec"].split()[0]), os.X_OK), f"Icon and Exec: {desktop}")
    for gz in ("usr/share/man/man1/orvex-programmer.1.gz", f"{DOC}/changelog.gz"):
        with open(os.path.join(root, gz), "rb") as f:
            check(f.read(8)[3:8] == bytes(5), f"{gz} keeps no name or time stamp")
    changelog = subprocess.run(["gzip", "-dc", os.path.join(root, DOC, "changelog.gz")], capture_output=True, text=True)
    check(changelog.stdout.startswith(f"orvex-programmer ({version}) "), "the changelog's newest entry is this version")
    check(open(os.path.join(root, DOC, "copyright")).readline().startswith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"), "a machine-readable copyright")
    writable = step(["find", root, "-perm", "/022", "!", "-type", "l"]).split()
    check(not writable, f"no group- or world-writable files: {writable}")
    program = os.path.join(root, "usr/bin/orvex-programmer")
    check(".symtab" not in step(["readelf", "-S", program]) and step([program, "--version"]).strip() == version,
          "the program is stripped and says its version")


def case_man_page(ws):
    """The manual page names every option --help lists, for this version."""
    version, root = ws.args[0], unpacked(ws)
    page = subprocess.run(["man", "-l", os.path.join(root, "usr/share/man/man1/orvex-programmer.1.gz")],
                          capture_output=True, text=True, env=dict(ws.env, MANWIDTH="200"))
    text = re.sub(r".\x08", "", page.stdout)
    check(page.stderr == "" and f"orvex-programmer {version}" in text, f"man reads the page cleanly: {page.stderr}")
    options = text[text.find("\nOPTIONS"):]
    options = options[:re.search(r"\n[A-Z]", options[1:]).start() + 1] if "\nOPTIONS" in text else ""
    listed = sorted(set(re.findall(r"--[a-z][a-z-]*", "\n".join(
        line for line in step([os.path.join(root, "usr/bin/orvex-programmer"), "--help"]).splitlines()
        if line.startswith("  --")))))
    missing = [o for o in listed if not re.search(rf"(^|[^a-z-]){o}([^a-z-]|$)", options, re.M)]
    check(listed and not missing, f"OPTIONS mentions every option of --help; missing {missing}")


def case_installed(ws):
    """The installed program names ModemManager as a port's holder and points at the rule
    the package holds; then it upgrades the simulated instrument."""
    root = unpacked(ws)
    program = os.path.join(root, "usr/bin/orvex-programmer")
    Instrument(ws, "--baud", "0", port="COM2")
    holder = hold(ws, "COM2", "ModemManager")
    line = next((line for line in step([program, "--list-ports"], env=ws.env).splitlines()
                 if line.startswith("COM2 ")), "")
    rule = line.split()[-1] if line else ""
    check(f"[busy: held by process {holder.pid} (ModemManager)]" in line and rule.startswith(f"/{DOC}/examples/")
          and os.path.exists(root + rule), f"--list-ports names ModemManager and a rule of the package: {line}")
    instrument = Instrument(ws, *FAST, port="COM1")
    run = Run(ws, [program, "--batch", "--port", "COM1"], 120)
    check(run.code == 0 and instrument.verdict()["valid"], f"the installed program upgrades: {run.code} {run.err}")


CASES = {"build": case_build, "lintian": case_lintian, "contents": case_contents, "man-page": case_man_page,
         "installed": case_installed}

if __name__ == "__main__":
    main(CASES)
