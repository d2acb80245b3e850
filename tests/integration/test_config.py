"""The configuration file vorna.ics read by the real engine, and the
installed engine finding its settings, books and learning file."""

import os
import random
import shutil
import subprocess
import tempfile

from harness import Engine, Runner, binary, peer

BINARY = binary()
BUILD_DIR = os.path.dirname(BINARY)


HASHES = ("Transposition Table", "EGTB Probe Cache", "Evaluation Cache")


def hash_report(engine):
    """The three hash sizes of the start-up report, up to "Chess"."""
    lines = engine.expect("Chess")
    sizes = {n: l.split(":")[-1].strip() for l in lines for n in HASHES if n + ":" in l}
    return [sizes.get(n) for n in HASHES], lines


def features(engine):
    """The feature lines answered to "protover 2"."""
    engine.send("protover 2\n")
    found = []
    while True:
        line = engine.read_line()
        assert line is not None, "output ended in the feature lines: %r" % found
        found.append(line)
        if line == "feature done=1":
            return found


def finish(engine):
    engine.send("ping 7\n")
    engine.expect("pong 7")
    engine.send("quit\n")
    assert engine.wait() == 0


class ProgramDir:
    """A copy of the engine in a folder of its own, with a vorna.ics beside it."""

    def __init__(self, ics):
        self.dir = tempfile.mkdtemp(prefix="vorna_config_")
        self.program = os.path.join(self.dir, "vorna")
        shutil.copy(BINARY, self.program)
        for book in ("vorna.hbk", "vorna.lbk", "vorna.sbk"):
            shutil.copy(os.path.join(BUILD_DIR, book), self.dir)
        with open(os.path.join(self.dir, "vorna.ics"), "wb") as f:
            f.write(ics if isinstance(ics, bytes) else ics.encode())

    def start(self):
        return Engine(self.program, cwd=self.dir)

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


def run_with(ics, check):
    where = ProgramDir(ics)
    engine = where.start()
    try:
        check(engine, where)
        finish(engine)
    finally:
        engine.kill()
        where.remove()


def tablebase_path_without_tables():
    tb = tempfile.mkdtemp(prefix="vorna_tb_")
    try:
        def check(engine, _):
            sizes, lines = hash_report(engine)
            text = "\n".join(lines)
            assert "\ninitializing table base" in "\n" + text, lines
            tail = ["found 0-piece TBs in " + tb, "using 0 KB for Compression",
                    "using 0 KB for TB cache"]
            at = [i for i, line in enumerate(lines) if line.endswith(tail[0])]
            assert at, lines
            assert lines[at[0] + 1:at[0] + 3] == tail[1:], lines
            assert sizes == ["9215K", "0K", "3072K"], sizes  # no tables: no probe cache
        run_with("TB_PATH: %s\nTB_CACHE: 2\n" % tb, check)
    finally:
        shutil.rmtree(tb, ignore_errors=True)


def hostile_file_is_survived():
    rng = random.Random(11)
    garbage = bytes(rng.randrange(256) for _ in range(20000))
    ics = (garbage + b"\n" + b"PONDER: OFF" + b"x" * 10000 + b"\n" + b"MAX_HASH: -5\n"
           + b"TB_PATH: /nonexistent/" + b"d" * 300 + b"\nTB_CACHE: 99999999\n"
           + b"OFFER_DRAW" + b"\0" * 50 + b": ON\n" + b"BOOK\n" + b"\xff" * 5000)

    def check(engine, _):
        sizes, lines = hash_report(engine)
        assert "malloc for tb_cache failed: size=99999999 MB " in lines, lines
        assert sizes == ["0K", "0K", "0K"], sizes  # MAX_HASH -5: no hash tables
        assert "feature draw=0" in features(engine)
        engine.send("new\nforce\ne2e4\nsetboard 8/8/8/8/8/8/8/K1k5 w - - 0 1\n")
    run_with(ics, check)


