"""The shipped opening book through the real engine binary: book moves and
their result line, the random choice, the book switch and its statistics."""

import re
import time

from harness import Engine, Runner, Session, binary

BINARY = binary()
MOVE = re.compile(r"^1\. \.\.\. ([a-h][1-8][a-h][1-8])$")
BOOK_LINE = re.compile(r"^ sc=0\.00 dp=0 mv=([a-h][1-8][a-h][1-8]) \(book\)$")
STATS = re.compile(r"^(\d+) von (\d+):=(\d+) HZ \|\| (\d+) von (\d+):=(\d+) HZ$")


def first_book_move():
    """Starts the engine, lets it play White's first move; returns the move."""
    s = Session(BINARY)
    try:
        lines = s.say("new\neasy\ngo")
        moves = [MOVE.match(l).group(1) for l in lines if MOVE.match(l)]
        book = [BOOK_LINE.match(l).group(1) for l in lines if BOOK_LINE.match(l)]
        assert len(moves) == 1, lines
        assert book == moves, lines
        return moves[0]
    finally:
        s.close()


def new_then_go_plays_a_book_move():
    assert first_book_move() in {"e2e4", "d2d4", "c2c4", "g1f3", "b2b3", "f2f4", "g2g3"}


def starts_in_different_seconds_vary_the_first_move():
    # The generator is seeded with the second of the choice, and its first
    # output repeats with a short period over consecutive seeds: starts two
    # seconds apart can play the same move every time. So each start is
    # made just after a second begins, in consecutive seconds.
    seen = set()
    for _ in range(8):
        time.sleep(1.0 - time.time() % 1.0 + 0.05)
        seen.add(first_book_move())
        if len(seen) >= 2:
            return
    raise AssertionError("always %r" % seen)


def book_switches_off_and_on():
    s = Session(BINARY)
    try:
        assert s.say("book") == ["book off !"]
        # With the book off the first move is searched: no book line.
        lines = s.say("easy\nst 1\ngo")
        assert not any(BOOK_LINE.match(l) for l in lines), lines
        assert s.say("book") == ["book on !"]
    finally:
        s.close()


def statistics_line():
    s = Session(BINARY)
    try:
        lines = s.say("sb")
        assert len(lines) == 1, lines
        m = STATS.match(lines[0])
        assert m, lines
        used_small, small, _, used_large, large, _ = map(int, m.groups())
        assert (small, large) == (163840, 8192), lines
        assert 0 < used_small < small and 0 < used_large < large, lines
    finally:
        s.close()


runner = Runner()
for test in [new_then_go_plays_a_book_move, starts_in_different_seconds_vary_the_first_move,
             book_switches_off_and_on, statistics_line]:
    runner.run(test.__name__, test)
runner.finish()
