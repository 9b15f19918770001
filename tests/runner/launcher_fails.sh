#!/usr/bin/env bash
# scripts/lib/gtest_run.sh, CTest's launcher of the test programs, must fail
# one that ends with code 0 while its premature-exit file is still there (as
# GoogleTest leaves it when the code under test ends the process inside a
# test), and keep the status of one that removed it.
run=$(dirname "$0")/../../scripts/lib/gtest_run.sh
bad=0
"$run" true 2>/dev/null && { echo "FAIL: a program that left the file passed"; bad=1; }
"$run" sh -c 'rm "$TEST_PREMATURE_EXIT_FILE"' || { echo "FAIL: a program that ended normally failed"; bad=1; }
"$run" sh -c 'rm "$TEST_PREMATURE_EXIT_FILE"; exit 3'
(($? == 3)) || { echo "FAIL: a failing program's status was not kept"; bad=1; }
((bad == 0)) && echo "gtest_run.sh fails a test program that ends before its tests did"
exit "$bad"
