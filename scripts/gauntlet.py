#!/usr/bin/env python3
"""Plays Vorna against a rotation of Debian engines under the real xboard
GUI, headless, and reports every game that did not end normally.

    scripts/gauntlet.py [--games N] [--jobs J] [--opponents a,b,...]
                        [--controls C,C,...] [--ponder mix|on|off]
                        [--out DIR] [--engine PATH] [--wrapper CMD]
                        [--hang-after S] [--self-test]

Each game is one run of xboard -noGUI under xvfb-run -a, in a folder of its
own that is also xboard's HOME. Every worker (--jobs) has its own copy of
the engine and its books, its own folder per opponent and its own range of
X display numbers. The games rotate over the opponents (fairymax, phalanx,
sjeng, gnuchess, hoichess) and the controls so that a short run meets each
of them; each pairing plays the same opening line (8 half-moves from
pgn-extract's ECO file) twice with the colours reversed, and pondering is
on in half the games of every pairing (--ponder mix). A control is
"M/MIN:SS" (M moves per period), "MIN:SS" (sudden death) or "MIN:SS+INC"
(increment in seconds).

Every engine runs from a small launcher that writes "# exited N" to the GUI
when the engine ends, so that xboard's debug log shows a crash in its place
among the moves. After each game the script reads xboard's PGN and debug log
and replays the moves with pgn-extract. It reports, for Vorna and separately
for the opponent:

  illegal move   xboard's "Forfeit due to invalid move"
  time forfeit   the flag fell while the engine was thinking
  crash          the engine ended before xboard told it to quit
  hang           the engine fell silent in the turn in which its flag fell
                 (nothing for the last half of the turn, a second at least),
                 or the game did not finish within its wall-clock bound
                 (then xboard and the engines are killed)
  false claim    a result claim that xboard rejected or that the board
                 contradicts (repetition, fifty moves, material, mate,
                 stalemate)
  desync         an engine answered "Illegal move" to a move xboard passed
                 on, pgn-extract cannot replay the game, or the result tag
                 contradicts a final mate or stalemate

Abnormal games are saved to DIR/abnormal/ with their PGN and debug log; all
games to DIR/games.pgn, the report to DIR/report.txt. The exit status is 1
when Vorna (or no one in particular) had an abnormal ending; the opponents'
own faults are listed but do not fail the run.

--wrapper CMD puts a command before the engine copy: the self-test uses
tests/gauntlet/faulty_engine.py that way to crash, hang, play an illegal
move, claim falsely and lose track of the position, and checks that each
fault is reported (exit 1 when one is missed); it also crashes fairymax and
makes it move illegally, which must be reported as the opponent's faults.

Timing, measured on the 2-core machine (shared with other jobs) with
--jobs 2, pondering in half the games, over 60 games of the default
controls: mean wall-clock per game, xboard's start and end included,
0:05+0.05 8.7 s, 0:08+0.08 15.3 s, 0:10 14.6 s, 40/0:10 20.1 s; the two
jobs finished a game every 7.5 s (8.4 s in a run of 20), so 1000 games take
about 2.1 to 2.3 hours. Slower controls (15 games: 0:10+0.1 21.6 s, 0:15
21.9 s, 40/0:20 31.5 s) would need 3.7 hours. The benchmark:

    scripts/gauntlet.py --games 1000 --jobs 2 --out build/gauntlet-1000
"""

import argparse
import collections
import math
import os
import re
import shlex
import shutil
import sys
import tempfile
import textwrap
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xbmatch  # noqa: E402

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
DEFAULT_OPPONENTS = ["fairymax", "phalanx", "sjeng", "gnuchess", "hoichess"]
DEFAULT_CONTROLS = ["0:05+0.05", "0:08+0.08", "0:10", "40/0:10"]
KINDS = ["illegal move", "time forfeit", "crash", "hang", "false claim", "desync"]
LONGEST_GAME = 200  # moves of one side that the wall-clock bound allows for


