#!/usr/bin/python3
"""Makes the media tree under the media root: the grapheme, instruction, praise
and word sounds, the two animations and every word's picture. Each part is a
module of its own next to this file; this script runs the ones present and
hands each the inputs its make() names (tables, words, out, scene)."""
import argparse
import importlib.util
import inspect
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent / "common"))
sys.dont_write_bytecode = True  # no __pycache__ among the step's own sources
PARTS = ["sounds", "animations", "word_pictures"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tables", required=True)
    ap.add_argument("--words", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--stamp", required=True)
    ap.add_argument("--scene", required=True, help="the game window's background picture")
    args = ap.parse_args()
    out = pathlib.Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    inputs = {"tables": pathlib.Path(args.tables), "words": pathlib.Path(args.words), "out": out,
              "scene": pathlib.Path(args.scene)}
    for part in PARTS:
        path = HERE / f"{part}.py"
        if not path.exists():
            continue
        spec = importlib.util.spec_from_file_location(part, path)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        wanted = inspect.signature(module.make).parameters
        module.make(**{name: value for name, value in inputs.items() if name in wanted})
    pathlib.Path(args.stamp).write_text("done\n")


if __name__ == "__main__":
    sys.exit(main())
