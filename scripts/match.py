#!/usr/bin/env python3
"""Plays Vorna against a Debian engine under the real xboard GUI, headless.

    scripts/match.py [--games N] [--tc 1:00] [--mps 40] [--inc 0] [--ponder]
                     [--opponent fairymax|phalanx] [--pgn FILE] [--engine PATH]

xboard runs with -noGUI under xvfb-run. The script saves the PGN and prints
wins, draws and losses from Vorna's side, an Elo estimate with its 95% error
margin, and every abnormal game end (illegal move, time forfeit, crash,
unterminated game). It exits 1 when any game ended abnormally.
"""

import argparse
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

OPPONENTS = {
    "fairymax": "/usr/games/fairymax",
    "phalanx": "/usr/games/phalanx -l-",
}


def parse_games(pgn_text):
    """Yields (tags, movetext) per game."""
    games = []
    tags, moves = {}, []
    for line in pgn_text.splitlines():
        m = re.match(r'\[(\w+) "(.*)"\]', line)
        if m:
            if moves:
                games.append((tags, " ".join(moves)))
                tags, moves = {}, []
            tags[m.group(1)] = m.group(2)
        elif line.strip():
            moves.append(line.strip())
    if tags:
        games.append((tags, " ".join(moves)))
    return games


def abnormal(tags, moves):
    """A short reason when the game did not end normally, else None."""
    result = tags.get("Result", "*")
    text = moves.lower()
    if result == "*":
        return "unterminated"
    if "forfeit" in text or "illegal" in text or "invalid" in text:
        return "illegal move: " + re.sub(r"\s+", " ", moves[-160:])
    if "on time" in text or "time forfeit" in text or "flag" in text:
        return "time forfeit"
    if "crash" in text or "disconnect" in text or "unexpected" in text or "exited" in text:
        return "crash"
    return None


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
    ap.add_argument("--inc", type=int, default=0)
    ap.add_argument("--ponder", action="store_true")
    ap.add_argument("--opponent", default="fairymax", choices=sorted(OPPONENTS))
    ap.add_argument("--pgn", default="match.pgn")
    ap.add_argument("--engine", default=os.path.join(os.path.dirname(__file__), "..", "build",
                                                     "vorna"))
    args = ap.parse_args()

    engine = os.path.abspath(args.engine)
    work = tempfile.mkdtemp(prefix="vorna_match_")
    pgn = os.path.abspath(args.pgn)
    if os.path.exists(pgn):
        os.remove(pgn)
    debug = os.path.join(work, "xboard.debug")
    cmd = [
        "xvfb-run", "-a", "xboard", "-noGUI",
        "-fcp", engine, "-fd", os.path.dirname(engine),
        "-scp", OPPONENTS[args.opponent], "-sd", work,
        "-secondComputerString", "",
        "-mg", str(args.games), "-tc", args.tc,
        "-autoCallFlag", "true", "-sgf", pgn, "-saveSettingsOnExit", "false",
        "-xexit", "-popupMoveErrors", "false", "-matchPause", "500",
        "-debug", "-nameOfDebugFile", debug,
    ]
    # xboard plays sudden death whenever an increment is given, even 0.
    if args.inc > 0:
        cmd += ["-inc", str(args.inc)]
    elif args.mps > 0:
        cmd += ["-mps", str(args.mps)]
    cmd += ["-ponder"] if args.ponder else ["-xponder"]
    env = dict(os.environ, HOME=work, PATH=os.environ.get("PATH", "") + ":/usr/games")
    per_game = 600 if args.mps == 0 else 60 * 6
    try:
        subprocess.run(cmd, env=env, cwd=work, timeout=120 + per_game * args.games,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        print("match timed out")
    text = open(pgn).read() if os.path.exists(pgn) else ""
    games = parse_games(text)
    wins = draws = losses = 0
    problems = []
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
        reason = abnormal(tags, moves)
        if reason:
            problems.append("game %d (%s): %s" % (i, "white" if vorna_white else "black", reason))
    if len(games) < args.games:
        problems.append("only %d of %d games were played" % (len(games), args.games))
    played = wins + draws + losses
    diff, margin = elo(wins + draws / 2, played)
    print("games %d: +%d =%d -%d  score %.1f/%d" % (played, wins, draws, losses,
                                                    wins + draws / 2, played))
    print("elo %+.0f +/- %.0f" % (diff, margin))
    for p in problems:
        print("abnormal: " + p)
    if problems:
        shutil.copy(debug, pgn + ".debug") if os.path.exists(debug) else None
    print("pgn: " + pgn)
    shutil.rmtree(work, ignore_errors=True)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
