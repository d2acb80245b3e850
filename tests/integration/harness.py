"""Drives the real engine binary through pipes with scripted transcripts."""

import os
import select
import shutil
import subprocess
import sys
import tempfile
import time


def program(path):
    """path when it names a program that can be run; ends the run loudly otherwise,
    so that a missing build or peer fails the test instead of skipping it."""
    if not (os.path.isfile(path) and os.access(path, os.X_OK)):
        sys.exit("FAIL: no program at %r" % path)
    return path


def binary():
    """The engine binary named on the command line."""
    if len(sys.argv) < 2:
        sys.exit("FAIL: usage: %s ENGINE_BINARY" % sys.argv[0])
    return program(os.path.abspath(sys.argv[1]))


def peer(name):
    """A Debian tool the tests need; a missing one fails the run."""
    found = shutil.which(name) or shutil.which(name, path="/usr/games")
    if found is None:
        sys.exit("FAIL: %s is not installed (apt-get install %s)" % (name, name))
    return found


class Engine:
    """One engine process; lines are read with a deadline, never forever."""

    def __init__(self, binary, cwd=None):
        # binary: the program, or a whole command line (a driver and the program)
        command = [binary] if isinstance(binary, str) else list(binary)
        self.proc = subprocess.Popen(
            command, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
            stderr=subprocess.PIPE, cwd=cwd)
        self.pending = b""

    def send(self, text):
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def close_input(self):
        self.proc.stdin.close()

    def read_line(self, timeout=30.0):
        """Next output line without its newline; None at the end of output."""
        deadline = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no line from the engine; have %r" % self.pending)
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if not ready:
                continue
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                if self.pending:
                    line, self.pending = self.pending, b""
                    return line.decode()
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        # Windows programs end their lines with CR LF.
        return line.decode().removesuffix("\r")

    def expect(self, wanted, timeout=30.0):
        """Reads lines until one equals wanted; returns the lines skipped."""
        skipped = []
        while True:
            line = self.read_line(timeout)
            if line is None:
                raise AssertionError("output ended before %r; saw %r" % (wanted, skipped))
            if line == wanted:
                return skipped
            if line.endswith(wanted):
                # A line left open by the engine ("Game saved ...") joins it.
                skipped.append(line[:-len(wanted)])
                return skipped
            skipped.append(line)

    def wait(self, timeout=30.0):
        return self.proc.wait(timeout=timeout)

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


class Session:
    """An engine past its banner, in a working folder of its own (so files
    it writes stay there); each step ends with a ping so that silence can be
    checked exactly."""

    def __init__(self, path):
        self.dir = tempfile.mkdtemp(prefix="vorna_session_")
        self.engine = Engine(path, cwd=self.dir)
        self.engine.expect("Chess")
        self.serial = 0

    def say(self, text):
        """Sends text, then a ping; returns the lines answered before the pong."""
        self.serial += 1
        self.engine.send(text + "\nping %d\n" % self.serial)
        return self.engine.expect("pong %d" % self.serial)

    def close(self):
        try:
            self.engine.send("quit\n")
            assert self.engine.wait() == 0
        finally:
            self.engine.kill()
            shutil.rmtree(self.dir, ignore_errors=True)


class Runner:
    """Collects named checks and reports them in the plain closing form."""

    def __init__(self):
        self.passed = 0
        self.failed = 0

    def run(self, name, func, *args):
        try:
            func(*args)
            self.passed += 1
            print("ok   %s" % name)
        except Exception as exc:  # report every failure, keep going
            self.failed += 1
            print("FAIL %s: %s" % (name, exc))

    def finish(self):
        if self.passed + self.failed == 0:
            self.failed = 1
            print("FAIL: no check ran")
        print("%d passed, %d failed" % (self.passed, self.failed))
        sys.exit(1 if self.failed else 0)
