"""Test-suite runs: "batch" with a command file, answers in answer.out, and
the EPD runner in tools/ over the real binary."""

import os
import re
import subprocess
import sys

from harness import Runner, Session, binary

BINARY = binary()
TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                    "epd_suite.py")

# Mates in one in the engine's position-file format; the second is Black's.
POSITIONS = {
    "white.pos": (";white mates\nKg1\nTh1\nka8\nba7\nbb7\nZW\n", "h1h8"),
    "black.pos": (";black mates\nkg8\nth8\nKa1\nBa2\nBb2\nZS\n", "h8h1"),
    "queen.pos": (";back rank\nKg1\nDd1\nBf2\nBg2\nBh2\nkg8\nbf7\nbg7\nbh7\nZW\n", "d1d8"),
}
ANSWER = re.compile(r"^(\S+\.pos):  Evaluation: \+M(\d+)     \tNodes/Sec: +\d+ \t(\S+) in \d+:\d\d \[\d+\] ")


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as f:
        f.write(text)


def run_batch(session, count):
    """Starts the run and waits for count engine moves, then for the prompt
    of standard input (sent only after the last move: input during a search
    would end it)."""
    session.engine.send("batch cmds\n")
    for _ in range(count):
        line = session.engine.read_line()
        while not line.startswith("1. ... "):
            line = session.engine.read_line()


def three_positions_give_three_answer_lines():
    session = Session(BINARY)
    try:
        names = list(POSITIONS)
        cmds = ""
        for name in names:
            write(session.dir, name, POSITIONS[name][0])
            cmds += "pget %s\nst 1\ngo\n" % name
        # The last line has no newline and still runs.
        write(session.dir, "cmds", cmds.rstrip("\n"))
        run_batch(session, 3)
        session.say("")  # standard input answers again: the run is over
        with open(os.path.join(session.dir, "answer.out")) as f:
            lines = f.read().split("\n")
        assert lines[0] == "Vorna V B.68  Stil: selective search ;   Alg.: <Alpha-Beta>", lines
        assert lines[1] == "", lines
        assert lines[5] == "" and len(lines) == 6, lines
        for name, line in zip(names, lines[2:5]):
            m = ANSWER.match(line)
            assert m, line
            assert m.group(1) == name, line
            assert m.group(2) == "1", line  # mate in one move
            # The black-to-move position is searched for Black.
            assert m.group(3) == POSITIONS[name][1], line
    finally:
        session.close()


def missing_command_file_changes_nothing():
    session = Session(BINARY)
    try:
        assert session.say("batch no_such_file") == []
        assert not os.path.exists(os.path.join(session.dir, "answer.out"))
        # Moves still come back on standard input after it.
        lines = session.say("new\nst 1\ngo")
        assert any(line.startswith("1. ... ") for line in lines), lines
    finally:
        session.close()


def arguments_come_from_the_command_file():
    session = Session(BINARY)
    try:
        write(session.dir, "white.pos", POSITIONS["white.pos"][0])
        # "name" takes the next word, "st" and "ping" the rest of their line:
        # all from the file, none from standard input.
        write(session.dir, "cmds", "name Tester\nping 77\npget white.pos\nst 1\ngo\n")
        session.engine.send("batch cmds\n")
        assert session.engine.read_line() == "pong 77"
        run_batch_wait = session.engine.read_line()
        while not run_batch_wait.startswith("1. ... "):
            run_batch_wait = session.engine.read_line()
        assert run_batch_wait == "1. ... h1h8", run_batch_wait
        session.say("")
        with open(os.path.join(session.dir, "answer.out")) as f:
            assert f.read().count("white.pos:") == 1
    finally:
        session.close()


def answer_file_that_cannot_be_written_is_reported():
    session = Session(BINARY)
    try:
        write(session.dir, "cmds", "go\n")
        os.mkdir(os.path.join(session.dir, "answer.out"))
        assert session.say("batch cmds") == ["Could not open file: answer.out"]
    finally:
        session.close()


def epd_runner_solves_three_mates():
    folder = Session(BINARY)
    try:
        epd = os.path.join(folder.dir, "mates.epd")
        write(folder.dir, "mates.epd",
              'k7/pp6/8/8/8/8/8/6KR w - - bm Rh8#; id "m1";\n'
              '6rk/8/8/8/8/8/PP6/K7 b - - bm Rg1#; id "m2";\n'
              '6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - bm Qd8# Qd7; id "m3";\n')
        out = subprocess.run([sys.executable, TOOL, "vorna", epd, "--engine", BINARY,
                              "--time", "1"], capture_output=True, text=True, timeout=60)
        assert out.returncode == 0, out.stderr
        assert out.stdout.splitlines()[-1] == "vorna: 3 of 3 solved at 1 s per position", out.stdout
    finally:
        folder.close()


runner = Runner()
runner.run("three positions give three answer lines", three_positions_give_three_answer_lines)
runner.run("missing command file changes nothing", missing_command_file_changes_nothing)
runner.run("arguments come from the command file", arguments_come_from_the_command_file)
runner.run("unwritable answer file is reported", answer_file_that_cannot_be_written_is_reported)
runner.run("EPD runner solves three mates", epd_runner_solves_three_mates)
runner.finish()
