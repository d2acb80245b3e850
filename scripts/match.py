#!/usr/bin/env python3
"""Plays Vorna against a Debian engine under the real xboard GUI, headless.

    scripts/match.py [--games N] [--tc 1:00] [--mps 40] [--inc 0.1] [--ponder]
                     [--openings N [--skip-openings K]]
                     [--opponent fairymax|phalanx|sjeng|hoichess] [--pgn FILE]
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
import subprocess
import sys
import tempfile

ECO_FILE = "/usr/share/pgn-extract/eco.pgn"
OPENING_PLIES = 8

OPPONENTS = {
    "fairymax": "/usr/games/fairymax",
    "phalanx": "/usr/games/phalanx -l-",
    "sjeng": "/usr/games/sjeng",
    "hoichess": "/usr/games/hoichess",
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


def final_comment(moves):
    """The comment that xboard writes before the result, lower case."""
    comments = re.findall(r"\{([^}]*)\}", moves)
    return comments[-1].lower() if comments else ""


def abnormal(tags, moves, vorna_white):
    """A short reason when the game did not end normally, else None."""
    result = tags.get("Result", "*")
    text = final_comment(moves)
    if result == "*":
        return "unterminated: " + re.sub(r"\s+", " ", moves[-160:])
    if "false" in text and "claim" in text:
        # A draw or win claimed that the GUI found untrue: the claimer loses.
        return "false claim: " + text
    if "forfeit" in text or "illegal" in text or "invalid" in text:
        return "illegal move: " + text
    if "on time" in text or "time forfeit" in text or "flag" in text:
        # "White wins on time": the other side's flag fell.
        loser_white = text.startswith("black")
        who = "Vorna" if loser_white == vorna_white else "opponent"
        return "time forfeit by %s: %s" % (who, text)
    if "crash" in text or "disconnect" in text or "unexpected" in text or "exited" in text:
        return "crash: " + text
    return None


def opening_lines(count):
    """count lines of the ECO file, spread over it, cut to OPENING_PLIES."""
    lines = []
    for game in open(ECO_FILE).read().split("\n\n"):
        if game.lstrip()[:1] in ("[", "{", ""):
            continue  # tags and the file's opening comment
        sans = [t for t in game.split() if not re.match(r"^(\d+\.+|\*|1-0|0-1|1/2-1/2)$", t)]
        if len(sans) >= OPENING_PLIES:
            line = tuple(sans[:OPENING_PLIES])
            if line not in lines:
                lines.append(line)
    step = max(1, len(lines) // count)
    return [lines[i * step + step // 2] for i in range(min(count, len(lines)))]


def write_openings(path, count, skip=0):
    with open(path, "w") as f:
        for n, line in enumerate(opening_lines(count)[skip:], skip + 1):
            f.write('[Event "opening %d"]\n[White "?"]\n[Black "?"]\n[Result "*"]\n\n' % n)
            text = " ".join(("%d. " % (i // 2 + 1) if i % 2 == 0 else "") + m
                            for i, m in enumerate(line))
            f.write(text + " *\n\n")


def lowest_clock(debug):
    """Lowest time Vorna's clock showed, in seconds: (at the start of its
    moves, from the "time" lines; at the moment it moved, that minus the
    time until its move arrived)."""
    if not os.path.exists(debug):
        return None, None
    start_low = moved_low = None
    sent = None  # (xboard ms, clock in centiseconds) of the last "time"
    for line in open(debug, errors="replace"):
        m = re.search(r"(\d+) >first : time (-?\d+)", line)
        if m:
            sent = (int(m.group(1)), int(m.group(2)))
            cs = sent[1] / 100
            start_low = cs if start_low is None else min(start_low, cs)
            continue
        m = re.search(r"(\d+) <first : (?:move |\d+\. \.\.\. )(\S+)", line)
        if m and sent is not None:
            left = sent[1] / 100 - (int(m.group(1)) - sent[0]) / 1000
            moved_low = left if moved_low is None else min(moved_low, left)
            sent = None
    return start_low, moved_low


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
    ap.add_argument("--opponent", default="fairymax", choices=sorted(OPPONENTS))
    ap.add_argument("--pgn", default="match.pgn")
    ap.add_argument("--engine", default=os.path.join(os.path.dirname(__file__), "..", "build",
                                                     "vorna"))
    args = ap.parse_args()

    work = tempfile.mkdtemp(prefix="vorna_match_")
    # The engine in a folder of its own, with its books and settings.
    source = os.path.dirname(os.path.abspath(args.engine))
    home = os.path.join(work, "vorna")
    os.mkdir(home)
    for name in os.listdir(source):
        if name.startswith("vorna.") and name.split(".")[-1] in ("hbk", "lbk", "sbk", "bok", "ics"):
            shutil.copy(os.path.join(source, name), home)
    engine = os.path.join(home, os.path.basename(args.engine))
    shutil.copy(os.path.abspath(args.engine), engine)
    pgn = os.path.abspath(args.pgn)
    if os.path.exists(pgn):
        os.remove(pgn)
    debug = os.path.join(work, "xboard.debug")
    cmd = [
        "xvfb-run", "-a", "xboard", "-noGUI",
        "-fcp", engine, "-fd", home,
        "-scp", OPPONENTS[args.opponent], "-sd", work,
        "-secondComputerString", "",
        "-mg", str(args.games), "-tc", args.tc,
        "-autoCallFlag", "true", "-sgf", pgn, "-saveSettingsOnExit", "false",
        "-xexit", "-popupMoveErrors", "false", "-matchPause", "500",
        "-debug", "-nameOfDebugFile", debug,
        "-pgnExtendedInfo", "true", "-pgnTimeLeft", "true",
    ]
    # xboard plays sudden death whenever an increment is given, even 0.
    if args.inc > 0 or args.mps == 0:
        cmd += ["-inc", "%g" % args.inc]
    else:
        cmd += ["-mps", str(args.mps)]
    if args.openings > 0:
        book = os.path.join(work, "openings.pgn")
        write_openings(book, args.openings, args.skip_openings)
        cmd += ["-loadGameFile", book, "-loadGameIndex", "-2",
                "-rewindIndex", str(args.openings - args.skip_openings)]
    cmd += ["-ponder"] if args.ponder else ["-xponder"]
    env = dict(os.environ, HOME=work, PATH=os.environ.get("PATH", "") + ":/usr/games")
    # Both clocks, a long game's worth of periods or increments, and slack.
    base = sum(float(x) * 60 ** i for i, x in enumerate(reversed(args.tc.split(":"))))
    per_game = 2 * (4 * base + 150 * args.inc) + 30
    try:
        subprocess.run(cmd, env=env, cwd=work, timeout=120 + per_game * args.games,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
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
