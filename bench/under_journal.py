#!/usr/bin/env python3
"""Runs a command under a journald of its own (the cases' private journal,
tests/harness/journal.py: a mount namespace, as root), or with no journal:
  under_journal.py --journal|--no-journal COMMAND...
Its status is the command's."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "harness"))
import journal  # noqa: E402

journal.namespace()
daemon = journal.private(sys.argv[1] == "--journal")
code = subprocess.run(sys.argv[2:]).returncode
if daemon:
    daemon.terminate()
    daemon.wait()
sys.exit(code)
