"""Tablebases through the real engine binary: a copy of the program in a
folder of its own with a vorna.ics naming freshly generated tables, its
start-up report, won endings played out against Debian's stockfish as the
defender (the engine must mate within the table's distance), drawn kpk
positions (the engine must never claim a win), and stockfish's own search on
won 4-man positions (it must find no mate shorter than the table's).

The distances come from build/tbprobe, which reads the generated files
through the engine's registry and index functions; the mates themselves are
confirmed by stockfish, and the 3-man tables are compared with the Gaviota
tables position by position elsewhere (tests/egtb/gtb_crosscheck.cpp)."""

import os
import random
import re
import shutil
import subprocess
import tempfile
import time

from harness import Engine, Runner, binary, peer, program

BINARY = binary()
BUILD = os.path.dirname(BINARY)
TBGEN = program(os.path.join(BUILD, "tbgen"))
TBPROBE = program(os.path.join(BUILD, "tbprobe"))
STOCKFISH = peer("stockfish")

# The tables the games need: kqkr falls into kqk and krk, kbnk into kbk and
# knk, kpk promotes into the four of them. A sanitizer build generates the
# two 4-man tables in about 100 s instead of 8, so it plays the 3-man
# endings only.
SANITIZED = os.environ.get("VORNA_SANITIZED") == "1"
TABLES = ["knk", "kbk", "krk", "kqk", "kpk"] + ([] if SANITIZED else ["kqkr", "kbnk"])
MOVE = re.compile(r"^\d+\. \.\.\. ([a-h][1-8][a-h][1-8][QRBNqrbn]?)$")
THINKING = re.compile(r"^\s*\d+\s+(-?\d+)\s+\d+\s+\d+\s")
MATE_SUMMARY = re.compile(r"sc=[+-]M\d")
SEED = 20240611


class Stockfish:
    """Debian's stockfish over UCI."""

    def __init__(self):
        self.engine = Engine(STOCKFISH)
        self.engine.send("uci\n")
        self.engine.expect("uciok")
        self.engine.send("setoption name Threads value 1\nisready\n")
        self.engine.expect("readyok")

    def search(self, fen, moves, go, timeout=60.0):
        """(bestmove, last score) of a search; score is ("mate", n) or ("cp", n)."""
        position = "position fen %s" % fen
        if moves:
            position += " moves " + " ".join(moves)
        self.engine.send("%s\n%s\n" % (position, go))
        score = None
        while True:
            line = self.engine.read_line(timeout)
            if line is None:
                raise AssertionError("stockfish ended its output")
            m = re.search(r" score (mate|cp) (-?\d+)", line)
            if line.startswith("info") and m:
                score = (m.group(1), int(m.group(2)))
            if line.startswith("bestmove"):
                return line.split()[1], score

    def close(self):
        try:
            self.engine.send("quit\n")
            self.engine.wait()
        finally:
            self.engine.kill()


class Setup:
    """The generated tables, and a program folder with a copy of the engine
    and a vorna.ics naming them."""

    def __init__(self):
        self.root = tempfile.mkdtemp(prefix="vorna_tbplay_")
        self.tbdir = os.path.join(self.root, "tb")
        os.mkdir(self.tbdir)
        start = time.monotonic()
        made = subprocess.run([TBGEN, "-o", self.tbdir] + TABLES, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=900)
        assert made.returncode == 0, made.stdout
        print("generated %s in %.1f s" % (" ".join(TABLES), time.monotonic() - start))
        self.dir = os.path.join(self.root, "program")
        os.mkdir(self.dir)
        self.binary = os.path.join(self.dir, "vorna")
        shutil.copy2(BINARY, self.binary)
        with open(os.path.join(self.dir, "vorna.ics"), "w") as f:
            f.write("TB_PATH: %s\nTB_CACHE: 4\n" % self.tbdir)

    def probe(self, fens):
        """The table's answer per FEN: "mate N", "mated N", "draw", "none" or "illegal"."""
        out = subprocess.run([TBPROBE, self.tbdir], input="".join(f + "\n" for f in fens),
                             stdout=subprocess.PIPE, text=True, timeout=120, check=True).stdout
        answers = out.splitlines()
        assert len(answers) == len(fens), out
        return answers

    def start(self):
        """An engine in the program folder past its banner; returns it with the
        start-up lines (the tablebase report comes before the banner's end)."""
        engine = Engine(self.binary, cwd=self.dir)
        lines = engine.expect("Chess")
        engine.send("xboard\nprotover 2\neasy\nping 0\n")
        return engine, lines + engine.expect("pong 0")

    def remove(self):
        shutil.rmtree(self.root, ignore_errors=True)


