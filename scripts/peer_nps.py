#!/usr/bin/env python3
"""Nodes per second of Vorna and Debian peers on the bench positions.

    scripts/peer_nps.py [--seconds S] [ENGINE ...]

Each engine gets every bench position (read from tools/bench.cpp) with
"setboard", "post" and "st S", then "go"; the last thinking line before its
move gives nodes and centiseconds. Prints the total nodes per second per
engine. ENGINE defaults to build/vorna, fairymax and phalanx.
"""

import argparse
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "integration"))
from harness import Engine  # noqa: E402

ROOT = os.path.join(os.path.dirname(__file__), "..")
DEFAULT = [os.path.join(ROOT, "build", "vorna"), "/usr/games/fairymax", "/usr/games/phalanx"]
THINKING = re.compile(r"^\s*(\d+)\s+(-?\d+)\s+(\d+)\s+(\d+)\s")
MOVE = re.compile(r"^(move\s+\S+|\d+\.\s+\.\.\.\s+\S+)")


def positions():
    text = open(os.path.join(ROOT, "tools", "bench.cpp")).read()
    return re.findall(r'"([rnbqkpRNBQKP1-8/]+ [wb] [-KQkq]+ [-a-h1-8]+ \d+ \d+)"', text)


def measure(command, fen, seconds):
    args = command.split()
    args[0] = os.path.abspath(args[0]) if os.path.exists(args[0]) else args[0]
    if args[0].endswith("phalanx"):
        args.append("-l-")
    engine = Engine.__new__(Engine)
    engine.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, cwd="/tmp")
    engine.pending = b""
    try:
        engine.send("xboard\nprotover 2\n")
        time.sleep(0.3)
        vorna = os.path.basename(args[0]) == "vorna"
        if vorna:
            # Vorna prints no thinking under a fixed time per move; analysis
            # for the same time shows the same search.
            engine.send("new\nforce\nsetboard %s\npost\nanalyze\n" % fen)
            time.sleep(seconds)
            engine.send("exit\nping 1\n")
        else:
            engine.send("new\nforce\nsetboard %s\npost\nst %d\ngo\n" % (fen, seconds))
        best = None
        while True:
            line = engine.read_line(seconds * 3 + 10)
            if line is None:
                break
            m = THINKING.match(line)
            if m:
                best = (int(m.group(4)), int(m.group(3)))
            elif MOVE.match(line.strip()) or line == "pong 1":
                break
        return best
    finally:
        engine.kill()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--seconds", type=int, default=2)
    ap.add_argument("engines", nargs="*", default=DEFAULT)
    args = ap.parse_args()
    fens = positions()
    for command in args.engines:
        nodes = centis = 0
        for fen in fens:
            got = measure(command, fen, args.seconds)
            if got and got[1] > 0:
                nodes += got[0]
                centis += got[1]
        rate = nodes * 100 // centis if centis else 0
        print("%-24s %10d nodes  %7.1f s  %9d nodes per second" %
              (os.path.basename(command.split()[0]), nodes, centis / 100, rate))


if __name__ == "__main__":
    main()
