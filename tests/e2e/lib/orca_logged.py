#!/usr/bin/python3
"""Runs Orca with its debug log written line by line, beside any other Orca.

  orca_logged.py LOG [ORCA OPTIONS...]

Orca opens its debug file block-buffered, so a test waiting for a spoken line
would wait for the buffer to fill; here the file is opened line-buffered.
Orca also refuses to start (or, with --replace, kills the others) when
another Orca of the same user runs, which would tie tests run in parallel to
each other: each test has its own D-Bus session, so the check is left out.
"""

import builtins
import runpy
import sys

log = sys.argv[1]
real_open = builtins.open


def open_line_buffered(file, mode="r", *args, **kwargs):
    if file == log and not args:
        kwargs.setdefault("buffering", 1)
    return real_open(file, mode, *args, **kwargs)


builtins.open = open_line_buffered
cli = runpy.run_path("/usr/bin/orca", run_name="orca_cli")
main = cli["main"]  # run_path hands back a copy of the globals: patch main's own
main.__globals__["otherOrcas"] = lambda: []
sys.argv = ["orca", "--debug-file", log] + sys.argv[2:]
sys.exit(main())
