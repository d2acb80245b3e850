"""The gauntlet's judgement of a game, without playing one: pgn-extract's
replay of the moves, draw and mate claims against the board, xboard's end
comments, a silent engine in the debug log, and the playing schedule."""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts"))
sys.path.insert(0, os.path.join(HERE, "..", "integration"))

import gauntlet  # noqa: E402
import xbmatch  # noqa: E402
from harness import Runner  # noqa: E402


def game(moves, result="*"):
    return '[Event "t"]\n[Result "%s"]\n\n%s %s\n' % (result, moves, result)


MATE = "1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 4. Qxf7#"
STALEMATE = ("1. e3 a5 2. Qh5 Ra6 3. Qxa5 h5 4. h4 Rah6 5. Qxc7 f6 6. Qxd7+ Kf7 7. Qxb7 Qd3 "
             "8. Qxb8 Qh7 9. Qxc8 Kg6 10. Qe6")
THREEFOLD = "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8"

# moves, field, wanted
BOARD_CASES = [
    (MATE, "mate", True),
    (MATE, "white_to_move", False),
    (MATE, "stalemate", False),
    (STALEMATE, "stalemate", True),
    (STALEMATE, "mate", False),
    (THREEFOLD, "repeats", 3),
    ("1. Nf3 Nf6 2. Ng1 Ng8", "repeats", 2),
    ("1. e2e4 e7e5 2. g1f3", "plies", 3),  # coordinate moves too
    ("1. e4 e5 2. Ke3", "legal", False),
    ("1. Nf3 Nf6 2. Ng1 Ng8 3. Nc3", "halfmove", 5),
]

# FEN, neither side can mate
MATERIAL_CASES = [
    ("8/8/8/4k3/8/8/8/4K3 w - - 0 1", True),
    ("8/8/8/4k3/8/8/8/2B1K3 w - - 0 1", True),
    ("8/8/8/4k3/8/8/8/1N2K3 w - - 0 1", True),
    ("2b5/8/8/4k3/8/8/8/2B1K3 w - - 0 1", False),  # bishops on both colours
    ("5b2/8/8/4k3/8/8/8/2B1K3 w - - 0 1", True),  # c1 and f8: both dark
    ("8/8/8/4k3/8/8/8/1NN1K3 w - - 0 1", False),
    ("8/8/8/4k3/8/8/4P3/4K3 w - - 0 1", False),
]


def board_cases():
    for moves, field, wanted in BOARD_CASES:
        got = xbmatch.board_check(game(moves))[field]
        assert got == wanted, "%s: %s is %r, not %r" % (moves, field, got, wanted)


def material_cases():
    for fen, wanted in MATERIAL_CASES:
        assert xbmatch.insufficient(fen) == wanted, fen


# moves of the final position, claim, holds
CLAIM_CASES = [
    (THREEFOLD, "1/2-1/2 {Draw by repetition}", True),
    ("1. Nf3 Nf6 2. Ng1 Ng8", "1/2-1/2 {Draw by repetition}", False),
    (STALEMATE, "1/2-1/2 {Stalemate}", True),
    (MATE, "1-0 {White mates}", True),
    (MATE, "0-1 {Black mates}", False),
    ("1. e4 e5", "1-0 {White mates}", False),
    ("1. e4 e5", "0-1 {White resigns}", True),
]


def claim_cases():
    for moves, claim, holds in CLAIM_CASES:
        board = xbmatch.board_check(game(moves))
        why = gauntlet.claim_fault(claim, board, False)
        assert (why is None) == holds, "%s after %s: %s" % (claim, moves, why)


def an_accepted_false_claim_is_still_reported():
    # xboard ended the game on the claim; the board shows no repetition.
    moves = "1. Nf3 {+0.1/5} Nf6 2. Ng1 Ng8 {Draw by repetition} 1/2-1/2"
    tags = {"White": "Vorna", "Black": "x", "Result": "1/2-1/2"}
    traffic = [(10, "<", "first", "1/2-1/2 {Draw by repetition}")]
    g = {"vorna_white": True}
    faults = gauntlet.analyse(g, tags, moves, traffic, [1], True, 3.0)
    assert [(k, w) for k, w, _ in faults] == [("false claim", "Vorna")], faults


