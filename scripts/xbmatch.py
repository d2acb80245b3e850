"""Shared pieces of the scripts that play Vorna under the real xboard GUI.

The opponents Debian ships, the xboard command line for a headless match,
engine folders of their own, opening lines from pgn-extract's ECO file,
reading xboard's PGN and debug log, and checking a game on the board with
pgn-extract. match.py and gauntlet.py import it.
"""

import os
import re
import shlex
import shutil
import signal
import subprocess
import time

ECO_FILE = "/usr/share/pgn-extract/eco.pgn"
PGN_EXTRACT = "/usr/games/pgn-extract"
OPENING_PLIES = 8
BOOK_SUFFIXES = ("hbk", "lbk", "sbk", "bok", "ics")

# Command lines of the opponents; "{dir}" is the opponent's own folder.
# gnuchess's xboard mode loses input lines that arrive together in one read
# (it reads the GUI through buffered streams but waits on select), so it
# plays its UCI mode through Debian's polyglot adapter, book off.
OPPONENTS = {
    "fairymax": ["/usr/games/fairymax"],
    "phalanx": ["/usr/games/phalanx", "-l-"],
    "sjeng": ["/usr/games/sjeng"],
    "hoichess": ["/usr/games/hoichess"],
    "gnuchess": ["/usr/games/polyglot", "-noini", "-ec", "/usr/games/gnuchess -u", "-ed", "{dir}"],
}

# Packages each opponent needs beyond xboard.
OPPONENT_PACKAGES = {"gnuchess": ["gnuchess", "polyglot"]}


def opponent_argv(name, folder):
    return [a.replace("{dir}", folder) for a in OPPONENTS[name]]


def xboard_words(argv):
    """argv as one command string for xboard's -fcp/-scp (double quotes)."""
    return " ".join('"%s"' % a if " " in a else a for a in argv)


def copy_engine(engine, folder):
    """Copies the engine and the book files beside it into folder (made if
    missing); returns the copy's path. Each copy learns on its own."""
    os.makedirs(folder, exist_ok=True)
    source = os.path.dirname(os.path.abspath(engine))
    for name in os.listdir(source):
        if name.startswith("vorna.") and name.split(".")[-1] in BOOK_SUFFIXES:
            shutil.copy(os.path.join(source, name), folder)
    copy = os.path.join(folder, os.path.basename(engine))
    shutil.copy(os.path.abspath(engine), copy)
    return copy


def write_launcher(folder, argv, name="run.sh"):
    """A shell script that runs argv and, when it ends, tells the GUI its exit
    status on a comment line ("# exited N"), which xboard's debug log keeps
    in order with the game. Interrupts from the GUI are passed on."""
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        # A command run in the background reads /dev/null: the GUI's input
        # goes to it through descriptor 3.
        f.write("#!/bin/sh\n"
                "trap 'kill -INT $pid 2>/dev/null' INT\n"
                "trap 'kill -TERM $pid 2>/dev/null' TERM\n"
                "exec 3<&0\n"
                "%s <&3 3<&- &\n"
                "pid=$!\n"
                "while :; do\n"
                "  wait $pid; status=$?\n"
                "  kill -0 $pid 2>/dev/null || break\n"
                "done\n"
                "echo \"# exited $status\"\n" % " ".join(shlex.quote(a) for a in argv))
    os.chmod(path, 0o755)
    return path


def seconds(tc):
    """xboard's -tc text (minutes, or minutes:seconds) in seconds."""
    return sum(float(x) * 60 ** i for i, x in enumerate(reversed(tc.split(":"))))


def xboard_command(first, first_dir, second, second_dir, pgn, debug, games=1, tc="1:00",
                   mps=40, inc=0.0, ponder=False, first_black=False, book=None, book_index=None,
                   book_rewind=None, display=None):
    """The xvfb-run + xboard command line for a headless match."""
    cmd = ["xvfb-run", "-a"]
    if display is not None:
        cmd += ["-n", str(display)]
    cmd += [
        "xboard", "-noGUI",
        "-fcp", first, "-fd", first_dir,
        "-scp", second, "-sd", second_dir,
        # fairymax may crash on "go" after "computer".
        "-secondComputerString", "",
        "-mg", str(games), "-tc", tc,
        "-autoCallFlag", "true", "-sgf", pgn, "-saveSettingsOnExit", "false",
        "-xexit", "-popupMoveErrors", "false", "-matchPause", "500",
        "-debug", "-nameOfDebugFile", debug,
        "-pgnExtendedInfo", "true", "-pgnTimeLeft", "true",
        # No sound program started for every move.
        "-soundMove", "",
    ]
    # xboard plays sudden death whenever an increment is given, even 0.
    if inc > 0 or mps == 0:
        cmd += ["-inc", "%g" % inc]
    else:
        cmd += ["-mps", str(mps)]
    if first_black:
        cmd += ["-firstPlaysBlack", "true"]
    if book:
        cmd += ["-loadGameFile", book, "-loadGameIndex", str(book_index)]
        if book_rewind is not None:
            cmd += ["-rewindIndex", str(book_rewind)]
    cmd += ["-ponder"] if ponder else ["-xponder"]
    return cmd


