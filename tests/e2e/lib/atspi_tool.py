#!/usr/bin/python3
"""What a screen reader finds in the running game, through AT-SPI (pyatspi).

  wait-app SECONDS                 waits until the program is on the bus
  tree                             prints role, name and states of every object
  text NAME                        the text of the object named NAME
  has ROLE NAME                    exit 0 when an object with that role and name is shown
  press NAME                       runs the press action of the push button named NAME
  listen FILE SECONDS              writes each notification shown, one a line, as it comes
"""

import sys
import time

import pyatspi

APP = "korivanta"


def app(name=APP):
    """The application called `name` on the accessibility bus, or None."""
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        a = desktop.getChildAtIndex(i)
        if a is not None and a.name == name:
            return a
    return None


def walk(obj, depth=0):
    yield obj, depth
    for i in range(obj.childCount):
        child = obj.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def showing(obj):
    return obj.getState().contains(pyatspi.STATE_SHOWING)


def find(name, role=None):
    a = app()
    if a is None:
        raise SystemExit("the program is not on the accessibility bus")
    for obj, _ in walk(a):
        if obj.name == name and (role is None or obj.getRoleName() == role) and showing(obj):
            return obj
    return None


def main():
    cmd = sys.argv[1]
    if cmd == "wait-app":
        end = time.time() + float(sys.argv[2])
        while time.time() < end:
            if app() is not None:
                return
            time.sleep(0.2)
        raise SystemExit("the program did not appear on the accessibility bus")
    if cmd == "tree":
        for obj, depth in walk(app()):
            states = [pyatspi.stateToString(s) for s in obj.getState().getStates()]
            print("  " * depth + f"{obj.getRoleName()} | {obj.name} | {obj.description} | {' '.join(states)}")
        return
    if cmd == "text":
        obj = find(sys.argv[2])
        if obj is None:
            raise SystemExit(f"no object named {sys.argv[2]!r}")
        t = obj.queryText()
        print(t.getText(0, t.characterCount).strip())
        return
    if cmd == "has":
        sys.exit(0 if find(sys.argv[3], sys.argv[2]) is not None else 1)
    if cmd == "press":
        obj = find(sys.argv[2], "push button")
        if obj is None:
            raise SystemExit(f"no push button named {sys.argv[2]!r}")
        action = obj.queryAction()
        for i in range(action.nActions):
            if action.getName(i) == "Press":
                action.doAction(i)
                return
        raise SystemExit(f"{sys.argv[2]!r} has no press action")
    if cmd == "listen":
        out = open(sys.argv[2], "a", encoding="utf-8", buffering=1)

        def on_event(event):
            src = event.source
            if event.detail1 == 1 and src is not None and src.getRoleName() == "notification":
                src.clear_cache()  # the sentence is the name the object has now
                out.write(src.name + "\n")

        pyatspi.Registry.registerEventListener(on_event, "object:state-changed:showing")
        # Listening for name changes, as a screen reader does, keeps names fresh.
        pyatspi.Registry.registerEventListener(lambda e: None, "object:property-change:accessible-name")
        end = time.time() + float(sys.argv[3])

        def stop():
            if time.time() > end:
                pyatspi.Registry.stop()
                return False
            return True

        from gi.repository import GLib

        GLib.timeout_add(200, stop)
        out.write("#listening\n")
        pyatspi.Registry.start()
        return
    raise SystemExit(f"unknown command {cmd}")


if __name__ == "__main__":
    main()
