#!/usr/bin/env python3
"""Generate tests/data/perft.txt: perft reference counts computed by Debian's stockfish.

Usage:
    python3 tests/data/make_perft.py [--stockfish /usr/games/stockfish] [--out FILE] [--seed N]

Output format, one position per line:
    <FEN>;<depth>;<nodes>           count at most SLOW_NODES
    <FEN>;<depth>;<nodes>;slow      count above SLOW_NODES (a quick test may skip these)
Lines starting with '#' are comments; blank lines are ignored.

Part 1 holds well-known perft test positions at several depths.  Part 2 holds
positions reached by seeded random play from varied starts; the legal moves
come from stockfish's `go perft 1`, the resulting FEN from its `d` command, so
the FEN is exactly what stockfish prints (some versions print the en-passant
square only when a capture there is possible, others after every double push;
the engine under test must accept both).  Sampling is biased towards
positions where the side to move can capture en passant, castle or promote, or
is in check.  The random generator is seeded, so the file is reproducible for a
given stockfish version.
"""

import argparse
import os
import random
import subprocess
import sys
import time

SEED = 20240517
NODE_LIMIT = 2_000_000      # random positions: deepest depth whose count stays below this
SLOW_NODES = 1_000_000      # counts above this are marked "slow"
MIN_DEPTH = 3
MAX_DEPTH = 6
TARGET_RANDOM = 180         # number of random-play positions to produce
FEATURED_SHARE = 0.6        # share of them with en passant/castling/promotion/check

