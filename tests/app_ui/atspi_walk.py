"""Walks the program's accessible tree over AT-SPI, as a screen reader reads it: every control a
person can use must have a name. Prints what it found; exits 1 on an unnamed control or when
fewer controls than expected are exposed."""
import sys
import time

import pyatspi

INTERACTIVE = {
    "push button", "check box", "radio button", "combo box", "text", "slider", "page tab",
    "table", "table row", "spin button", "toggle button",
}


def walk(node, path, found, unnamed):
    try:
        role, name = node.getRoleName(), node.name
        count = node.childCount
    except Exception:
        return
    here = f"{path}/{role}:{name}"
    if role in INTERACTIVE:
        found.append(here)
        if not name.strip():
            unnamed.append(here)
    for i in range(count):
        try:
            walk(node.getChildAtIndex(i), here, found, unnamed)
        except Exception:
            pass


def main():
    minimum = int(sys.argv[1])
    deadline = time.time() + 20
    while time.time() < deadline:
        apps = [a for a in pyatspi.Registry.getDesktop(0) if a and "movara" in (a.name or "").lower()]
        found, unnamed = [], []
        for app in apps:
            walk(app, "", found, unnamed)
        if len(found) >= minimum:
            break
        time.sleep(0.5)
    print(f"{len(found)} controls, {len(unnamed)} without a name")
    for entry in unnamed:
        print("unnamed:", entry)
    return 0 if found and len(found) >= minimum and not unnamed else 1


if __name__ == "__main__":
    sys.exit(main())