def random_boards(rng, men, count):
    """count random placements of men (FEN letters, kings first) as square ->
    letter; pawns stay off the first and last ranks. Illegal ones are sorted
    out by the probe."""
    boards = []
    while len(boards) < count:
        squares = rng.sample(range(64), len(men))
        if all(m.lower() != "p" or 8 <= s < 56 for m, s in zip(men, squares)):
            boards.append(dict(zip(squares, men)))
    return boards


def fen_of(board, to_move):
    rows = []
    for rank in range(7, -1, -1):
        row, empty = "", 0
        for file in range(8):
            piece = board.get(rank * 8 + file)
            if piece is None:
                empty += 1
                continue
            row += (str(empty) if empty else "") + piece
            empty = 0
        rows.append(row + (str(empty) if empty else ""))
    return "%s %s - - 0 1" % ("/".join(rows), to_move)


def random_fens(rng, men, to_move, count):
    return [fen_of(b, to_move) for b in random_boards(rng, men, count)]


def won_positions(setup, rng, men, to_move, count, lo, hi):
    """count positions that the side to move wins in lo..hi moves: (fen, moves)."""
    fens = random_fens(rng, men, to_move, 2000)
    found = []
    for fen, answer in zip(fens, setup.probe(fens)):
        words = answer.split()
        if words[0] == "mate" and lo <= int(words[1]) <= hi:
            found.append((fen, int(words[1])))
    assert len(found) >= count, "only %d positions won in %d..%d moves" % (len(found), lo, hi)
    # The longest distances first, one position per distance in turn.
    by_distance = {}
    for fen, moves in found:
        by_distance.setdefault(moves, []).append(fen)
    chosen = []
    while len(chosen) < count:
        for moves in sorted(by_distance, reverse=True):
            if by_distance[moves] and len(chosen) < count:
                chosen.append((by_distance[moves].pop(0), moves))
    return chosen


def pawn_guarded(board):
    """In a kpk placement, the white king stands next to its pawn, the black
    king stands ahead of the pawn within a file of it and not next to it: the
    draw has to be held by the defending king in front."""
    at = {piece: divmod(sq, 8) for sq, piece in board.items()}  # (rank, file)
    def near(a, b):
        return abs(at[a][0] - at[b][0]) <= 1 and abs(at[a][1] - at[b][1]) <= 1
    (pr, pf), (kr, kf) = at["P"], at["k"]
    return near("P", "K") and not near("P", "k") and abs(pf - kf) <= 1 and kr > pr


def after_move(engine, serial):
    """Lines the engine prints after its move line, up to a pong."""
    engine.send("ping %d\n" % serial)
    return engine.expect("pong %d" % serial)


def engine_move(engine, seen):
    """Reads up to the engine's next move line, keeping every line in seen."""
    while True:
        line = engine.read_line(60)
        assert line is not None, "engine output ended; last lines %r" % seen[-5:]
        seen.append(line)
        assert not line.startswith("Illegal move"), line
        m = MOVE.match(line)
        if m:
            return m.group(1).lower()


def start_game(setup, fen, control):
    engine, _ = setup.start()
    engine.send("new\nforce\nsetboard %s\npost\n%s\ngo\n" % (fen, control))
    return engine


def wins_within_distance(setup, fen, dtm):
    """The engine, to move in fen, mates stockfish in at most dtm moves; the
    mate is confirmed by stockfish and announced by the engine's result line."""
    engine = start_game(setup, fen, "st 1")
    sf = Stockfish()
    winner = "1-0 {White mates}" if fen.split()[1] == "w" else "0-1 {Black mates}"
    moves, seen = [], []
    try:
        for count in range(1, dtm + 1):
            moves.append(engine_move(engine, seen))
            tail = after_move(engine, count)
            seen += tail
            reply, score = sf.search(fen, moves, "go movetime 100")
            if reply == "(none)":
                assert score == ("mate", 0), "no move but not mate: %r after %r" % (score, moves)
                # The summary of the mating move and whether a result line
                # followed, for the record.
                summary = [l.strip() for l in tail if " sc=" in l]
                print("  %s: mate in %d moves (table %d); last summary %r, result line %s" %
                      (fen, count, dtm, summary[-1] if summary else None,
                       "printed" if winner in tail else "missing"))
                return
            assert not any(l.startswith(("1-0", "0-1", "1/2-1/2")) for l in tail), tail
            moves.append(reply)
            engine.send(reply + "\n")
        raise AssertionError("no mate within %d moves: %s" % (dtm, " ".join(moves)))
    finally:
        sf.close()
        engine.kill()


