"""The learning file vorna.lrn across runs of the real engine. Each test
runs a copy of the binary in a folder of its own, where the file is kept."""

import os
import random
import re
import shutil
import signal
import tempfile
import time

from harness import Engine, Runner, binary

BINARY = binary()
MOVE = re.compile(r"^\d+\. \.\.\. ([a-h][1-8][a-h][1-8][QRBN]?)$")
FILE_SIZE = 655362


class Folder:
    """A program folder holding a copy of the engine."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="vorna_learn_")
        self.binary = os.path.join(self.dir, "vorna")
        shutil.copy2(BINARY, self.binary)
        self.lrn = os.path.join(self.dir, "vorna.lrn")

    def start(self):
        """An engine past its banner; returns it with the start-up lines that
        follow "Chess" (answered before the first pong)."""
        engine = Engine(self.binary, cwd=self.dir)
        engine.expect("Chess")
        engine.send("ping 0\n")
        return engine, engine.expect("pong 0")

    def run(self, play=None, said=()):
        """One run that quits at once, or after play(engine); its start-up
        lines must be said."""
        engine, lines = self.start()
        try:
            assert lines == list(said), lines
            if play:
                play(engine)
            engine.send("quit\n")
            assert engine.wait() == 0
        finally:
            engine.kill()

    def data(self):
        with open(self.lrn, "rb") as f:
            return f.read()

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def folder_test(func):
    def run():
        folder = Folder()
        try:
            func(folder)
        finally:
            folder.remove()
    run.__name__ = func.__name__
    return run


def session(data):
    return data[0] | (data[1] << 8)


def used_entries(data):
    return sum(1 for i in range(2, len(data), 20) if data[i:i + 4] != b"\0\0\0\0")


def keys(data):
    """The positions held, by offset of their records."""
    return {i: data[i:i + 4] for i in range(2, len(data), 20) if data[i:i + 4] != b"\0\0\0\0"}


def kept(old, new):
    """Every position of old is still in new (the engine's pondering may add
    others, or deepen one, but never pushes a young entry out)."""
    new_keys = keys(new)
    return all(new_keys.get(i) == k for i, k in keys(old).items())


def engine_move(engine):
    seen = []
    while True:
        line = engine.read_line(30)
        assert line is not None, "engine output ended; saw %r" % seen
        assert not line.startswith("Illegal move"), line
        m = MOVE.match(line)
        if m:
            return m.group(1)
        seen.append(line)


def play_short_game(engine):
    """Two engine moves as White at 40 moves in a minute."""
    engine.send("new\neasy\nlevel 40 1 0\ntime 6000\notim 6000\ngo\n")
    engine_move(engine)
    engine.send("a7a6\n")
    engine_move(engine)


@folder_test
def game_is_learned_and_loaded_again(folder):
    def play(engine):
        assert folder.data() == bytes(FILE_SIZE), "a new file holds only zeros"
        play_short_game(engine)
    folder.run(play)
    first = folder.data()
    assert len(first) == FILE_SIZE
    assert session(first) == 1
    assert used_entries(first) > 0

    # A second run loads the table and saves it back with the next session.
    folder.run()
    second = folder.data()
    assert session(second) == 2
    assert kept(first, second)


def think(engine):
    """Starts a search and waits for its first thinking line."""
    engine.send("new\npost\nlevel 40 1 0\ntime 6000\notim 6000\ngo\n")
    while not re.match(r"^ *\d+ ", engine.read_line(30) or ""):
        pass


def close_pipes(engine):
    engine.proc.stdout.close()
    engine.close_input()


def quit_then_terminate(engine):
    # What xboard does at the end of a match: "quit", then SIGTERM at once.
    engine.send("quit\n")
    time.sleep(0.5)
    engine.proc.send_signal(signal.SIGTERM)


ENDINGS = [
    ("end of input", lambda e: e.close_input()),
    ("the GUI closing the pipes while the engine thinks", lambda e: (think(e), close_pipes(e))),
    ("quit and a termination signal", quit_then_terminate),
    ("a termination signal while the engine thinks",
     lambda e: (think(e), e.proc.send_signal(signal.SIGTERM))),
]


@folder_test
def every_way_out_saves(folder):
    for n, (name, end) in enumerate(ENDINGS, 1):
        engine, _ = folder.start()
        try:
            end(engine)
            assert engine.wait(30) == 0, name
        finally:
            engine.kill()
        assert session(folder.data()) == n, (name, session(folder.data()))


@folder_test
def learn_command_saves_and_reloads(folder):
    engine, _ = folder.start()
    try:
        engine.send("learn\nping 1\n")
        assert engine.expect("pong 1") == []
        assert session(folder.data()) == 1
        engine.send("learn\nquit\n")   # on again, then saved again
        assert engine.wait() == 0
    finally:
        engine.kill()
    assert session(folder.data()) == 2


@folder_test
def killed_while_saving_leaves_a_file_that_loads(folder):
    folder.run(play_short_game)
    rng = random.Random(7)
    for _ in range(20):
        before = folder.data()
        engine, _ = folder.start()
        try:
            engine.send("quit\n")
            time.sleep(rng.uniform(0, 0.02))  # before, during or after the save
            engine.proc.send_signal(signal.SIGKILL)
            engine.proc.wait()
        finally:
            engine.kill()
        after = folder.data()
        assert len(after) == FILE_SIZE
        assert kept(before, after)
        assert session(after) in (session(before), session(before) + 1)
    folder.run()


@folder_test
def two_engines_saving_in_one_folder_leave_one_whole_file(folder):
    # A GUI's engine-against-itself match: both save over and over at once.
    engines = [folder.start()[0] for _ in range(2)]
    try:
        for engine in engines:
            engine.send("learn\nlearn\n" * 30 + "quit\n")
        for engine in engines:
            assert engine.wait() == 0
    finally:
        for engine in engines:
            engine.kill()
    assert len(folder.data()) == FILE_SIZE
    assert sorted(os.listdir(folder.dir)) == ["vorna", "vorna.lrn"], os.listdir(folder.dir)
    folder.run()


runner = Runner()
for test in [game_is_learned_and_loaded_again, every_way_out_saves,
             learn_command_saves_and_reloads, killed_while_saving_leaves_a_file_that_loads,
             two_engines_saving_in_one_folder_leave_one_whole_file]:
    runner.run(test.__name__, test)
runner.finish()
