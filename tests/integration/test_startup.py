"""Start-up banner, hash report and the ways the program ends."""

from harness import Engine, Runner, binary

BINARY = binary()

HEAD = [
    "", "", "Vorna Version B.68", None, "", "", "", "",
    "Hash Table Sizes:\tTransposition Table: 9215K",
    "\tEGTB Probe Cache: 0K",
    "\tEvaluation Cache: 3072K",
    "",
    "Chess",
]


def read_head(engine):
    lines = [engine.read_line() for _ in HEAD]
    for want, got in zip(HEAD, lines):
        if want is not None:
            assert got == want, "expected %r, got %r in %r" % (want, got, lines)
    assert "02.02.2004" in lines[3], lines[3]


def quit_ends_at_once():
    engine = Engine(BINARY)
    try:
        engine.send("quit\n")
        read_head(engine)
        assert engine.read_line() is None
        assert engine.wait() == 0
    finally:
        engine.kill()


def end_of_input_ends_like_quit():
    engine = Engine(BINARY)
    try:
        engine.close_input()
        read_head(engine)
        assert engine.read_line() is None
        assert engine.wait() == 0
    finally:
        engine.kill()


def ping_alone_does_not_take_the_next_line():
    engine = Engine(BINARY)
    try:
        read_head(engine)
        engine.send("ping\nping 42\n")
        assert engine.read_line() == "pong "
        assert engine.read_line() == "pong 42"
        engine.send("quit\n")
        assert engine.read_line() is None
        assert engine.wait() == 0
    finally:
        engine.kill()


def words_after_eof_without_newline_still_run():
    engine = Engine(BINARY)
    try:
        engine.send("ping 1\nquit")
        engine.close_input()
        read_head(engine)
        assert engine.read_line() == "pong 1"
        assert engine.read_line() is None
        assert engine.wait() == 0
    finally:
        engine.kill()


runner = Runner()
runner.run("quit ends at once", quit_ends_at_once)
runner.run("end of input ends like quit", end_of_input_ends_like_quit)
runner.run("ping alone does not take the next line", ping_alone_does_not_take_the_next_line)
runner.run("last word without newline", words_after_eof_without_newline_still_run)
runner.finish()
