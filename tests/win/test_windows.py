"""The Windows program under Wine, on Windows pipes made by pipe_driver.exe:
the handshake, input while it thinks and ponders, a whole game against
itself, the end of its input, and the bench signature of bench.exe.

Usage: test_windows.py WINE PIPE_DRIVER VORNA_EXE BENCH_EXE SIGNATURE_FILE"""

import atexit
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "integration"))
from harness import Engine, Runner, program  # noqa: E402

if len(sys.argv) != 6:
    sys.exit("FAIL: usage: %s WINE PIPE_DRIVER VORNA_EXE BENCH_EXE SIGNATURE_FILE" % sys.argv[0])
WINE, DRIVER, VORNA, BENCH = (program(os.path.abspath(p)) for p in sys.argv[1:5])
with open(sys.argv[5]) as f:
    SIGNATURE = f.read().strip()
MOVE = re.compile(r"^\d+\. \.\.\. ([a-h][1-8][a-h][1-8][QRBN]?)$")
RESULT = re.compile(r"^(1-0|0-1|1/2-1/2) \{.*\}$")
# Wine starts slowly, and its first start in a fresh prefix takes longer.
HANG = 120


def start(*commands):
    """vorna.exe on Windows pipes, from a folder of its own (no book, no
    learning file from earlier runs), given the commands."""
    folder = tempfile.mkdtemp(prefix="vorna_win_")
    atexit.register(shutil.rmtree, folder, True)
    exe = os.path.join(folder, "vorna.exe")
    shutil.copy2(VORNA, exe)
    engine = Engine([WINE, DRIVER, exe], cwd=folder)
    engine.expect("Chess", HANG)
    engine.send("".join(c + "\n" for c in commands))
    return engine


def engine_move(engine):
    """The engine's next move and the summary line after it."""
    seen = []
    while True:
        line = engine.read_line(HANG)
        if line is None:
            raise AssertionError("output ended; saw %r" % seen)
        m = MOVE.match(line)
        if m:
            return m.group(1), engine.read_line(HANG)
        seen.append(line)


def closes(engine, code=0):
    assert engine.wait(HANG) == code


def handshake_and_quit():
    engine = start("xboard", "protover 2", "ping 1")
    try:
        lines = engine.expect("pong 1", HANG)
        assert lines[0] == "protocol version 2 recognized", lines
        assert lines[-1] == "feature done=1", lines
        assert all(l.startswith("feature ") for l in lines[1:]), lines
        engine.send("quit\n")
        closes(engine)
    finally:
        engine.kill()


def summary_goes_to_the_server():
    engine = start("new", "easy", "depth 3", "go")
    try:
        _, summary = engine_move(engine)
        assert re.match(r"^tellics .*sc=\S+ dp=\d+ nps=\d+K \(.+\)$", summary), summary
    finally:
        engine.kill()


def ping_while_pondering():
    engine = start("new", "hard", "level 40 5 0", "time 30000", "otim 30000", "go")
    try:
        _, summary = engine_move(engine)
        pv = re.search(r"\((.*)\)", summary).group(1).split()
        assert len(pv) >= 2, summary
        time.sleep(1.5)                  # it ponders on the expected reply
        engine.send("ping 5\n")
        assert engine.expect("pong 5", HANG) == []
        engine.send("quit\n")
        closes(engine)
    finally:
        engine.kill()


def input_ends_its_own_search():
    # An hour per move: only the input can end these searches.
    engine = start("new", "easy", "st 3600", "go")
    try:
        time.sleep(2)
        engine.send("ping 7\n")
        engine_move(engine)
        assert engine.expect("pong 7", HANG) == []
        # A reply sent while it thinks on its next move: that move is made at
        # once, then the reply is taken and answered with a new search.
        engine.send("force\nnew\nst 3600\ngo\n")
        time.sleep(2)
        engine.send("g8f6\n")            # legal after any first move of White
        engine_move(engine)
        time.sleep(2)
        engine.send("ping 8\n")
        move, _ = engine_move(engine)
        assert engine.expect("pong 8", HANG) == [], move
    finally:
        engine.kill()


def end_of_input_ends_it():
    for commands in [("new", "force"), ("new", "easy", "st 3600", "go")]:
        engine = start(*commands)
        try:
            time.sleep(1)
            engine.close_input()
            closes(engine)
        finally:
            engine.kill()


def a_whole_game_against_itself():
    fen = "8/8/8/3k4/8/8/8/KQR5 w - - 0 1"
    setup = ["new", "force", "easy", "setboard " + fen, "depth 5"]
    white = start(*setup, "go")
    black = start(*setup)
    try:
        plies, result = 0, None
        mover, other, first = white, black, True
        while result is None and plies < 120:
            move, _ = engine_move(mover)
            plies += 1
            other.send(move + "\n" + ("go\n" if first else ""))
            first = False
            # The mover announces its mate, the mated side its own loss.
            mover.send("ping %d\n" % plies)
            for line in mover.expect("pong %d" % plies, HANG):
                if RESULT.match(line):
                    result = line
            mover, other = other, mover
        assert result is not None and result.startswith("1-0"), (plies, result)
        for engine in (white, black):
            engine.send("quit\n")
            closes(engine)
    finally:
        white.kill()
        black.kill()


def bench_signature():
    env = dict(os.environ)
    out = subprocess.run([WINE, BENCH, "6"], capture_output=True, text=True, env=env,
                         timeout=600)
    assert out.returncode == 0, out.stderr
    lines = [l.rstrip("\r") for l in out.stdout.splitlines()]
    assert lines[-2] == SIGNATURE, lines[-3:]


runner = Runner()
for test in [handshake_and_quit, summary_goes_to_the_server, ping_while_pondering,
             input_ends_its_own_search, end_of_input_ends_it, a_whole_game_against_itself,
             bench_signature]:
    runner.run(test.__name__, test)
runner.finish()
