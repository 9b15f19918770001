#!/bin/sh
# Runs a test program (its words follow) as CTest's launcher. A program that
# ends with code 0 in the middle of a test, as the program's own ExitProcess
# does from inside the code under test, must fail: GoogleTest removes the
# TEST_PREMATURE_EXIT_FILE it made only when it ends normally.
marker=$(mktemp "${TMPDIR:-/tmp}/orvex-gtest.XXXXXX") || exit 1
TEST_PREMATURE_EXIT_FILE=$marker "$@"
status=$?
if [ "$status" -eq 0 ] && [ -e "$marker" ]; then
  echo "the test program ended with code 0 before its tests did" >&2
  status=1
fi
rm -f "$marker"
exit "$status"
