#!/usr/bin/env python3
"""Runs an EPD test suite through Vorna's test-suite runs, or through a peer
engine speaking the xboard protocol, and scores the answers.

    epd_suite.py vorna SUITE.epd --engine build/vorna --time 5
    epd_suite.py peer  SUITE.epd --engine /usr/games/fairymax --time 5

EPD lines hold the four FEN fields and operations such as bm (best moves,
several allowed), am (moves to avoid) and id, all in SAN. The SAN is turned
into coordinate moves by Debian's pgn-extract (/usr/games/pgn-extract).

Vorna mode writes one position file per EPD line in the engine's own format
(the one "pput" writes: B S L T D K for pawn, knight, bishop, rook, queen,
king, upper case White, then ZW or ZS), a command file of
"pget FILE / st T / go" per position ending in "quit", starts the engine
with "batch" and scores answer.out: solved, failed (played and expected),
and for solved ones the time the move was found. Position files carry no
castling rights or en-passant square: a man on its initial square counts as
unmoved.
"""

import argparse
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

PGN_EXTRACT = "/usr/games/pgn-extract"
FILE_LETTERS = {"p": "B", "n": "S", "b": "L", "r": "T", "q": "D", "k": "K"}


class Position:
    def __init__(self, fen, best, avoid, name):
        self.fen = fen  # four fields
        self.best = best  # SAN lists
        self.avoid = avoid
        self.name = name
        self.best_uci = []
        self.avoid_uci = []


def parse_epd(path):
    positions = []
    with open(path) as f:
        for raw in f:
            line = raw.strip()
            if not line or line.startswith("#"):
                continue
            fields = line.split(None, 4)
            if len(fields) < 4:
                continue
            fen = " ".join(fields[:4])
            ops = fields[4] if len(fields) > 4 else ""
            best, avoid, name = [], [], "pos%03d" % (len(positions) + 1)
            for op in re.findall(r'\s*([A-Za-z][A-Za-z0-9_]*)\s+((?:"[^"]*"|[^;])*);?', ops):
                code, value = op[0], op[1].strip()
                if code == "bm":
                    best = value.split()
                elif code == "am":
                    avoid = value.split()
                elif code == "id":
                    name = value.strip('"')
            positions.append(Position(fen, best, avoid, name))
    return positions


def san_to_uci(positions):
    """Fills best_uci and avoid_uci through pgn-extract, one game per move."""
    if not os.access(PGN_EXTRACT, os.X_OK):
        sys.exit("pgn-extract is missing (apt-get install pgn-extract)")
    games, owners = [], []
    for i, p in enumerate(positions):
        for kind, moves in (("best", p.best), ("avoid", p.avoid)):
            for san in moves:
                black = p.fen.split()[1] == "b"
                text = ("1... " if black else "1. ") + san
                games.append('[Event "%d %s"]\n[SetUp "1"]\n[FEN "%s 0 1"]\n\n%s *\n\n'
                             % (len(owners), kind, p.fen, text))
                owners.append((i, kind))
    with tempfile.TemporaryDirectory() as tmp:
        pgn = os.path.join(tmp, "in.pgn")
        with open(pgn, "w") as f:
            f.write("".join(games))
        out = subprocess.run([PGN_EXTRACT, "-s", "-Wuci", pgn], capture_output=True,
                             text=True).stdout
    for block in re.split(r'\n(?=\[Event )', out):
        m = re.match(r'\[Event "(\d+) (\w+)"\]', block.strip())
        if not m:
            continue
        body = [ln for ln in block.splitlines() if ln and not ln.startswith("[")]
        words = " ".join(body).split()
        moves = [w for w in words if re.fullmatch(r"[a-h][1-8][a-h][1-8][qrbn]?", w)]
        if moves:
            i, kind = owners[int(m.group(1))]
            (positions[i].best_uci if kind == "best" else positions[i].avoid_uci).append(moves[0])
    for p in positions:
        if len(p.best_uci) != len(p.best) or len(p.avoid_uci) != len(p.avoid):
            sys.exit("%s: pgn-extract did not take %s" % (p.name, p.best + p.avoid))


def position_file(fen):
    """The position in the engine's own position-file format."""
    placement, side = fen.split()[:2]
    lines = [";" + fen]
    rank = 7
    for row in placement.split("/"):
        f = 0
        for ch in row:
            if ch.isdigit():
                f += int(ch)
                continue
            letter = FILE_LETTERS[ch.lower()]
            lines.append("%s%s%d" % (letter if ch.isupper() else letter.lower(), "abcdefgh"[f],
                                     rank + 1))
            f += 1
        rank -= 1
    lines.append("ZW" if side == "w" else "ZS")
    return "\n".join(lines) + "\n"