# Well-known perft positions: (name, FEN, depths).  Every depth listed is
# recorded, so a failing engine can be narrowed down from the shallow ones.
FIXED = [
    ("initial position",
     "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", [1, 2, 3, 4, 5]),
    ("kiwipete",
     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", [1, 2, 3, 4]),
    ("position 3",
     "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", [1, 2, 3, 4, 5]),
    ("position 4",
     "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", [1, 2, 3, 4]),
    ("position 4 mirrored",
     "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", [1, 2, 3, 4]),
    ("position 5",
     "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", [1, 2, 3]),
    ("position 6",
     "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", [1, 2, 3, 4]),
    # Classic edge cases: illegal en passant (discovered check along the rank),
    # en passant that gives check, castling that gives check, castling rights
    # lost by capture, promotions giving check, under-promotions, stalemates.
    ("illegal en passant move #1", "3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1", [6]),
    ("illegal en passant move #2", "8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1", [6]),
    ("en passant capture checks opponent", "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", [6]),
    ("short castling gives check", "5k2/8/8/8/8/8/8/4K2R w K - 0 1", [6]),
    ("long castling gives check", "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", [6]),
    ("castle rights", "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", [4]),
    ("castling prevented", "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", [4]),
    ("promote out of check", "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", [5, 6]),
    ("discovered check", "8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1", [5]),
    ("promote to give check", "4k3/1P6/8/8/8/8/K7/8 w - - 0 1", [6]),
    ("under-promote to give check", "8/P1k5/K7/8/8/8/8/8 w - - 0 1", [6]),
    ("self stalemate", "K1k5/8/P7/8/8/8/8/8 w - - 0 1", [6]),
    ("stalemate and checkmate", "8/k1P5/8/1K6/8/8/8/8 w - - 0 1", [7]),
    ("double check", "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1", [4]),
    # Not from the literature: en-passant square set although the capture is
    # illegal (both pawns leave the rank between king and rook).
    ("en passant square set, capture pinned along the rank",
     "4k3/8/8/2KPp2r/8/8/6P1/8 w - e6 0 1", [1, 2, 3, 4, 5]),
]

# Counts every reference must reproduce; checked before anything is written.
KNOWN = {
    ("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 5): 4865609,
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 4): 4085603,
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 5): 674624,
    ("r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 4): 422333,
    ("rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3): 62379,
    ("r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4): 3894594,
    ("3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1", 6): 1134888,
    ("8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1", 6): 1015133,
    ("8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1", 6): 1440467,
    ("5k2/8/8/8/8/8/8/4K2R w K - 0 1", 6): 661072,
    ("3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", 6): 803711,
    ("r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1", 4): 1274206,
    ("r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", 4): 1720476,
    ("2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1", 6): 3821001,
    ("8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1", 5): 1004658,
    ("4k3/1P6/8/8/8/8/K7/8 w - - 0 1", 6): 217342,
    ("8/P1k5/K7/8/8/8/8/8 w - - 0 1", 6): 92683,
    ("K1k5/8/P7/8/8/8/8/8 w - - 0 1", 6): 2217,
    ("8/k1P5/8/1K6/8/8/8/8 w - - 0 1", 7): 567584,
    ("8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1", 4): 23527,
}

INITIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"

# Starts for random play: (name, FEN, opening moves, games, plies per game).
STARTS = [
    ("initial position", INITIAL, "", 4, 120),
    ("italian", INITIAL, "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5", 2, 100),
    ("ruy lopez", INITIAL, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4 g8f6 e1g1", 2, 100),
    ("sicilian najdorf", INITIAL, "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6", 2, 100),
    ("french advance", INITIAL, "e2e4 e7e6 d2d4 d7d5 e4e5 c7c5", 2, 100),
    ("queen's gambit declined", INITIAL, "d2d4 d7d5 c2c4 e7e6 b1c3 g8f6 c1g5 f8e7", 2, 100),
    ("king's indian", INITIAL, "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7 e2e4 d7d6", 2, 100),
    ("english", INITIAL, "c2c4 e7e5 b1c3 g8f6 g2g3 d7d5 c4d5 f6d5", 2, 100),
    ("scandinavian", INITIAL, "e2e4 d7d5 e4d5 d8d5 b1c3 d5a5", 2, 100),
    ("benko", INITIAL, "d2d4 g8f6 c2c4 c7c5 d4d5 b7b5", 2, 100),
    ("rooks on home squares", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1", "", 3, 80),
    ("rooks and kings only", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", 2, 60),
    ("castling middlegame",
     "r3k2r/pppq1ppp/2npbn2/2b1p3/2B1P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1", "", 3, 80),
    ("pawns on the 7th, castling",
     "r3k2r/1P4P1/8/2pP4/8/8/1p4p1/R3K2R w KQkq c6 0 1", "", 3, 50),
    ("promotion race", "8/PPP4k/8/8/8/8/4Kppp/8 w - - 0 1", "", 3, 40),
    ("pawn walls", "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - - 0 1", "", 3, 80),
    ("en passant pin on the rank", "4k3/8/8/2KPp2r/8/8/6P1/8 w - e6 0 1", "", 2, 40),
    ("king in the centre, pinned knight, check",
     "4r3/1k6/8/4N3/1q2K3/8/8/4R3 w - - 0 1", "", 2, 40),
    ("kings in the centre with minor pieces",
     "8/2p1b1p1/3k4/1p6/1P2n3/3K1N2/2P1B1P1/8 w - - 0 1", "", 2, 60),
]


class Stockfish:
    def __init__(self, path):
        self.proc = subprocess.Popen([path], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     text=True, bufsize=1)
        self.send("uci")
        self.version = None
        for line in self.read_until("uciok"):
            if line.startswith("id name "):
                self.version = line[len("id name "):].strip()
        self.send("setoption name Threads value 1")
        self.send("setoption name Hash value 1")
        self.send("isready")
        self.read_until("readyok")

    def send(self, cmd):
        self.proc.stdin.write(cmd + "\n")
        self.proc.stdin.flush()

    def read_until(self, prefix):
        lines = []
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("stockfish exited unexpectedly")
            line = line.rstrip("\n")
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def set_position(self, fen, moves=()):
        cmd = "position fen " + fen
        if moves:
            cmd += " moves " + " ".join(moves)
        self.send(cmd)

    def board(self, fen, moves=()):
        """Return (fen, in_check) of the position after `moves`, as stockfish prints it."""
        self.set_position(fen, moves)
        self.send("d")
        out_fen, checkers = None, None
        for line in self.read_until("Checkers:"):
            if line.startswith("Fen: "):
                out_fen = line[len("Fen: "):].strip()
            elif line.startswith("Checkers:"):
                checkers = line[len("Checkers:"):].strip()
        return out_fen, bool(checkers)

    def perft(self, fen, depth):
        """Return (total, {move: count}) for `go perft depth`."""
        self.set_position(fen)
        self.send("go perft %d" % depth)
        divide = {}
        total = None
        for line in self.read_until("Nodes searched:"):
            if line.startswith("Nodes searched:"):
                total = int(line.split(":")[1])
            elif ": " in line:
                move, count = line.split(": ", 1)
                if move.isalnum() and 4 <= len(move) <= 5:
                    divide[move] = int(count)
        return total, divide

    def close(self):
        try:
            self.send("quit")
            self.proc.wait(timeout=10)
        except Exception:
            self.proc.kill()


def board_of(fen):
    """Map square name -> piece letter from the FEN placement field."""
    squares = {}
    rows = fen.split()[0].split("/")
    for r, row in enumerate(rows):
        f = 0
        for ch in row:
            if ch.isdigit():
                f += int(ch)
            else:
                squares["abcdefgh"[f] + str(8 - r)] = ch
                f += 1
    return squares


def features(fen, moves, in_check):
    """Which interesting features the side to move has, judged from its legal moves."""
    sq = board_of(fen)
    ep = fen.split()[3]
    found = set()
    if in_check:
        found.add("check")
    for m in moves:
        frm, to = m[:2], m[2:4]
        piece = sq.get(frm, "")
        if len(m) == 5 and m[4] in "qrbn":
            found.add("promotion")
        if piece in "Kk" and frm in ("e1", "e8") and to[0] in "cg" and to[1] == frm[1]:
            found.add("castling")
        if piece in "Pp" and to == ep and frm[0] != to[0]:
            found.add("en passant")
    return found


def pick_move(rng, fen, legal):
    """Random move, leaning towards double pushes next to an enemy pawn (which give
    the opponent an en-passant capture) and pawn moves in general (promotions)."""
    sq = board_of(fen)
    pawns = [m for m in legal if sq.get(m[:2], "") in "Pp"]
    doubles = []
    for m in pawns:
        piece, frm, to = sq[m[:2]], m[:2], m[2:4]
        if frm[0] == to[0] and abs(int(to[1]) - int(frm[1])) == 2:
            enemy = "p" if piece == "P" else "P"
            files = "abcdefgh"
            f = files.index(to[0])
            beside = [files[x] + to[1] for x in (f - 1, f + 1) if 0 <= x < 8]
            if any(sq.get(b) == enemy for b in beside):
                doubles.append(m)
    r = rng.random()
    if doubles and r < 0.6:
        return rng.choice(doubles)
    if pawns and r < 0.2:
        return rng.choice(pawns)
    return rng.choice(legal)


def choose_depth(sf, fen):
    """Deepest depth (MIN_DEPTH..MAX_DEPTH) whose count stays below NODE_LIMIT."""
    counts = {}
    for d in range(1, MIN_DEPTH + 1):
        counts[d], _ = sf.perft(fen, d)
        if counts[d] == 0:
            return d, 0
    d = MIN_DEPTH
    while d < MAX_DEPTH:
        branching = counts[d] / max(counts[d - 1], 1)
        if counts[d] * branching > 3 * NODE_LIMIT:
            break
        n, _ = sf.perft(fen, d + 1)
        if n > NODE_LIMIT:
            break
        d += 1
        counts[d] = n
    return d, counts[d]


def random_positions(sf, rng, log):
    """Play seeded random games; return list of (fen, start name, features)."""
    picked = []
    seen = set()
    for name, start_fen, opening, games, plies in STARTS:
        opening_moves = opening.split()
        for g in range(games):
            moves = list(opening_moves)
            last_pick = -99
            for ply in range(plies):
                fen, in_check = sf.board(start_fen, moves)
                _, divide = sf.perft(fen, 1)
                legal = sorted(divide)
                feats = features(fen, legal, in_check)
                key = " ".join(fen.split()[:4])
                if not legal:
                    # Checkmate or stalemate ends the game; keep the position.
                    if key not in seen:
                        seen.add(key)
                        picked.append((fen, name, {"checkmate" if in_check else "stalemate"}))
                    break
                # Bias: featured positions are taken far more often than plain ones,
                # and picks are spread out along the game.
                gap = ply - last_pick
                p = 0.9 if "en passant" in feats else 0.45 if feats else 0.05
                if gap >= 3 and key not in seen and rng.random() < p:
                    seen.add(key)
                    picked.append((fen, name, feats))
                    last_pick = ply
                moves.append(pick_move(rng, fen, legal))
        log("%-42s %3d positions so far" % (name, len(picked)))
    return picked


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--stockfish", default="/usr/games/stockfish")
    ap.add_argument("--out", default=os.path.join(here, "perft.txt"))
    ap.add_argument("--seed", type=int, default=SEED)
    args = ap.parse_args()

    def log(msg):
        print(msg, file=sys.stderr, flush=True)

    t0 = time.time()
    sf = Stockfish(args.stockfish)
    rng = random.Random(args.seed)

    # Part 1: well-known positions.
    fixed_lines = []
    for name, fen, depths in FIXED:
        fixed_lines.append("# %s" % name)
        for d in depths:
            n, _ = sf.perft(fen, d)
            want = KNOWN.get((fen, d))
            if want is not None and n != want:
                sys.exit("stockfish gives %d for %s depth %d, expected %d" % (n, fen, d, want))
            fixed_lines.append("%s;%d;%d%s" % (fen, d, n, ";slow" if n > SLOW_NODES else ""))
    log("fixed positions done (%.1fs)" % (time.time() - t0))

    # Part 2: random play.
    picked = random_positions(sf, rng, log)
    rng.shuffle(picked)
    featured = [p for p in picked if p[2]]
    plain = [p for p in picked if not p[2]]
    # About 60% featured positions, the rest plain ones.
    n_featured = min(len(featured), int(TARGET_RANDOM * FEATURED_SHARE))
    chosen = featured[:n_featured] + plain[:TARGET_RANDOM - n_featured]
    if len(chosen) < TARGET_RANDOM:
        chosen += featured[n_featured:n_featured + TARGET_RANDOM - len(chosen)]
    order = {id(p): i for i, p in enumerate(picked)}
    chosen.sort(key=lambda p: order[id(p)])

    random_lines = []
    stats = {}
    depth_hist = {}
    for fen, name, feats in chosen:
        d, n = choose_depth(sf, fen)
        for f in feats or {"plain"}:
            stats[f] = stats.get(f, 0) + 1
        depth_hist[d] = depth_hist.get(d, 0) + 1
        random_lines.append("%s;%d;%d%s" % (fen, d, n, ";slow" if n > SLOW_NODES else ""))
    sf.close()
    log("random positions done (%.1fs)" % (time.time() - t0))

    n_feat = sum(1 for p in chosen if p[2])
    n_slow = sum(1 for l in fixed_lines + random_lines if l.endswith(";slow"))
    header = [
        "# Perft reference counts: <FEN>;<depth>;<nodes>[;slow]",
        "# Made by: python3 tests/data/make_perft.py --seed %d" % args.seed,
        "# Counts from: %s (%s, `position fen <FEN>` then `go perft <depth>`)"
        % (sf.version, args.stockfish),
        "# \"slow\" marks counts above %d; a quick test may skip those lines (%d here)."
        % (SLOW_NODES, n_slow),
        "# Random-play FENs are as stockfish prints them: the en-passant field may be set",
        "# after a double push even when no capture is possible (depends on the version).",
        "",
        "# Part 1: well-known positions",
    ]
    summary = ", ".join("%s %d" % (k, stats[k]) for k in sorted(stats))
    hist = ", ".join("depth %d: %d" % (k, depth_hist[k]) for k in sorted(depth_hist))
    middle = [
        "",
        "# Part 2: %d positions from seeded random play (%d with en passant, castling,"
        % (len(chosen), n_feat),
        "# promotion, check or no legal moves for the side to move)",
        "# Features: %s" % summary,
        "# Depths: %s" % hist,
    ]
    with open(args.out, "w") as out:
        out.write("\n".join(header + fixed_lines + middle + random_lines) + "\n")
    log("wrote %s: %d fixed lines, %d random positions, %d slow (%.1fs)"
        % (args.out, len([l for l in fixed_lines if not l.startswith("#")]),
           len(chosen), n_slow, time.time() - t0))


if __name__ == "__main__":
    main()
