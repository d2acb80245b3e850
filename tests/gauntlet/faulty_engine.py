#!/usr/bin/env python3
"""Runs an xboard engine behind a relay that breaks the game on purpose.

    faulty_engine.py --fault KIND --after N ENGINE [ARGS...]

Lines pass through unchanged until the engine has made N moves; then:

    crash    the next move is not sent; the relay and the engine exit
    silent   nothing more is sent to the GUI (the engine goes on running)
    nopong   like silent, and the relay also keeps the GUI waiting for pongs
             (it announces ping=1 at start-up and never answers a ping)
    illegal  the next move is replaced by the engine's previous move, whose
             from-square is empty by now
    claim    a draw is claimed after the next move

and one more that counts the GUI's moves instead (opening moves included):

    desync   the N-th move from the GUI is not passed on to the engine

The gauntlet's self-test uses it to check that each fault is reported.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import threading

MOVE = re.compile(r"^(?:move |\d+\. \.\.\. )([a-h][1-8][a-h][1-8][qrbnQRBN]?)\s*$")
COORD = re.compile(r"^(?:usermove )?[a-h][1-8][a-h][1-8][qrbn]?$")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--fault", required=True,
                    choices=["crash", "silent", "nopong", "illegal", "claim", "desync"])
    ap.add_argument("--after", type=int, default=6, help="N, at least 1")
    ap.add_argument("engine", nargs=argparse.REMAINDER)
    args = ap.parse_args()
    # xboard interrupts engines with SIGINT, which the engine ignores.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    child = subprocess.Popen(args.engine, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             bufsize=0)
    state = {"moves": [], "broken": False, "gui_moves": 0}
    lock = threading.Lock()

    def to_gui(text):
        with lock:
            sys.stdout.write(text)
            sys.stdout.flush()

    def from_engine():
        for raw in iter(child.stdout.readline, b""):
            line = raw.decode(errors="replace")
            if args.fault == "nopong" and line.startswith("feature done=1"):
                to_gui("feature ping=1\n")
            m = MOVE.match(line.strip())
            if state["broken"]:
                if args.fault in ("silent", "nopong"):
                    continue
            elif m:
                state["moves"].append(m.group(1))
                if len(state["moves"]) > args.after:
                    state["broken"] = True
                    if args.fault == "crash":
                        child.kill()
                        os._exit(3)
                    if args.fault in ("silent", "nopong"):
                        continue
                    if args.fault == "illegal":
                        line = line.replace(m.group(1), state["moves"][-2])
                    if args.fault == "claim":
                        line += "1/2-1/2 {Draw by repetition}\n"
            to_gui(line)
        os._exit(0)

    threading.Thread(target=from_engine, daemon=True).start()
    for line in sys.stdin:
        word = line.strip()
        if args.fault == "nopong" and word.startswith("ping"):
            continue
        if COORD.match(word):
            state["gui_moves"] += 1
            if args.fault == "desync" and state["gui_moves"] == args.after:
                continue
        try:
            child.stdin.write(line.encode())
            child.stdin.flush()
        except BrokenPipeError:
            break
    child.wait()


if __name__ == "__main__":
    main()
