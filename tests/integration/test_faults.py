"""The real engine on a faulty file system (Linux): a preloaded library makes
opening, writing or closing the learning file, a saved game or the book
files fail, or kills the engine with SIGKILL half-way through writing them.
After each fault the old files are there byte for byte and load as before,
and the engine said in one line what failed."""

import os
import shutil
import subprocess
import sys
import tempfile

from harness import Runner, binary

if not sys.platform.startswith("linux"):
    print("0 passed, 0 failed, 1 skipped: preloading is Linux only")
    sys.exit(0)

BINARY = binary()
LIB = os.environ.get("VORNA_FAULTFS", "")
if not os.path.isfile(LIB):
    sys.exit("FAIL: no fault library in VORNA_FAULTFS (%r)" % LIB)

STATS = "0 von 4096:=0 HZ || 2 von 512:=2 HZ"  # the book of e2e4 e7e5


def run(folder, commands, fault=None):
    """Runs the engine of folder on the commands and "quit"; returns its
    output lines and exit status (-9 when it was killed)."""
    env = dict(os.environ)
    if fault:
        env["LD_PRELOAD"] = LIB
        env["VORNA_FAULT"] = fault
        # The sanitizer runtime of a sanitized engine then comes second.
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"
    p = subprocess.run([os.path.join(folder, "vorna")], input=(commands + "\nquit\n").encode(),
                       cwd=folder, env=env, capture_output=True, timeout=120)
    return p.stdout.decode().splitlines(), p.returncode


def said(lines, text):
    """text was said in exactly one line, and nothing else failed."""
    hits = [l for l in lines if text in l]
    others = [l for l in lines if ("ould not" in l or "cannot" in l) and text not in l]
    assert len(hits) == 1 and not others, "%r in %r" % (text, lines)


# What is written, the file the faults strike, its old files, the commands
# that write it, and what is said, by the kind of fault ("*": any other;
# {} is the folder).
WRITERS = [
    ("learning file", "vorna.lrn", ["vorna.lrn"], "",
     {"erofs": "Learning file {}/vorna.lrn is read-only: learning is off",
      "*": "Learning file {}/vorna.lrn could not be saved: learning stays on"}),
    ("saved game", "chess.000", ["chess.000"], "force\ne2e4\nsave chess.000",
     {"erofs": "Could not open file: chess.000", "eacces": "Could not open file: chess.000",
      "*": "Could not write file: chess.000"}),
    ("book", "vorna.lbk", ["vorna.hbk", "vorna.lbk", "vorna.sbk"], "zb more\nsb",
     {"erofs": "the book files are read-only: the book cannot be changed",
      "*": "{}/vorna.lbk could not be written: the book files are unchanged"}),
]
FAULTS = ["erofs", "eacces", "enospc:0", "enospc:half", "eio-close", "kill:half"]


def folder_with_files():
    """A program folder with the engine, a compiled book, a learning file
    and a saved game; a second run compiles nothing and sees the book."""
    folder = tempfile.mkdtemp(prefix="vorna_faults_")
    shutil.copy2(BINARY, os.path.join(folder, "vorna"))
    for name, text in [("vorna.sbk", "512 4096\n10 \n"), ("vorna.bok", "e2e4 e7e5\n"),
                       ("more.bok", "d2d4\n")]:
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
    lines, status = run(folder, "save chess.000")
    assert status == 0 and "generiere Bin-Buch -- bitte etwas Geduld" in lines, lines
    return folder


def snapshot(folder, names):
    result = {}
    for n in names:
        with open(os.path.join(folder, n), "rb") as f:
            result[n] = f.read()
    return result


def fault_keeps_old_files(writer, fault):
    what, target, names, commands, messages = writer
    folder = folder_with_files()
    try:
        before = snapshot(folder, names)
        kind, _, at = fault.partition(":")
        size = len(before[target])
        bytes_in = {"": 0, "0": 0, "half": size // 2}[at]
        lines, status = run(folder, commands, "%s:%s:%d" % (kind, target, bytes_in))
        if kind == "kill":
            assert status == -9, (status, lines)
        else:
            assert status == 0, (status, lines)
            said(lines, messages.get(kind, messages["*"]).format(folder))
        assert snapshot(folder, names) == before, "%s changed" % what
        # The old files load as before: no complaint, the same book.
        lines, status = run(folder, "sb\nload chess.000")
        assert status == 0, lines
        assert STATS in lines, lines
        assert not [l for l in lines if "broken" in l or "not used" in l], lines
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def killed_compilation_is_done_again():
    folder = folder_with_files()
    try:
        for n in ("vorna.hbk", "vorna.lbk"):
            os.remove(os.path.join(folder, n))
        lines, status = run(folder, "", "kill:vorna.hbk:30000")
        assert status == -9, lines
        assert not os.path.exists(os.path.join(folder, "vorna.hbk"))
        lines, status = run(folder, "sb")
        assert status == 0 and "generiere Bin-Buch -- bitte etwas Geduld" in lines, lines
        assert STATS in lines, lines
    finally:
        shutil.rmtree(folder, ignore_errors=True)


runner = Runner()
for w in WRITERS:
    for fault in FAULTS:
        runner.run("%s, %s" % (w[0], fault), fault_keeps_old_files, w, fault)
runner.run("killed_compilation_is_done_again", killed_compilation_is_done_again)
runner.finish()
