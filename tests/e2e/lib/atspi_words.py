#!/usr/bin/python3
"""Plays the words of a category through AT-SPI, as a screen-reader user
would, and checks that the game shows each one in the order given.

  atspi_words.py TABLES WORDS

TABLES is the layout dump of korivanta-tables; WORDS a file with one word a
line, "nom_ay<TAB>nom_esp", in the order the game should present them. For
each word the Spanish name on the board must be nom_esp; the word is then
spelled by pressing its keys, the completion panel closed (wali) and the next
word asked for (Siguiente). Prints each Spanish name as it is seen.
"""

import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from atspi_tool import app, showing, walk  # noqa: E402
from e2e_helper import load_tables, spell  # noqa: E402


class Game:
    """The game's push buttons and board label, found once and then read
    afresh each time (their states and names change, the objects stay)."""

    def __init__(self):
        self.label = None
        self.find()
        if self.label is None:
            raise SystemExit("no board label described as \"Palabra en castellano\"")

    def find(self):
        """Walks the tree again: a panel's buttons are listed once it is shown."""
        end = time.time() + 20
        a = app()
        while a is None and time.time() < end:
            time.sleep(0.2)
            a = app()
        if a is None:
            raise SystemExit("the program is not on the accessibility bus")
        a.clear_cache()
        self.buttons = {}
        for obj, _ in walk(a):
            if obj.getRoleName() == "push button":
                self.buttons.setdefault(obj.name, []).append(obj)
            elif self.label is None and obj.description == "Palabra en castellano" and showing(obj):
                self.label = obj

    def board_word(self):
        self.label.clear_cache()
        return self.label.name

    def press(self, name, seconds=10):
        end = time.time() + seconds
        while time.time() < end:
            for obj in self.buttons.get(name, []):
                obj.clear_cache()
                if not showing(obj):
                    continue
                action = obj.queryAction()
                for i in range(action.nActions):
                    if action.getName(i) == "Press":
                        action.doAction(i)
                        return
            time.sleep(0.2)
            self.find()
        raise SystemExit(f"no push button {name!r} shown within {seconds}s")

    def shown(self, name):
        for obj in self.buttons.get(name, []):
            obj.clear_cache()
            if showing(obj):
                return True
        return False

    def wait_hidden(self, name, seconds=10):
        end = time.time() + seconds
        while self.shown(name):
            if time.time() > end:
                raise SystemExit(f"the push button {name!r} is still shown after {seconds}s")
            time.sleep(0.2)


def key_name(tables, index):
    """The name a key has for a screen reader."""
    k = tables["keys"][index]
    g = k["grapheme"]
    if k.get("tooltip"):
        return k["tooltip"].lower()
    return g + " larga" if g in "äïü" else g


def main():
    tables = load_tables(sys.argv[1])
    words = [line.rstrip("\n").split("\t") for line in open(sys.argv[2], encoding="utf-8") if line.strip()]
    game = Game()
    for n, (aymara, spanish) in enumerate(words):
        end = time.time() + 15
        seen = game.board_word()
        while seen != spanish and time.time() < end:
            time.sleep(0.2)
            seen = game.board_word()
        if seen != spanish:
            raise SystemExit(f"word {n + 1}: the game shows {seen!r}, not {spanish!r} ({aymara})")
        print(spanish, flush=True)
        if n == len(words) - 1:
            return
        for k in spell(tables, aymara):
            game.press(key_name(tables, k))
            time.sleep(0.15)
        # A button under the completion panel takes no press: the panel
        # goes first, then Siguiente, which hides itself once pressed.
        game.press("wali", 20)
        game.wait_hidden("wali")
        game.press("Siguiente", 20)
        game.wait_hidden("Siguiente")


if __name__ == "__main__":
    main()
