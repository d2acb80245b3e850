#!/usr/bin/env python3
"""Turns PGN game collections into a Vorna text book.

Each game becomes one opening line in coordinate notation, e.g.
"1. e2e4 e7e5 2. g1f3 b8c6". Debian's pgn-extract converts the SAN of the
games (its -Wlalg output); check signs are dropped, and so are promotion
letters, which the book syntax does not have. No '!' or '?' marks are
written: a game collection says nothing about which moves are good. Games
that repeat an earlier line exactly are written once; a line that many
games go through gains weight by itself when the book is compiled.

A book position keeps only the first four (six in the early moves)
different moves met, so the lines are ordered most travelled first: at
every position the continuation that more lines share comes earlier.

  tools/make_book.py [-o data/vorna.bok] [--max-plies N] FILE.pgn ...
  default input: the ECO file of pgn-extract (/usr/share/pgn-extract/eco.pgn)
"""

import argparse
import os
import re
import shutil
import subprocess
import sys

ECO = "/usr/share/pgn-extract/eco.pgn"
MOVE = re.compile(r"^([a-h][1-8][a-h][1-8])[qrbnQRBN]?[+#]?$")
NUMBER = re.compile(r"^\d+\.+$")
RESULTS = {"1-0", "0-1", "1/2-1/2", "*"}


def find_pgn_extract():
    for name in ("pgn-extract", "/usr/games/pgn-extract"):
        path = shutil.which(name) or (name if os.access(name, os.X_OK) else None)
        if path:
            return path
    sys.exit("make_book: pgn-extract not found (apt-get install pgn-extract)")


def coordinate_games(pgn_files):
    """One list of coordinate moves per game, in file order."""
    out = subprocess.run(
        [find_pgn_extract(), "-s", "-Wlalg", "--nocomments", "--novars", "--nonags",
         "--notags", "--noresults", "-w100000"] + pgn_files,
        check=True, capture_output=True, text=True).stdout
    for text in out.split("\n\n"):
        moves = []
        for word in text.split():
            if NUMBER.match(word) or word in RESULTS:
                continue
            m = MOVE.match(word)
            if not m:
                raise SystemExit("make_book: unexpected word %r from pgn-extract" % word)
            moves.append(m.group(1))
        if moves:
            yield moves


def book_line(moves):
    words = []
    for i, move in enumerate(moves):
        if i % 2 == 0:
            words.append("%d." % (i // 2 + 1))
        words.append(move)
    return " ".join(words)


def travelled_first(lines):
    """Orders move lists so that at every position the continuations shared
    by more lines come first; ties keep the order of first appearance."""
    count, first = {}, {}
    for n, moves in enumerate(lines):
        for i in range(1, len(moves) + 1):
            prefix = tuple(moves[:i])
            count[prefix] = count.get(prefix, 0) + 1
            first.setdefault(prefix, n)

    def key(moves):
        prefixes = [tuple(moves[:i]) for i in range(1, len(moves) + 1)]
        return [(-count[p], first[p]) for p in prefixes]
    return sorted(lines, key=key)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("pgn", nargs="*", default=[ECO])
    ap.add_argument("-o", "--output", default="-")
    ap.add_argument("--max-plies", type=int, default=0,
                    help="cut every line after this many half-moves (0: keep all)")
    args = ap.parse_args()

    seen = set()
    games = []
    for moves in coordinate_games(args.pgn):
        if args.max_plies > 0:
            moves = moves[:args.max_plies]
        if tuple(moves) not in seen:
            seen.add(tuple(moves))
            games.append(moves)
    lines = [book_line(moves) for moves in travelled_first(games)]

    header = ["; Vorna opening book: %d lines in coordinate notation." % len(lines),
              "; Made by tools/make_book.py from: %s" % ", ".join(
                  os.path.basename(p) for p in args.pgn)]
    text = "\n".join(header + lines) + "\n"
    if args.output == "-":
        sys.stdout.write(text)
    else:
        with open(args.output, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