def judge(p, move):
    move = (move or "").lower()
    if p.best_uci:
        return move in p.best_uci
    return bool(move) and move not in p.avoid_uci


def run_vorna(engine, positions, seconds, workdir):
    names = []
    with open(os.path.join(workdir, "cmds"), "w") as cmds:
        for i, p in enumerate(positions):
            name = "p%03d.pos" % (i + 1)
            names.append(name)
            with open(os.path.join(workdir, name), "w") as f:
                f.write(position_file(p.fen))
            cmds.write("pget %s\nst %d\ngo\n" % (name, seconds))
        cmds.write("quit\n")
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, cwd=workdir)
    # Standard input stays open (and silent) during the run: input that
    # arrives during a search would end it.
    proc.stdin.write(b"batch cmds\n")
    proc.stdin.flush()
    try:
        proc.wait(timeout=len(positions) * (seconds + 5) + 30)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stdin.close()
    answers = {}
    with open(os.path.join(workdir, "answer.out")) as f:
        for line in f:
            m = re.match(r"(\S+):\s+Evaluation: (\S+)\s+Nodes/Sec:\s*\d+\s+(\S+) in (\d+:\d\d) \[(\d+)\]",
                         line)
            if m:
                answers[m.group(1)] = (m.group(3), m.group(4), m.group(2))
    return [answers.get(n, (None, None, None)) for n in names]


class Peer:
    def __init__(self, command):
        self.proc = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=tempfile.mkdtemp())
        self.pending = b""
        self.seen = []
        self.send("xboard\nprotover 2\n")
        self.wait_for(r"feature .*done=1", 3.0)
        if any("setboard=0" in line for line in self.seen):
            sys.exit("%s takes no setboard; only engines with setboard are run" % command[0])

    def send(self, text):
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def wait_for(self, pattern, timeout):
        deadline = time.monotonic() + timeout
        while True:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                self.seen.append(line.decode(errors="replace"))
                m = re.search(pattern, self.seen[-1])
                if m:
                    return m
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    return None
                self.pending += chunk

    def solve(self, fen, seconds):
        self.send("new\nforce\nsetboard %s 0 1\nst %d\ngo\n" % (fen, seconds))
        m = self.wait_for(r"^\s*move\s+(\S+)", seconds * 3 + 10)
        return m.group(1) if m else None

    def close(self):
        try:
            self.send("quit\n")
            self.proc.wait(timeout=5)
        except Exception:
            self.proc.kill()
            self.proc.wait()


def peer_command(engine):
    base = os.path.basename(engine)
    if base == "phalanx":
        return [engine, "-l-"]
    if base == "gnuchess":
        return [engine, "-x"]
    return [engine]


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("mode", choices=["vorna", "peer"])
    ap.add_argument("epd")
    ap.add_argument("--engine", required=True)
    ap.add_argument("--time", type=int, default=5, help="seconds per position")
    ap.add_argument("--keep", help="folder for the position, command and answer files")
    ap.add_argument("--quiet", action="store_true", help="only the summary line")
    args = ap.parse_args()

    positions = parse_epd(args.epd)
    san_to_uci(positions)
    if args.mode == "vorna":
        workdir = args.keep or tempfile.mkdtemp(prefix="vorna_epd_")
        os.makedirs(workdir, exist_ok=True)
        results = run_vorna(os.path.abspath(args.engine), positions, args.time, workdir)
        if not args.keep:
            shutil.rmtree(workdir, ignore_errors=True)
    else:
        peer = Peer(peer_command(args.engine))
        results = []
        for p in positions:
            results.append((peer.solve(p.fen, args.time), None, None))
        peer.close()

    solved = 0
    for p, (move, found, score) in zip(positions, results):
        ok = judge(p, move)
        solved += ok
        if args.quiet:
            continue
        want = ("bm " + " ".join(p.best_uci)) if p.best_uci else ("am " + " ".join(p.avoid_uci))
        if ok:
            extra = " in %s (%s)" % (found, score) if found else ""
            print("solved %-12s %s%s" % (p.name, move, extra))
        else:
            print("failed %-12s played %s, expected %s" % (p.name, move or "nothing", want))
    print("%s: %d of %d solved at %d s per position"
          % (os.path.basename(args.engine), solved, len(positions), args.time))
    return 0


if __name__ == "__main__":
    sys.exit(main())
