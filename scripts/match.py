#!/usr/bin/env python3
"""Plays Vorna against a Debian engine under the real xboard GUI, headless.

    scripts/match.py [--games N] [--tc 1:00] [--mps 40] [--inc 0.1] [--ponder]
                     [--openings N [--skip-openings K]]
                     [--opponent fairymax|phalanx|sjeng|hoichess|gnuchess] [--pgn FILE]
                     [--engine PATH]

xboard runs with -noGUI under xvfb-run. The engine is copied with its book
files into a folder of its own, so that matches run side by side do not
share a learning file. With --openings N the games start from N opening
lines of pgn-extract's ECO file (8 half-moves each), each played twice with
the colours reversed. --inc takes fractional seconds; --mps 0 without an
increment is sudden death.

The script saves the PGN and prints wins, draws and losses from Vorna's
side, an Elo estimate with its 95% error margin, the lowest clock Vorna had
when it moved (from xboard's debug log), and every abnormal game end
(illegal move, time forfeit of either side, crash, unterminated game). It
exits 1 when any game ended abnormally.
"""

import argparse
import math
import os
import re
import shutil
import sys
import tempfile

import xbmatch
from xbmatch import final_comment, lowest_clock, parse_games, write_openings


def abnormal(tags, moves, vorna_white):
    """A short reason when the game did not end normally, else None."""
    found = xbmatch.ending(tags, moves, vorna_white)
    if found is None:
        return None
    kind, who, text = found
    if kind == "time forfeit":
        return "time forfeit by %s: %s" % (who, text)
    return "%s: %s" % (kind, text)


def elo(score, games):
    if games == 0:
        return 0.0, 0.0
    p = min(max(score / games, 1e-3), 1 - 1e-3)
    diff = -400 * math.log10(1 / p - 1)
    # 95% margin from the standard error of the score.
    se = math.sqrt(p * (1 - p) / games)
    lo = min(max(p - 1.96 * se, 1e-3), 1 - 1e-3)
    hi = min(max(p + 1.96 * se, 1e-3), 1 - 1e-3)
    return diff, (-400 * math.log10(1 / hi - 1) + 400 * math.log10(1 / lo - 1)) / 2


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--games", type=int, default=2)
    ap.add_argument("--tc", default="1:00", help="minutes per period, as xboard's -tc")
    ap.add_argument("--mps", type=int, default=40, help="moves per period (0: all)")
    ap.add_argument("--inc", type=float, default=0, help="increment in seconds, may be 0.1")
    ap.add_argument("--openings", type=int, default=0,
                    help="start from this many ECO lines, each twice with colours reversed")
    ap.add_argument("--skip-openings", type=int, default=0,
                    help="go on with a match cut short: leave out the first K of the N lines")
    ap.add_argument("--ponder", action="store_true")
    ap.add_argument("--opponent", default="fairymax", choices=sorted(xbmatch.OPPONENTS))
    ap.add_argument("--pgn", default="match.pgn")
    ap.add_argument("--engine", default=os.path.join(os.path.dirname(__file__), "..", "build",
                                                     "vorna"))
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="vorna_match_")
    # The engine in a folder of its own, with its books and settings.
    home = os.path.join(work, "vorna")
    engine = xbmatch.copy_engine(args.engine, home)
    pgn = os.path.abspath(args.pgn)
    if os.path.exists(pgn):
        os.remove(pgn)
    debug = os.path.join(work, "xboard.debug")
    book = None
    if args.openings > 0:
        book = os.path.join(work, "openings.pgn")
        write_openings(book, args.openings, args.skip_openings)
    cmd = xbmatch.xboard_command(
        engine, home, xbmatch.xboard_words(xbmatch.opponent_argv(args.opponent, work)), work,
        pgn, debug, games=args.games, tc=args.tc, mps=args.mps, inc=args.inc,
        ponder=args.ponder, book=book, book_index=-2,
        book_rewind=args.openings - args.skip_openings)
    # Both clocks, a long game's worth of periods or increments, and slack.
    per_game = 2 * (4 * xbmatch.seconds(args.tc) + 150 * args.inc) + 30
    finished, _ = xbmatch.run_bounded(cmd, xbmatch.xboard_env(work), work,
                                      120 + per_game * args.games)
    if not finished:
        print("match timed out")
    text = open(pgn).read() if os.path.exists(pgn) else ""
    games = parse_games(text)
    wins = draws = losses = 0
    problems = []
    endings = {}
    for i, (tags, moves) in enumerate(games, 1):
        vorna_white = tags.get("White", "").lower().startswith("vorna")
        result = tags.get("Result", "*")
        if result == "1/2-1/2":
            draws += 1
        elif result in ("1-0", "0-1"):
            if (result == "1-0") == vorna_white:
                wins += 1
            else:
                losses += 1
        ending = re.sub(r"\s+", " ", final_comment(moves)) or "(no comment)"
        endings[ending] = endings.get(ending, 0) + 1
        reason = abnormal(tags, moves, vorna_white)
        if reason:
            problems.append("game %d (%s): %s" % (i, "white" if vorna_white else "black", reason))
    if len(games) < args.games:
        problems.append("only %d of %d games were played" % (len(games), args.games))
    played = wins + draws + losses
    diff, margin = elo(wins + draws / 2, played)
    print("games %d: +%d =%d -%d  score %.1f/%d" % (played, wins, draws, losses,
                                                    wins + draws / 2, played))
    print("elo %+.0f +/- %.0f" % (diff, margin))
    for ending, count in sorted(endings.items(), key=lambda e: -e[1]):
        print("ending %3d x %s" % (count, ending))
    start_low, moved_low = lowest_clock(debug)
    if start_low is not None:
        print("lowest Vorna clock: %.2f s at the start of a move, %.2f s when it moved"
              % (start_low, moved_low if moved_low is not None else float("nan")))
    for p in problems:
        print("abnormal: " + p)
    if os.path.exists(debug):
        shutil.copy(debug, pgn + ".debug")
    print("pgn: " + pgn)
    shutil.rmtree(work, ignore_errors=True)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
