"""The engine's own moves through pipes: time limits, pondering, input
while searching. The checks are on what the engine says, never on how long
it took; the read deadlines only turn a hang into a failure."""

import atexit
import os
import re
import shutil
import tempfile
import time

from harness import Engine, Runner, binary

BINARY = binary()
MOVE = re.compile(r"^\d+\. \.\.\. ([a-h][1-8][a-h][1-8][QRBN]?)$")
# Far longer than any search here is allowed to take, even under the sanitizers.
HANG = 120


def start(*commands):
    # A program folder of its own: no book, no learning file from earlier runs.
    folder = tempfile.mkdtemp(prefix="vorna_search_")
    atexit.register(shutil.rmtree, folder, True)
    program = os.path.join(folder, "vorna")
    shutil.copy2(BINARY, program)
    engine = Engine(program, cwd=folder)
    engine.expect("Chess")
    engine.send("".join(c + "\n" for c in commands))
    return engine


def engine_move(engine, timeout=HANG):
    """Waits for the engine's move line; returns (move, lines before)."""
    seen = []
    while True:
        line = engine.read_line(timeout)
        if line is None:
            raise AssertionError("engine output ended; saw %r" % seen)
        m = MOVE.match(line)
        if m:
            return m.group(1), seen
        seen.append(line)


def summary(engine):
    """The summary line after a move: its depth and principal variation."""
    line = engine.read_line()
    m = re.search(r" dp=(\d+) .*\((.*)\)", line)
    assert m, line
    return int(m.group(1)), m.group(2).split()


def moves_and_answers(*commands):
    """The engine, given commands that end with "go", moves, reports the
    search behind the move and still answers."""
    def run():
        engine = start(*commands)
        try:
            move, _ = engine_move(engine)
            depth, pv = summary(engine)
            assert depth >= 1 and pv and pv[0] == move, (depth, pv, move)
            engine.send("ping 1\n")
            assert engine.expect("pong 1") == []
        finally:
            engine.kill()
    return run


fixed_time_per_move = moves_and_answers("new", "easy", "st 3", "go")
forty_moves_in_five_minutes = moves_and_answers(
    "new", "easy", "level 40 5 0", "time 1000", "otim 1000", "go")
sudden_death_with_increment = moves_and_answers(
    "new", "easy", "level 0 2 12", "time 1000", "otim 1000", "go")


def depth_limit_stops_the_search():
    # Without a clock in force the depth limit alone ends the search.
    engine = start("new", "easy", "st 3600", "depth 2", "go")
    try:
        _, _ = engine_move(engine)
        depth, _ = summary(engine)
        assert depth <= 2, depth
    finally:
        engine.kill()


def input_during_own_search_ends_it():
    # An hour per move: only the ping can end the search in time.
    engine = start("new", "easy", "st 3600", "go")
    try:
        time.sleep(1)            # let the search begin
        engine.send("ping 9\n")
        _, _ = engine_move(engine)
        engine.read_line()       # the summary line
        assert engine.expect("pong 9") == []
    finally:
        engine.kill()


def force_during_own_search_takes_the_move_away():
    engine = start("new", "easy", "st 3600", "go")
    try:
        time.sleep(1)
        engine.send("force\nping 3\n")
        skipped = engine.expect("pong 3", HANG)
        assert not any(MOVE.match(l) for l in skipped), skipped
        engine.send("e2e4\nping 4\n")    # White's move is still to be made
        assert engine.expect("pong 4") == []
    finally:
        engine.kill()


def ping_while_pondering_and_a_ponder_hit():
    engine = start("new", "hard", "level 40 5 0", "time 30000", "otim 30000", "go")
    try:
        engine_move(engine)
        _, pv = summary(engine)
        assert len(pv) >= 2, pv
        time.sleep(1.5)                  # the engine ponders on the reply
        engine.send("ping 5\n")
        assert engine.expect("pong 5") == []
        engine.send("time 29000\notim 29000\n%s\n" % pv[1])
        engine_move(engine)
        summary(engine)
        engine.send("ping 6\n")
        assert engine.expect("pong 6") == []
        engine.send("quit\n")
        assert engine.wait() == 0
    finally:
        engine.kill()


def analysis_reports_and_leaves():
    engine = start("protover 2", "new", "post", "analyze")
    try:
        time.sleep(1.5)
        engine.send(".\nexit\nping 8\n")
        skipped = engine.expect("pong 8")
        status = [l for l in skipped if l.startswith("stat01: ")]
        assert status, skipped
        assert re.match(r"^stat01: \d+ \d+ \d+ \d+ \d+ [a-h][1-8][a-h][1-8]$", status[-1]), status
    finally:
        engine.kill()


runner = Runner()
runner.run("fixed time per move", fixed_time_per_move)
runner.run("forty moves in five minutes", forty_moves_in_five_minutes)
runner.run("sudden death with increment", sudden_death_with_increment)
for test in [depth_limit_stops_the_search, input_during_own_search_ends_it,
             force_during_own_search_takes_the_move_away,
             ping_while_pondering_and_a_ponder_hit, analysis_reports_and_leaves]:
    runner.run(test.__name__, test)
runner.finish()
