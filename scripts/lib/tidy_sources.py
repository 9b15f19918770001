#!/usr/bin/env python3
"""Prints what clang-tidy reads in a configured tree: each compile command's
file that is a tracked source, and each combined batch (a CMake unity file)
whose every included source is tracked. A batch of generated sources only is
left out, as a generated source is; a batch that mixes both is an error, so
no tracked source goes unchecked.

Usage: tidy_sources.py COMPILE_COMMANDS.json  (tracked: git ls-files *.cpp)
"""
import json
import os
import re
import subprocess
import sys

INCLUDE = re.compile(r'^#include "(.+)"$', re.MULTILINE)


def main():
    tracked = {os.path.realpath(path) for path in subprocess.run(
        ["git", "ls-files", "*.cpp"], check=True, capture_output=True,
        text=True).stdout.split()}
    for entry in json.load(open(sys.argv[1])):
        path = os.path.join(entry.get("directory", ""), entry["file"])
        if os.path.realpath(path) in tracked:
            print(os.path.relpath(path))
            continue
        if "/Unity/unity_" not in path:
            continue
        parts = [os.path.realpath(p) for p in INCLUDE.findall(open(path).read())]
        mine = [p for p in parts if p in tracked]
        if mine and len(mine) != len(parts):
            sys.exit(f"{path}: a combined batch mixes generated and tracked sources")
        if mine:
            print(os.path.relpath(path))


main()