def xboard_env(home):
    return dict(os.environ, HOME=home, PATH=os.environ.get("PATH", "") + ":/usr/games")


def group_alive(pgid):
    """True while a process of group pgid runs (zombies do not count)."""
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            return True
    return False


def stop_group(pgid):
    """Ends what is left of a process group: time to finish on its own (Xvfb
    removes its lock file), then SIGTERM, then SIGKILL."""
    for sig in (0, signal.SIGTERM, signal.SIGKILL):
        try:
            if sig:
                os.killpg(pgid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + 1.0
        while group_alive(pgid):
            if time.monotonic() > deadline:
                break
            time.sleep(0.05)
        else:
            return


def run_bounded(cmd, env, cwd, timeout, log=None, give_up=None):
    """Runs cmd in a process group of its own; after timeout seconds, or as
    soon as give_up() says so, ends the whole group (xvfb-run, Xvfb, xboard
    and the engines, also any left behind by their parent). Returns
    (finished, seconds taken)."""
    start = time.monotonic()
    out = open(log, "w") if log else subprocess.DEVNULL
    try:
        proc = subprocess.Popen(cmd, env=env, cwd=cwd, stdout=out, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True)
        deadline = start + timeout
        finished = False
        while not finished:
            try:
                proc.wait(timeout=max(0.01, min(0.5, deadline - time.monotonic())))
                finished = True
            except subprocess.TimeoutExpired:
                if time.monotonic() >= deadline or (give_up and give_up()):
                    break
        taken = time.monotonic() - start
        if not finished:
            os.killpg(proc.pid, signal.SIGTERM)
        proc.wait()
        stop_group(proc.pid)
    finally:
        if log:
            out.close()
    return finished, taken


def parse_games(pgn_text):
    """(tags, movetext) per game."""
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


def ending(tags, moves, vorna_white):
    """(kind, who, text) for a game that did not end normally, else None;
    who is "Vorna" or "opponent" when the text tells."""
    result = tags.get("Result", "*")
    text = final_comment(moves)

    def loser():
        if result not in ("1-0", "0-1"):
            return None
        return "Vorna" if (result == "0-1") == vorna_white else "opponent"

    if result == "*":
        return "unterminated", None, re.sub(r"\s+", " ", moves[-160:])
    if "false" in text and "claim" in text:
        # A claim that the GUI found untrue: the claimer loses.
        return "false claim", loser(), text
    if "forfeit" in text or "illegal" in text or "invalid" in text:
        return "illegal move", loser(), text
    if "on time" in text or "time forfeit" in text or "flag" in text:
        # "White wins on time": the other side's flag fell.
        loser_white = text.startswith("black")
        return "time forfeit", "Vorna" if loser_white == vorna_white else "opponent", text
    if "crash" in text or "disconnect" in text or "unexpected" in text or "exited" in text:
        return "crash", loser(), text
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


# The debug log: "<ms> >first : text" is xboard to the first engine, "<"
# the engine's answer; xboard sometimes starts a line before ending the last.
TRAFFIC = re.compile(r"^(?:\d+ [<>](?:first|second) ?: )*(\d+) ([<>])(first|second) ?: ?(.*)$")
COORD = re.compile(r"^(?:usermove )?([a-h][1-8][a-h][1-8][qrbnQRBN]?)$")
ENGINE_MOVE = re.compile(r"^(?:move\s+|\d+\.\s*\.\.\.\s*)([a-h][1-8][a-h][1-8][qrbnQRBN]?)\b")


def read_debug(path):
    """The engine traffic of xboard's debug log as (ms, "<" or ">", engine,
    text), and the places in it where xboard ended a game; ([], []) without
    a log."""
    traffic, ends = [], []
    if not os.path.exists(path):
        return traffic, ends
    for line in open(path, errors="replace"):
        line = line.rstrip("\n")
        m = re.match(r"^GameEnds\(\d+, (.*), \d+\)$", line)
        if m:
            # Resets and loaded games log ends without a reason.
            if m.group(1).strip() not in ("", "(null)"):
                ends.append(len(traffic))
            continue
        m = TRAFFIC.match(line)
        if m:
            traffic.append((int(m.group(1)), m.group(2), m.group(3), m.group(4).strip()))
    return traffic, ends


def game_moves(traffic):
    """The coordinate moves of the last game in the traffic, from what xboard
    passed to the first engine and what it answered."""
    moves = []
    for ms, way, who, text in traffic:
        if who != "first":
            continue
        if way == ">" and text == "new":
            moves = []
        elif way == ">":
            m = COORD.match(text)
            if m:
                moves.append(m.group(1).lower())
        else:
            m = ENGINE_MOVE.match(text)
            if m:
                moves.append(m.group(1).lower())
    return moves


def coordinate_pgn(moves, result="*"):
    """A PGN game of coordinate moves, which pgn-extract reads."""
    text = " ".join(("%d. " % (i // 2 + 1) if i % 2 == 0 else "") + m for i, m in enumerate(moves))
    return '[Event "?"]\n[Result "%s"]\n\n%s %s\n' % (result, text, result)


START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def insufficient(fen):
    """Neither side can mate: bare kings, one minor piece, or bishops all on
    squares of one colour (the draws xboard calls itself)."""
    board = fen.split()[0]
    pieces = []
    for r, row in enumerate(board.split("/")):
        f = 0
        for ch in row:
            if ch.isdigit():
                f += int(ch)
            else:
                pieces.append((ch, (r + f) % 2))
                f += 1
    minors = [p for p in pieces if p[0] not in "kK"]
    if any(p[0] in "pPrRqQ" for p in minors):
        return False
    if len(minors) <= 1:
        return True
    return all(p[0] in "bB" for p in minors) and len({p[1] for p in minors}) == 1


def board_check(game_text):
    """Replays a game with pgn-extract. Returns a dict: legal (every move
    replayed), plies, fens (after each move, the start first), mate (the last
    move mates), stalemate, repeats (times the final position occurred),
    halfmove (the fifty-move counter at the end), insufficient, and the
    diagnostics."""
    if "[FEN " in game_text:
        m = re.search(r'\[FEN "([^"]*)"\]', game_text)
        start = m.group(1)
    else:
        start = START_FEN
    run = subprocess.run([PGN_EXTRACT, "-s", "-C", "-N", "-V", "--fencomments", "--nofauxep",
                          "-w", "100000", "--notags"],
                         input=game_text, capture_output=True, text=True)
    body = run.stdout
    fens = [start] + re.findall(r"\{ ([^{}]*/[^{}]*) \}", body)
    sans = re.sub(r"\{[^}]*\}", " ", body).split()
    sans = [t for t in sans if not re.match(r"^(\d+\.+|\*|1-0|0-1|1/2-1/2)$", t)]
    final = fens[-1]
    key = " ".join(final.split()[:4])
    stale = subprocess.run([PGN_EXTRACT, "-s", "--stalemate", "--notags"], input=game_text,
                           capture_output=True, text=True).stdout.strip()
    return {
        "legal": bool(body.strip()) and "Failed to make move" not in run.stderr,
        "plies": len(fens) - 1,
        "fens": fens,
        "mate": bool(sans) and sans[-1].endswith("#"),
        "stalemate": bool(stale),
        "repeats": sum(1 for f in fens if " ".join(f.split()[:4]) == key),
        "halfmove": int(final.split()[4]) if len(final.split()) > 4 else 0,
        "insufficient": insufficient(final),
        "white_to_move": final.split()[1] == "w",
        "diagnostics": " ".join(run.stderr.split())[:300],
    }


def count_plies(movetext):
    """The plies in a PGN movetext (comments, numbers and result left out)."""
    text = re.sub(r"\{[^}]*\}", " ", movetext)
    text = re.sub(r"\([^)]*\)", " ", text)
    return len([t for t in text.split()
                if not re.match(r"^(\d+\.+|\*|1-0|0-1|1/2-1/2|\$\d+)$", t)])
