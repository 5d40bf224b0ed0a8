#!/usr/bin/python3
"""Drives the word editor (korivanta-editor) through AT-SPI, as a
screen-reader user would.

  wait-app SECONDS            waits until the editor is on the bus
  set NAME TEXT               types TEXT into the text field named NAME
  press NAME                  presses the push button named NAME
  choose DIALOG PATH BUTTON   in the file dialog titled DIALOG, gives PATH as the
                              file name and presses BUTTON ("Abrir", "Guardar")
  centre NAME [ROLE]          screen centre "X Y" of the object named NAME
  centre-in NAME ROLE         screen centre of the first ROLE inside the filler NAME
  describe NAME               the description of the object named NAME
  tree                        role, name and description of every object
"""

import os
import sys
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import atspi_tool  # noqa: E402

APP = "korivanta-editor"


def app():
    return atspi_tool.app(APP)


walk = atspi_tool.walk


def find(name, role=None, seconds=10):
    end = time.time() + seconds
    while time.time() < end:
        a = app()
        if a is not None:
            a.clear_cache()
            for obj, _ in walk(a):
                if obj.name == name and (role is None or obj.getRoleName() == role):
                    return obj
        time.sleep(0.2)
    raise SystemExit(f"no {role or 'object'} named {name!r} within {seconds}s")


def press(name):
    obj = find(name, "push button")
    action = obj.queryAction()
    for i in range(action.nActions):
        if action.getName(i) == "Press":
            action.doAction(i)
            return
    raise SystemExit(f"the push button {name!r} has no press action")


def set_text(name, text):
    obj = find(name, "text")
    obj.queryEditableText().setTextContents(text)


def main():
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "wait-app":
        end = time.time() + float(args[0])
        while app() is None:
            if time.time() > end:
                raise SystemExit("the editor did not appear on the accessibility bus")
            time.sleep(0.2)
    elif cmd == "set":
        set_text(args[0], args[1])
    elif cmd == "press":
        press(args[0])
    elif cmd == "choose":
        find(args[0], "dialog")
        set_text("Nombre de fichero:", args[1])  # Qt's own dialog, in Spanish
        time.sleep(0.3)
        press(args[2])
    elif cmd == "centre":
        x, y, w, h = find(args[0], args[1] if len(args) > 1 else None).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(x + w // 2, y + h // 2)
    elif cmd == "centre-in":
        # A combo box's name is its current item; the filler around it has the field's.
        for obj, _ in walk(find(args[0], "filler")):
            if obj.getRoleName() == args[1]:
                x, y, w, h = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                print(x + w // 2, y + h // 2)
                return
        raise SystemExit(f"no {args[1]} inside {args[0]!r}")
    elif cmd == "describe":
        print(find(args[0]).description)
    elif cmd == "tree":
        for obj, depth in walk(app()):
            print("  " * depth + f"{obj.getRoleName()} {obj.name!r} {obj.description!r}")
    else:
        raise SystemExit(f"unknown command {cmd}")


if __name__ == "__main__":
    main()
