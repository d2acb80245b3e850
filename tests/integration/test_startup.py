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


# What is sent (then whether the input is closed) and the lines after the
# start-up report: the program ends after them with status 0.
ENDINGS = [
    ("quit ends at once", "quit\n", False, []),
    ("end of input ends like quit", "", True, []),
    ("last word without newline", "ping 1\nquit", True, ["pong 1"]),
]


def ends(text, close, after):
    engine = Engine(BINARY)
    try:
        engine.send(text)
        if close:
            engine.close_input()
        read_head(engine)
        for want in after:
            assert engine.read_line() == want
        assert engine.read_line() is None
        assert engine.wait() == 0
    finally:
        engine.kill()


runner = Runner()
for name, text, close, after in ENDINGS:
    runner.run(name, ends, text, close, after)
runner.finish()