def install(prefix):
    cmake = peer("cmake")
    done = subprocess.run([cmake, "--install", BUILD_DIR, "--prefix", prefix],
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    assert done.returncode == 0, done.stdout.decode()


def check_installed(start, work, want_sizes, draw, book_move):
    engine = Engine(start, cwd=work)
    try:
        sizes, _ = hash_report(engine)
        assert sizes == want_sizes, sizes
        assert "feature draw=%d" % draw in features(engine)
        if book_move:
            engine.send("new\ngo\n")
            line = engine.read_line()
            while not line.startswith("1. ... "):
                line = engine.read_line()
            summary = engine.read_line()
            assert summary.endswith("(book)"), (line, summary)
        finish(engine)
    finally:
        engine.kill()


def installed_engine_uses_its_files():
    prefix = tempfile.mkdtemp(prefix="vorna_install_")
    work = tempfile.mkdtemp(prefix="vorna_work_")
    try:
        install(prefix)
        lib = os.path.join(prefix, "lib", "vorna")
        for name in ("vorna", "vorna.hbk", "vorna.lbk", "vorna.sbk", "vorna.ics"):
            assert os.path.isfile(os.path.join(lib, name)), name
        assert os.path.isfile(os.path.join(prefix, "share", "man", "man6", "vorna.6"))
        start = os.path.join(prefix, "bin", "vorna")

        # The sample settings are the defaults; the first move comes from
        # the installed book.
        check_installed(start, work, ["9215K", "0K", "3072K"], 0, True)
        assert os.path.isfile(os.path.join(lib, "vorna.lrn"))

        # Settings changed in the installed file are read; a second
        # installation keeps them.
        ics = os.path.join(lib, "vorna.ics")
        with open(ics) as f:
            text = f.read()
        assert "\nMAX_HASH: 12\n" in text and "\nOFFER_DRAW: OFF\n" in text
        text = text.replace("\nMAX_HASH: 12\n", "\nMAX_HASH: 3\n")
        text = text.replace("\nOFFER_DRAW: OFF\n", "\nOFFER_DRAW: ON\n")
        with open(ics, "w") as f:
            f.write(text)
        install(prefix)
        check_installed(start, work, ["2303K", "0K", "768K"], 1, False)
    finally:
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.rmtree(work, ignore_errors=True)


def read_only_installation_gives_each_user_a_folder():
    """Installed where the user cannot write, the engine runs from ~/.vorna,
    with the settings and books of the installation and a learning file of
    the user's own. Root writes everywhere, so it runs the engine as nobody."""
    prefix = tempfile.mkdtemp(prefix="vorna_install_")
    home = tempfile.mkdtemp(prefix="vorna_home_")
    try:
        install(prefix)
        lib = os.path.join(prefix, "lib", "vorna")
        with open(os.path.join(lib, "vorna.ics"), "a") as f:
            f.write("MAX_HASH: 3\n")
        command = [os.path.join(prefix, "bin", "vorna")]
        if os.geteuid() == 0:
            setpriv = peer("setpriv")
            os.chmod(prefix, 0o755)
            os.chown(home, 65534, 65534)
            command = [setpriv, "--reuid=65534", "--regid=65534", "--clear-groups"] + command
        else:
            os.chmod(lib, 0o555)
        env = dict(os.environ, HOME=home)
        done = subprocess.run(command, input=b"new\ngo\nquit\n", stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, cwd=home, env=env, timeout=120)
        out = done.stdout.decode(errors="replace")
        assert done.returncode == 0, (done.returncode, out, done.stderr)
        assert "Transposition Table: 2303K" in out, out
        assert "(book)" in out, out
        own = os.path.join(home, ".vorna")
        assert os.path.isfile(os.path.join(own, "vorna.lrn")), os.listdir(own)
        assert not os.path.exists(os.path.join(lib, "vorna.lrn"))
        with open(os.path.join(own, "vorna.ics")) as f:
            assert "MAX_HASH: 3" in f.read()
    finally:
        os.chmod(os.path.join(prefix, "lib", "vorna"), 0o755)
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)


runner = Runner()
runner.run("TB_PATH without tables reports 0 pieces", tablebase_path_without_tables)
runner.run("a hostile vorna.ics is survived", hostile_file_is_survived)
runner.run("the installed engine uses its files", installed_engine_uses_its_files)
runner.run("a read-only installation gives each user a folder",
           read_only_installation_gives_each_user_a_folder)
runner.finish()
