#!/usr/bin/env python3
"""Nodes per second of Vorna and Debian peers on the bench positions.

    scripts/peer_nps.py [--seconds S] [ENGINE ...]

Each engine gets every bench position (read from tools/bench.cpp) with
"easy" (no pondering), "setboard", "post" and "st S", then "go"; the last
thinking line before its move gives nodes and centiseconds. Prints the total
nodes per second per engine and its rate against Vorna's. ENGINE defaults to
build/vorna and Debian's fairymax, phalanx, sjeng and hoichess (those that
are installed). Engines count nodes in their own ways (sjeng's thinking
lines, for one, leave out part of its quiescence nodes), so the figures
compare speeds only roughly. A position that an engine answers without a
timed thinking line (a quick mate, say) is left out of its total.
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
PEERS = ["fairymax", "phalanx", "sjeng", "hoichess"]
# Commands that keep a peer from answering out of its opening book.
NO_BOOK = {"hoichess": "book off\n"}
DEFAULT = [os.path.join(ROOT, "build", "vorna")] + [
    os.path.join("/usr/games", p) for p in PEERS if os.path.exists(os.path.join("/usr/games", p))]
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
        # Wait for the end of the feature list (sjeng first allocates its
        # tables); engines that send none get two seconds.
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            try:
                line = engine.read_line(deadline - time.monotonic())
            except TimeoutError:
                break
            if line is None or "done=1" in line:
                break
        vorna = os.path.basename(args[0]) == "vorna"
        if vorna:
            # Vorna prints no thinking under a fixed time per move; analysis
            # for the same time shows the same search.
            engine.send("new\nforce\nsetboard %s\npost\nanalyze\n" % fen)
            time.sleep(seconds)
            engine.send("exit\nping 1\n")
        else:
            engine.send(NO_BOOK.get(os.path.basename(args[0]), "") +
                        "easy\nnew\nforce\nsetboard %s\npost\nst %d\ngo\n" % (fen, seconds))
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
    first = None
    for command in args.engines:
        nodes = centis = answered = 0
        for fen in fens:
            got = measure(command, fen, args.seconds)
            if got and got[1] > 0:
                nodes += got[0]
                centis += got[1]
                answered += 1
        rate = nodes * 100 // centis if centis else 0
        first = rate if first is None else first
        print("%-12s %2d/%d positions %11d nodes %7.1f s %9d nodes per second  %5.2f x the first" %
              (os.path.basename(command.split()[0]), answered, len(fens), nodes, centis / 100, rate,
               rate / first if first else 0), flush=True)


if __name__ == "__main__":
    main()
