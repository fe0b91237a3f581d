#!/usr/bin/env python3
"""Fails when a test program can make a main window with update checks (it holds UpdateChecks) but not the closed
port that every such program must send them to (ClosedUpdatePortForEveryTest): its windows would ask whatever web
server listens on port 80 of the machine running the tests.

Usage: check_update_port_seam.py <folder of the test programs>
"""
import os
import subprocess
import sys


def symbols(program):
    return subprocess.run(["nm", "-C", program], check=True, capture_output=True, text=True).stdout


def main(folder):
    checked, missing = 0, []
    for name in sorted(os.listdir(folder)):
        program = os.path.join(folder, name)
        if not name.endswith("_tests") or not os.access(program, os.X_OK):
            continue
        found = symbols(program)
        if "UpdateChecks::WindowOpened()" not in found:
            continue
        checked += 1
        if "ClosedUpdatePortForEveryTest" not in found:
            missing.append(name)
    for name in missing:
        print(f"{name} makes windows with update checks but does not send them to the closed port")
    print(f"{checked} test programs make windows with update checks")
    return 1 if missing or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