def crashes_are_reported():
    tags = {"White": "Vorna", "Black": "x", "Result": "0-1"}
    moves = "1. e4 e5 {Black wins on time} 0-1"
    g = {"vorna_white": True}
    # The launcher's line before quit; after quit an exit is normal.
    for traffic, wanted in [([(900, "<", "first", "# exited 139")], [("crash", "Vorna")]),
                            ([(900, ">", "first", "quit"), (901, "<", "first", "# exited 0")],
                             [("time forfeit", "Vorna")])]:
        faults = gauntlet.analyse(g, tags, moves, traffic, [], True, 3.0)
        assert [(k, w) for k, w, _ in faults] == wanted, faults
    said = "Error: second chess program (sjeng) exited unexpectedly"
    faults = gauntlet.analyse(g, tags, moves, [], [], True, 3.0, said)
    assert ("crash", "opponent") in [(k, w) for k, w, _ in faults], faults


# final comment and result, Vorna white, (kind, who) or None
ENDING_CASES = [
    ("{Xboard: Forfeit due to invalid move: e1e3 (e1e3 via `0, `0) res=24} 0-1", True,
     ("illegal move", "Vorna")),
    ("{White wins on time} 1-0", True, ("time forfeit", "opponent")),
    ("{White wins on time} 1-0", False, ("time forfeit", "Vorna")),
    ("{False draw claim: 'Draw by repetition'} 1-0", False, ("false claim", "Vorna")),
    ("{Xboard adjudication: Checkmate} 1-0", True, None),
    ("{Draw by repetition} 1/2-1/2", True, None),
]


def ending_cases():
    for text, vorna_white, wanted in ENDING_CASES:
        result = text.rsplit(" ", 1)[1]
        got = xbmatch.ending({"Result": result}, "1. e4 e5 " + text, vorna_white)
        assert (got[:2] if got else None) == wanted, "%s: %r" % (text, got)
    got = xbmatch.ending({"Result": "*"}, "1. e4 *", True)
    assert got[0] == "unterminated", got


# traffic before the end (ms, way, engine, text), end at ms 5000: silent
SILENT_CASES = [
    ([(1000, ">", "first", "e7e5")], True),
    ([(1000, ">", "first", "e7e5"), (4900, "<", "first", "9 30 400 123 e2e4")], False),
    ([(1000, ">", "first", "e7e5"), (1200, "<", "first", "move g1f3")], False),
    ([(4500, ">", "first", "go")], False),  # a short turn: too soon to tell
]


def silent_cases():
    for traffic, wanted in SILENT_CASES:
        rows = traffic + [(5000, ">", "first", "result 0-1 {White wins on time}")]
        got = gauntlet.silent_turn(rows, [len(traffic)], "first")
        assert got == wanted, traffic


def schedule_meets_everyone_and_pairs_colours():
    opponents, controls = ["a", "b", "c"], ["x", "y"]
    games = gauntlet.schedule(24, opponents, controls, "mix")
    first = games[:6]
    assert {g["opponent"] for g in first} == set(opponents)
    assert {g["control"] for g in first} == set(controls)
    pairs = {}
    for g in games:
        pairs.setdefault((g["opponent"], g["control"]), []).append(g)
    assert len(pairs) == 6
    for rounds in pairs.values():
        assert len(rounds) == 4
        for a, b in (rounds[0:2], rounds[2:4]):
            assert a["opening"] == b["opening"] and a["vorna_white"] != b["vorna_white"]
            assert a["ponder"] == b["ponder"]
        assert rounds[0]["ponder"] != rounds[2]["ponder"]
    assert len({g["opening"] for g in games}) == 12


def controls_parse():
    for text, tc, mps, inc in [("40/0:20", "0:20", 40, 0), ("0:15", "0:15", 0, 0),
                               ("0:05+0.05", "0:05", 0, 0.05), ("2+1", "0:2", 0, 1)]:
        c = gauntlet.Control(text)
        assert (c.tc, c.mps, c.inc) == (tc, mps, inc), text
    for bad in ["40/0:20+1", "fast", "0:10+"]:
        try:
            gauntlet.Control(bad)
        except ValueError:
            continue
        raise AssertionError("accepted " + bad)


if __name__ == "__main__":
    runner = Runner()
    for check in [board_cases, material_cases, claim_cases,
                  an_accepted_false_claim_is_still_reported, crashes_are_reported, ending_cases,
                  silent_cases, schedule_meets_everyone_and_pairs_colours, controls_parse]:
        runner.run(check.__name__, check)
    runner.finish()