class Control:
    """A time control as written on the command line."""

    def __init__(self, text):
        m = re.match(r"^(?:(\d+)/)?(\d+(?::\d+)?)(?:\+(\d+(?:\.\d+)?))?$", text)
        if not m:
            raise ValueError("bad control %r (want 40/0:20, 0:15 or 0:05+0.05)" % text)
        if m.group(1) and m.group(3):
            raise ValueError("bad control %r: moves per period or increment, not both" % text)
        self.text = text
        self.mps = int(m.group(1) or 0)
        self.tc = m.group(2) if ":" in m.group(2) else "0:" + m.group(2)
        self.inc = float(m.group(3) or 0)
        self.base = xbmatch.seconds(self.tc)

    def wall_bound(self):
        """Seconds a game may take before it counts as hung."""
        periods = math.ceil(LONGEST_GAME / self.mps) if self.mps else 1
        return 2 * (self.base * periods + self.inc * LONGEST_GAME) + 30


def schedule(games, opponents, controls, ponder):
    """The games in playing order: rounds in which each (opponent, control)
    pairing plays once, opponents and controls both changing from game to
    game; rounds 2k and 2k+1 repeat an opening with colours reversed."""
    n_o, n_c = len(opponents), len(controls)
    out = []
    r = 0
    while len(out) < games:
        for b in range(n_c):
            for a in range(n_o):
                if len(out) == games:
                    break
                c = (a + b) % n_c
                pairing = b * n_o + a
                if ponder == "mix":
                    pondering = (r // 2 + a + b) % 2 == 1
                else:
                    pondering = ponder == "on"
                out.append({
                    "index": len(out) + 1,
                    "opponent": opponents[a],
                    "control": controls[c],
                    "ponder": pondering,
                    "vorna_white": (r + a) % 2 == 0,
                    "opening": (r // 2) * n_o * n_c + pairing + 1,
                })
        r += 1
    return out


def silent_turn(traffic, ends, who):
    """True when engine who fell silent in the turn in which the game ended:
    nothing from it for the last half of that turn, and for a second at
    least (a search that merely overran its time goes on posting)."""
    stop = ends[0] if ends else len(traffic)
    if stop == 0 or stop > len(traffic):
        return False
    end_ms = traffic[stop - 1][0] if stop == len(traffic) else traffic[stop][0]
    last_said = None
    for ms, way, engine, text in reversed(traffic[:stop]):
        if engine != who:
            continue
        if way == "<":
            if xbmatch.ENGINE_MOVE.match(text):
                return False  # it had moved: not its turn
            last_said = ms if last_said is None else last_said
        elif text == "go" or xbmatch.COORD.match(text):
            quiet = end_ms - (last_said if last_said is not None else ms)
            return quiet >= 1000 and quiet * 2 >= end_ms - ms
    return False


def engine_events(traffic, who):
    """Exit lines, "Illegal move" answers and result claims of one engine
    before xboard told it to quit, with the moves xboard sent it."""
    exits, complaints, claims, offers, sent = [], [], [], [], set()
    for ms, way, engine, text in traffic:
        if engine != who:
            continue
        if way == ">":
            if text == "quit":
                break
            m = xbmatch.COORD.match(text)
            if m:
                sent.add(m.group(1).lower())
            continue
        m = re.match(r"^# exited (\d+)", text)
        if m:
            exits.append(int(m.group(1)))
        elif text.lower().startswith("illegal move"):
            tokens = re.findall(r"[a-h][1-8][a-h][1-8][qrbn]?", text.lower())
            if tokens and tokens[-1] in sent:
                complaints.append(text)
        elif re.match(r"^(1-0|0-1|1/2-1/2)\s*\{", text):
            claims.append(text)
        elif text.startswith("offer draw"):
            offers.append(text)
    return exits, complaints, claims, offers


def claim_fault(claim, board, opponent_offered):
    """Why a result claim is wrong on the board, or None when it holds."""
    result, comment = re.match(r"^(1-0|0-1|1/2-1/2)\s*\{([^}]*)\}", claim).groups()
    words = comment.lower()
    if result == "1/2-1/2":
        if (board["repeats"] >= 3 or board["halfmove"] >= 100 or board["insufficient"]
                or board["stalemate"] or opponent_offered):
            return None
        return ("draw claimed, but the final position occurred %d times, the fifty-move "
                "count is %d, mating material is left and it is no stalemate"
                % (board["repeats"], board["halfmove"] // 2))
    if "resign" in words or "time" in words or "flag" in words or "forfeit" in words:
        return None  # a resignation, or a clock matter xboard rules on
    winner_white = result == "1-0"
    if board["mate"] and winner_white != board["white_to_move"]:
        return None
    return "%s claimed, but the final position is no mate by that side" % result


def analyse(game, tags, movetext, traffic, ends, finished, seconds, xboard_output=""):
    """The faults of one game: a list of (kind, who, detail), who being
    "Vorna", "opponent" or None when no engine is to blame."""
    vorna_white = game["vorna_white"]
    names = {"first": "Vorna", "second": "opponent"}
    faults = []

    def add(kind, who, detail):
        for k, w, _ in faults:
            if k == kind and w == who:
                return
        faults.append((kind, who, detail))

    events = {e: engine_events(traffic, e) for e in names}
    # Crashes: an engine that ended before it was told to quit, or one that
    # xboard saw go.
    for e, (exits, _, _, _) in events.items():
        if exits:
            add("crash", names[e], "engine ended with exit status %d before quit" % exits[0])
    for line in xboard_output.splitlines():
        m = re.search(r"\b(first|second) chess program", line)
        if m and ("exited unexpectedly" in line or "ailed to start" in line):
            add("crash", names[m.group(1)], line.strip())

    if not finished and not faults:
        moves = xbmatch.game_moves(traffic)

        def said(e, way, word):
            return sum(1 for _, w, x, t in traffic if x == e and w == way and t.startswith(word))

        pending = [e for e in names if said(e, ">", "ping") > said(e, "<", "pong")]
        if pending:
            who = names[pending[0]]
        else:
            white_to_move = len(moves) % 2 == 0
            who = "Vorna" if white_to_move == vorna_white else "opponent"
        add("hang", who, "no end after %.0f s (%d half-moves played%s); xboard and the "
            "engines were killed" % (seconds, len(moves),
                                     ", a ping unanswered" if pending else ""))
    if tags is None:
        if finished and not faults:
            add("crash", None, "xboard ended without saving a game")
        return faults

    found = xbmatch.ending(tags, movetext, vorna_white)
    if found:
        kind, who, text = found
        if "illegal-move claim" in text:
            add("desync", who, text)
        elif kind == "time forfeit":
            engine = "first" if who == "Vorna" else "second"
            if events[engine][0]:
                pass  # reported as a crash above
            elif silent_turn(traffic, ends, engine):
                add("hang", who, "fell silent in its last turn; " + text)
            else:
                add("time forfeit", who, text)
        elif kind == "unterminated":
            if finished:
                add("hang", who, "game saved unfinished: " + text)
        else:
            add(kind, who, text)

    # The board: pgn-extract replays xboard's moves and judges the end.
    game_text = pgn_of(tags, movetext)
    board = xbmatch.board_check(game_text)
    plies = xbmatch.count_plies(movetext)
    if not board["legal"] or board["plies"] != plies:
        add("desync", None, "pgn-extract replays %d of %d half-moves: %s"
            % (board["plies"] if board["legal"] else 0, plies, board["diagnostics"]))
    result = tags.get("Result", "*")
    if board["mate"]:
        wanted = "0-1" if board["white_to_move"] else "1-0"
        if result != wanted:
            add("desync", None, "final position is mate but the result is " + result)
    elif board["stalemate"] and result != "1/2-1/2":
        add("desync", None, "final position is stalemate but the result is " + result)

    # Engines that lost track of the position, and claims the board denies.
    for e, (exits, complaints, claims, offers) in events.items():
        other = "second" if e == "first" else "first"
        for text in complaints:
            add("desync", names[e], "answered %r to a move xboard passed on" % text)
        for text in claims:
            why = claim_fault(text, board, bool(events[other][3]))
            if why:
                add("false claim", names[e], "%s: %s" % (text, why))
    return faults


def pgn_of(tags, movetext):
    lines = ['[%s "%s"]' % (k, v) for k, v in tags.items()]
    return "\n".join(lines) + "\n\n" + movetext + "\n"


def absolute(command):
    """The words of a command, those that name files here made absolute
    (the engines start in folders of their own)."""
    return [os.path.abspath(w) if os.path.exists(w) else w for w in shlex.split(command)]


class Runner:
    """Plays the scheduled games on J workers and collects the results."""

    def __init__(self, args, work, out, display_base=200):
        self.args = args
        self.display_base = display_base
        self.work = work
        self.out = out
        self.lock = threading.Lock()
        self.results = []
        self.next = 0
        self.games = []
        self.total = None
        self.openings = os.path.join(work, "openings.pgn")

    def setup_worker(self, w):
        folder = os.path.join(self.work, "w%d" % w)
        vorna_dir = os.path.join(folder, "vorna")
        engine = xbmatch.copy_engine(self.args.engine, vorna_dir)
        argv = absolute(self.args.wrapper) + [engine]
        launchers = {"vorna": (xbmatch.write_launcher(vorna_dir, argv), vorna_dir)}
        relay = absolute(getattr(self.args, "opponent_wrapper", ""))
        for name in set(g["opponent"] for g in self.games):
            d = os.path.join(folder, name)
            os.makedirs(d, exist_ok=True)
            launchers[name] = (xbmatch.write_launcher(d, relay + xbmatch.opponent_argv(name, d)),
                               d)
        return launchers

    def worker(self, w):
        launchers = self.setup_worker(w)
        while True:
            with self.lock:
                if self.next >= len(self.games):
                    return
                game = self.games[self.next]
                self.next += 1
            result = self.play(w, game, launchers)
            with self.lock:
                self.results.append(result)
                self.progress(result)

    def play(self, w, game, launchers):
        control = game["control"]
        folder = os.path.join(self.work, "games", "%04d" % game["index"])
        os.makedirs(folder)
        pgn = os.path.join(folder, "game.pgn")
        debug = os.path.join(folder, "xboard.debug")
        first, first_dir = launchers["vorna"]
        second, second_dir = launchers[game["opponent"]]
        bound = self.args.hang_after or control.wall_bound()
        log = os.path.join(folder, "xboard.out")
        for attempt in range(3):
            cmd = xbmatch.xboard_command(
                first, first_dir, second, second_dir, pgn, debug, games=1, tc=control.tc,
                mps=control.mps, inc=control.inc, ponder=game["ponder"],
                first_black=not game["vorna_white"], book=self.openings,
                book_index=game["opening"], display=self.display_base + 20 * w + 7 * attempt)
            finished, seconds = xbmatch.run_bounded(
                cmd, xbmatch.xboard_env(folder), folder, bound, log=log,
                give_up=lambda: "ailed to start" in open(log, errors="replace").read())
            # Two X servers started at once may race for a display number.
            if "Xvfb failed to start" not in open(log, errors="replace").read():
                break
        text = open(pgn, errors="replace").read() if os.path.exists(pgn) else ""
        parsed = xbmatch.parse_games(text)
        traffic, ends = xbmatch.read_debug(debug)
        tags, movetext = parsed[0] if parsed else (None, "")
        output = open(log, errors="replace").read() if os.path.exists(log) else ""
        faults = analyse(game, tags, movetext, traffic, ends, finished, seconds, output)
        if tags is None:
            # No PGN from xboard: the moves from its debug log instead.
            moves = xbmatch.game_moves(traffic)
            raw = xbmatch.coordinate_pgn(moves)
            tags = {"Event": "gauntlet game %d" % game["index"], "Result": "*",
                    "White": "Vorna" if game["vorna_white"] else game["opponent"],
                    "Black": game["opponent"] if game["vorna_white"] else "Vorna"}
            movetext = san_of(raw) or raw.split("\n\n", 1)[1]
        tags["Round"] = str(game["index"])
        result = dict(game, control=control.text, tags=tags, movetext=movetext, faults=faults,
                      seconds=seconds, plies=xbmatch.count_plies(movetext),
                      folder=folder, debug=debug)
        if faults:
            self.save_abnormal(result)
        if not self.args.keep:
            shutil.rmtree(folder, ignore_errors=True)
        return result

    def save_abnormal(self, r):
        folder = os.path.join(self.out, "abnormal")
        os.makedirs(folder, exist_ok=True)
        kind = r["faults"][0][0].replace(" ", "-")
        base = os.path.join(folder, "%04d-%s-%s" % (r["index"], r["opponent"], kind))
        with open(base + ".pgn", "w") as f:
            f.write(game_pgn(r))
        for path, suffix in ((r["debug"], ".debug"), (os.path.join(r["folder"], "xboard.out"),
                                                      ".xboard")):
            if os.path.exists(path):
                shutil.copy(path, base + suffix)
        r["saved"] = base + ".pgn"

    def progress(self, r):
        tag = "; ".join("%s %s" % (w or "unattributed", k) for k, w, _ in r["faults"])
        print("game %4d/%d %-9s %-10s %s %-6s %5.1f s %3d plies %-8s %s" % (
            r["index"], self.total or len(self.games), r["opponent"], r["control"],
            "ponder" if r["ponder"] else "      ", "white" if r["vorna_white"] else "black",
            r["seconds"], r["plies"], r["tags"].get("Result", "*"), tag), flush=True)

    def run(self, games):
        self.games = games
        # The ECO file has about 300 lines of 8 half-moves: long runs reuse
        # them, each with other opponents and controls.
        wanted = max(g["opening"] for g in games)
        xbmatch.write_openings(self.openings, wanted)
        lines = len(xbmatch.opening_lines(wanted))
        for g in games:
            g["opening"] = (g["opening"] - 1) % lines + 1
        threads = [threading.Thread(target=self.worker, args=(w,))
                   for w in range(min(self.args.jobs, len(games)))]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        return sorted(self.results, key=lambda r: r["index"])


def san_of(raw_pgn):
    """pgn-extract's SAN movetext of a PGN of coordinate moves, or None."""
    import subprocess
    run = subprocess.run([xbmatch.PGN_EXTRACT, "-s", "--notags", "-w", "75"], input=raw_pgn,
                         capture_output=True, text=True)
    return run.stdout.strip() or None


def game_pgn(r):
    tags = dict(r["tags"])
    notes = ["%s (%s): %s" % (k, w or "unattributed", d) for k, w, d in r["faults"]]
    text = "\n".join('[%s "%s"]' % (k, v.replace('"', "'")) for k, v in tags.items())
    extra = "\n".join('[Gauntlet "%s"]' % n.replace('"', "'").replace("\\", "/") for n in notes)
    setting = '[GauntletGame "%s, %s, %s, Vorna %s"]' % (
        r["opponent"], r["control"], "ponder" if r["ponder"] else "no ponder",
        "white" if r["vorna_white"] else "black")
    body = textwrap.fill(r["movetext"], 79, break_long_words=False, break_on_hyphens=False)
    return "\n".join(x for x in (text, setting, extra) if x) + "\n\n" + body + "\n\n"


def vorna_score(r):
    result = r["tags"].get("Result", "*")
    if result == "1/2-1/2":
        return "="
    if result in ("1-0", "0-1"):
        return "+" if (result == "1-0") == r["vorna_white"] else "-"
    return "*"


def report(results, out, jobs, elapsed):
    """The tables and the list of abnormal games; returns (text, failed)."""
    lines = []
    rows = collections.OrderedDict()
    for r in results:
        rows.setdefault((r["opponent"], r["control"]), []).append(r)
    head = "%-9s %-10s %5s %4s %4s %4s  %s  | %s" % (
        "opponent", "control", "games", "+", "=", "-",
        " ".join("%7s" % k.split()[0][:7] for k in KINDS), "opponent's faults")
    lines.append("Vorna's abnormal endings by kind (illegal, time, crash, hang, claim, desync):")
    lines.append(head)
    lines.append("-" * len(head))
    totals = collections.Counter()
    failed = False
    for key in sorted(rows):
        rs = rows[key]
        score = collections.Counter(vorna_score(r) for r in rs)
        own = collections.Counter()
        theirs = collections.Counter()
        for r in rs:
            for kind, who, _ in r["faults"]:
                if who == "opponent":
                    theirs[kind] += 1
                else:
                    own[kind] += 1
        totals.update({"games": len(rs), "+": score["+"], "=": score["="], "-": score["-"]})
        totals.update({"v " + k: own[k] for k in KINDS})
        totals.update({"o " + k: theirs[k] for k in KINDS})
        failed = failed or bool(own)
        lines.append("%-9s %-10s %5d %4d %4d %4d  %s  | %s" % (
            key[0], key[1], len(rs), score["+"], score["="], score["-"],
            " ".join("%7d" % own[k] for k in KINDS),
            ", ".join("%s %d" % (k, theirs[k]) for k in KINDS if theirs[k]) or "-"))
    lines.append("-" * len(head))
    lines.append("%-9s %-10s %5d %4d %4d %4d  %s  | %s" % (
        "total", "", totals["games"], totals["+"], totals["="], totals["-"],
        " ".join("%7d" % totals["v " + k] for k in KINDS),
        ", ".join("%s %d" % (k, totals["o " + k]) for k in KINDS if totals["o " + k]) or "-"))
    lines.append("")
    by_control = collections.OrderedDict()
    for r in results:
        by_control.setdefault(r["control"], []).append(r)
    lines.append("wall-clock per game (xboard start to end, %d jobs):" % jobs)
    for c, rs in by_control.items():
        secs = [r["seconds"] for r in rs]
        lines.append("  %-10s %4d games, mean %5.1f s, longest %5.1f s, mean %3.0f half-moves"
                     % (c, len(rs), sum(secs) / len(secs), max(secs),
                        sum(r["plies"] for r in rs) / len(rs)))
    if results:
        per = elapsed / len(results)
        lines.append("  all: %d games in %.0f s, %.1f s a game: 1000 games in about %.1f h"
                     % (len(results), elapsed, per, per * 1000 / 3600))
    lines.append("")
    abnormal = [r for r in results if r["faults"]]
    if abnormal:
        lines.append("abnormal games:")
    for r in abnormal:
        lines.append("  game %d (%s, %s, %s, Vorna %s): %s" % (
            r["index"], r["opponent"], r["control"], "ponder" if r["ponder"] else "no ponder",
            "white" if r["vorna_white"] else "black", r.get("saved", "")))
        for kind, who, detail in r["faults"]:
            lines.append("    %s %s: %s" % (who or "unattributed", kind, detail))
    lines.append("result: %s" % ("Vorna had abnormal endings" if failed else
                                 "no abnormal ending of Vorna"))
    return "\n".join(lines) + "\n", failed


SELF_TEST = [
    # fault, --after, whose engine is relayed, the kind that must be reported
    ("crash", 4, "Vorna", "crash"),
    ("silent", 4, "Vorna", "hang"),
    ("nopong", 4, "Vorna", "hang"),
    ("illegal", 4, "Vorna", "illegal move"),
    ("claim", 4, "Vorna", "false claim"),
    ("desync", 3, "Vorna", "desync"),
    # The opponent's own faults are told apart and do not fail the run.
    ("crash", 4, "opponent", "crash"),
    ("illegal", 4, "opponent", "illegal move"),
]


def self_test(args, work):
    """Plays one game per fault with the faulty relay before Vorna or before
    fairymax; 0 when every fault was reported as its kind and engine (and an
    opponent's fault as no fault of Vorna's)."""
    relay = os.path.join(ROOT, "tests", "gauntlet", "faulty_engine.py")
    control = Control("0:05+0.05")
    failures = 0
    runs = []
    lock = threading.Lock()

    def one(i, fault, after, side, wanted):
        a = argparse.Namespace(**vars(args))
        command = "%s %s --fault %s --after %d" % (sys.executable, relay, fault, after)
        a.wrapper = command if side == "Vorna" else ""
        a.opponent_wrapper = command if side == "opponent" else ""
        a.hang_after = 30
        a.jobs = 1
        r = Runner(a, os.path.join(work, "self-test-%d-%s" % (i, fault)), args.out, 200 + 20 * i)
        r.total = len(SELF_TEST)
        os.makedirs(r.work)
        game = {"index": i, "opponent": "fairymax", "control": control, "ponder": i % 2 == 0,
                "vorna_white": i % 2 == 1, "opening": i}
        result = r.run([game])[0]
        with lock:
            runs.append((fault, side, wanted, result))

    threads = []
    pending = list(enumerate(SELF_TEST, 1))
    while pending or threads:
        while pending and len(threads) < args.jobs:
            i, (fault, after, side, wanted) = pending.pop(0)
            t = threading.Thread(target=one, args=(i, fault, after, side, wanted))
            t.start()
            threads.append(t)
        threads[0].join()
        threads.pop(0)
    print()
    for fault, side, wanted, r in sorted(runs, key=lambda x: x[3]["index"]):
        got = [(k, w) for k, w, _ in r["faults"]]
        ok = (wanted, side) in got
        if side == "opponent":
            ok = ok and all(w == "opponent" for _, w in got)
        failures += not ok
        print("self-test %-8s wanted %-8s %-13s got %s: %s" % (
            fault, side, wanted, ", ".join("%s %s" % (w or "unattributed", k) for k, w in got)
            or "nothing", "ok" if ok else "MISSED"))
        for kind, who, detail in r["faults"]:
            print("    %s %s: %s" % (who or "unattributed", kind, detail))
    print("self-test: %d of %d faults reported" % (len(runs) - failures, len(runs)))
    return 1 if failures else 0


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--games", type=int, default=20)
    ap.add_argument("--jobs", type=int, default=2, help="games played at once")
    ap.add_argument("--opponents", default=",".join(DEFAULT_OPPONENTS))
    ap.add_argument("--controls", default=",".join(DEFAULT_CONTROLS))
    ap.add_argument("--ponder", default="mix", choices=["mix", "on", "off"])
    ap.add_argument("--out", default="gauntlet-out", help="folder for the PGN and the report")
    ap.add_argument("--engine", default=os.path.join(ROOT, "build", "vorna"))
    ap.add_argument("--wrapper", default="", help="command put before the engine copy")
    ap.add_argument("--hang-after", type=float, default=0,
                    help="wall-clock bound of a game in seconds (default: from the control)")
    ap.add_argument("--self-test", action="store_true",
                    help="check that faults of a relayed engine are reported")
    ap.add_argument("--keep", action="store_true", help="keep the working folder")
    args = ap.parse_args()

    opponents = [o for o in args.opponents.split(",") if o]
    for o in opponents:
        if o not in xbmatch.OPPONENTS:
            ap.error("unknown opponent %r (choose from %s)" % (o, ", ".join(DEFAULT_OPPONENTS)))
    try:
        controls = [Control(c) for c in args.controls.split(",") if c]
    except ValueError as e:
        ap.error(str(e))
    if args.games < 1 or args.jobs < 1 or not controls or not opponents:
        ap.error("need at least one game, job, opponent and control")
    if not os.access(args.engine, os.X_OK):
        ap.error("no engine at %s (build it first)" % args.engine)
    missing = [p for p in ["xvfb-run", "xboard", xbmatch.PGN_EXTRACT] +
               [xbmatch.OPPONENTS[o][0] for o in opponents]
               if not shutil.which(p, path=os.environ.get("PATH", "") + ":/usr/games")]
    if missing:
        sys.exit("missing programs: %s (apt-get install them)" % ", ".join(missing))

    args.out = os.path.abspath(args.out)
    if os.path.isdir(os.path.join(args.out, "abnormal")):
        shutil.rmtree(os.path.join(args.out, "abnormal"))
    os.makedirs(args.out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="vorna_gauntlet_")
    try:
        if args.self_test:
            return self_test(args, work)
        games = schedule(args.games, opponents, controls, args.ponder)
        start = time.monotonic()
        results = Runner(args, work, args.out).run(games)
        elapsed = time.monotonic() - start
        with open(os.path.join(args.out, "games.pgn"), "w") as f:
            for r in results:
                f.write(game_pgn(r))
        text, failed = report(results, args.out, args.jobs, elapsed)
        with open(os.path.join(args.out, "report.txt"), "w") as f:
            f.write(text)
        print()
        print(text, end="")
        print("pgn: %s" % os.path.join(args.out, "games.pgn"))
        return 1 if failed else 0
    finally:
        if args.keep:
            print("working folder: " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
