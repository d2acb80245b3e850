"""The engine's own moves through pipes: time limits, pondering, input
while searching. Bounds are generous: they catch a search that ignores its
limit, not a slow machine."""

import atexit
import os
import re
import shutil
import sys
import tempfile
import time

from harness import Engine, Runner

BINARY = sys.argv[1]
MOVE = re.compile(r"^\d+\. \.\.\. ([a-h][1-8][a-h][1-8][QRBN]?)$")


def start(*commands):
    # A program folder of its own: no learning file from earlier runs.
    folder = tempfile.mkdtemp(prefix="vorna_search_")
    atexit.register(shutil.rmtree, folder, True)
    binary = os.path.join(folder, "vorna")
    shutil.copy2(BINARY, binary)
    engine = Engine(binary, cwd=folder)
    engine.expect("Chess")
    engine.send("".join(c + "\n" for c in commands))
    return engine


def engine_move(engine, timeout):
    """Waits for the engine's move line; returns (move, seconds, lines before)."""
    begin = time.monotonic()
    seen = []
    while True:
        line = engine.read_line(timeout)
        if line is None:
            raise AssertionError("engine output ended; saw %r" % seen)
        m = MOVE.match(line)
        if m:
            return m.group(1), time.monotonic() - begin, seen
        seen.append(line)


def summary_reply(engine):
    """The expected reply from the summary line after a move."""
    line = engine.read_line(10)
    pv = re.search(r"\((.*)\)", line)
    assert pv, line
    moves = pv.group(1).split()
    assert len(moves) >= 2, line
    return moves[1]


def moves_within(limit, *commands):
    """The engine, given commands that end with "go", moves within limit seconds."""
    def run():
        engine = start(*commands)
        try:
            _, secs, _ = engine_move(engine, 20)
            assert secs < limit, secs
        finally:
            engine.kill()
    return run


fixed_time_per_move = moves_within(6, "new", "easy", "st 3", "go")
# 10 seconds left for 40 moves: a budget of well under a second or two.
forty_moves_in_five_minutes = moves_within(
    4, "new", "easy", "level 40 5 0", "time 1000", "otim 1000", "go")
sudden_death_with_increment = moves_within(
    4, "new", "easy", "level 0 2 12", "time 1000", "otim 1000", "go")


def input_during_own_search_ends_it():
    engine = start("new", "easy", "st 60", "go")
    try:
        time.sleep(1)
        engine.send("ping 9\n")
        _, secs, _ = engine_move(engine, 20)
        assert secs < 10, secs   # not the full minute
        engine.read_line(10)     # the summary line
        assert engine.expect("pong 9", 10) == []
    finally:
        engine.kill()


def force_during_own_search_takes_the_move_away():
    engine = start("new", "easy", "st 60", "go")
    try:
        time.sleep(1)
        engine.send("force\nping 3\n")
        skipped = engine.expect("pong 3", 20)
        assert not any(MOVE.match(l) for l in skipped), skipped
        engine.send("e2e4\nping 4\n")    # White's move is still to be made
        assert engine.expect("pong 4", 10) == []
    finally:
        engine.kill()


def ping_while_pondering_and_a_ponder_hit():
    engine = start("new", "hard", "level 40 5 0", "time 30000", "otim 30000", "go")
    try:
        _, _, _ = engine_move(engine, 30)
        reply = summary_reply(engine)
        time.sleep(1.5)                  # the engine ponders on the reply
        engine.send("ping 5\n")
        assert engine.expect("pong 5", 5) == []
        engine.send("time 29000\notim 29000\n%s\n" % reply)
        move, secs, _ = engine_move(engine, 30)
        assert secs < 15, secs
        reply = summary_reply(engine)
        engine.send("ping 6\n")
        assert engine.expect("pong 6", 5) == []
        engine.send("quit\n")
        assert engine.wait(10) == 0
    finally:
        engine.kill()


def analysis_reports_and_leaves():
    engine = start("protover 2", "new", "post", "analyze")
    try:
        time.sleep(1.5)
        engine.send(".\nexit\nping 8\n")
        skipped = engine.expect("pong 8", 10)
        status = [l for l in skipped if l.startswith("stat01: ")]
        assert status, skipped
        assert re.match(r"^stat01: \d+ \d+ \d+ \d+ \d+ [a-h][1-8][a-h][1-8]$", status[-1]), status
    finally:
        engine.kill()


runner = Runner()
runner.run("fixed time per move", fixed_time_per_move)
runner.run("forty moves in five minutes", forty_moves_in_five_minutes)
runner.run("sudden death with increment", sudden_death_with_increment)
for test in [input_during_own_search_ends_it, force_during_own_search_takes_the_move_away,
             ping_while_pondering_and_a_ponder_hit, analysis_reports_and_leaves]:
    runner.run(test.__name__, test)
runner.finish()