def never_claims_a_win(setup, fen, limit):
    """From a drawn position the engine plays on for up to limit moves (or
    to a draw by the rules) without a mate score or a decisive result."""
    # A clock (not "st") so that the thinking lines are printed; the depth
    # limit keeps each move short.
    engine = start_game(setup, fen, "level 40 5 0\ntime 30000\notim 30000\ndepth 9")
    sf = Stockfish()
    moves, seen, thinking, end = [], [], 0, "move limit"
    try:
        for count in range(1, limit + 1):
            moves.append(engine_move(engine, seen))
            seen += after_move(engine, count)
            draws = [l for l in seen if l.startswith("1/2-1/2")]
            if draws:
                end = draws[0]
                break
            reply, _ = sf.search(fen, moves, "go movetime 100")
            if reply == "(none)":
                end = "no move for stockfish"
                break
            moves.append(reply)
            engine.send("time 30000\notim 30000\n%s\n" % reply)
        for line in seen:
            assert not line.startswith(("1-0", "0-1")), "claims a win: %r" % line
            assert not MATE_SUMMARY.search(line), "mate score: %r" % line
            m = THINKING.match(line)
            if m:
                thinking += 1
                assert abs(int(m.group(1))) <= 9000, "mate score: %r" % line
        assert thinking > 0, "no thinking line to check: %r" % seen[-10:]
        print("  %s: %d plies, %d thinking lines, no win claimed; ended by %s" %
              (fen, len(moves), thinking, end))
    finally:
        sf.close()
        engine.kill()


def startup_report(setup):
    engine, lines = setup.start()
    try:
        files = 2 * len(TABLES)
        assert any(l.endswith("found %d uncompressed and 0 compressed new TBs" % files)
                   for l in lines), lines
        men = 3 if SANITIZED else 4
        assert "found %d-piece TBs in %s" % (men, setup.tbdir) in lines, lines
        assert "using 0 KB for Compression" in lines, lines
        assert "using 4096 KB for TB cache" in lines, lines
    finally:
        engine.kill()


def stockfish_finds_no_shorter_mate(setup, rng):
    """Won 4-man positions with short distances: every mate stockfish reports
    is at least as long as the table's, and most are exactly as long."""
    samples = (won_positions(setup, rng, "KQkr", "w", 4, 1, 6) +
               won_positions(setup, rng, "kqKR", "b", 2, 1, 6) +
               won_positions(setup, rng, "KBNk", "w", 4, 1, 6))
    sf = Stockfish()
    same = 0
    try:
        for fen, dtm in samples:
            _, score = sf.search(fen, [], "go depth 24", timeout=120)
            assert score is not None, fen
            if score[0] == "mate":
                assert score[1] >= dtm, "stockfish mates in %d, table %d: %s" % (score[1], dtm, fen)
                same += score[1] == dtm
            print("  %s: table mate in %d, stockfish %s %d" % (fen, dtm, score[0], score[1]))
    finally:
        sf.close()
    # A check that found no mate at all would prove nothing.
    assert same * 2 >= len(samples), "stockfish matched only %d of %d" % (same, len(samples))
    print("  stockfish agrees exactly on %d of %d" % (same, len(samples)))


def main():
    runner = Runner()
    setup = Setup()
    rng = random.Random(SEED)
    try:
        runner.run("startup_report", startup_report, setup)
        games = won_positions(setup, rng, "KRk", "w", 2, 10, 20)
        if not SANITIZED:
            games += (won_positions(setup, rng, "KQkr", "w", 2, 15, 40) +
                      won_positions(setup, rng, "kqKR", "b", 1, 15, 40) +
                      won_positions(setup, rng, "KBNk", "w", 2, 15, 40))
        for fen, dtm in games:
            runner.run("wins_within_distance %s" % fen, wins_within_distance, setup, fen, dtm)
        fens = [fen_of(b, "w") for b in random_boards(rng, "KPk", 2000) if pawn_guarded(b)]
        draws = [f for f, a in zip(fens, setup.probe(fens)) if a == "draw"][:2]
        assert len(draws) == 2, "too few drawn kpk positions"
        for fen in draws:
            runner.run("never_claims_a_win %s" % fen, never_claims_a_win, setup, fen, 12)
        if SANITIZED:
            print("sanitizer build: kqkr and kbnk games and the stockfish sample left out")
        else:
            runner.run("stockfish_finds_no_shorter_mate", stockfish_finds_no_shorter_mate, setup,
                       rng)
    finally:
        setup.remove()
    runner.finish()


main()
