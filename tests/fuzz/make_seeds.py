"""Makes the seeds of the book and learning fuzz targets from the engine's
own data: cut-down samples of data/vorna.bok (booktext), small binary books
compiled from it by build/makebook and the heads of the build's full-size
books (bookprobe), and learning files written by build/vorna after short
timed searches from the positions the targets probe (learn).

Usage: python3 tests/fuzz/make_seeds.py [BUILD_DIR]   (default build)
The seeds go to tests/fuzz/corpus/{booktext,bookprobe,learn}, replacing
what was there."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CORPUS = os.path.join(ROOT, "tests", "fuzz", "corpus")
BOOK = os.path.join(ROOT, "data", "vorna.bok")

# The positions of fuzz_common.h's kLines, in the same order.
with open(os.path.join(ROOT, "tests", "fuzz", "fuzz_common.h")) as header:
    LINES = re.findall(r'^    "([a-h1-8 ]*)",$',
                       header.read().split("kLines[kLineCount] = {")[1].split("};")[0], re.M)
# A move from each of them (none after the mate), so that the books hold
# the positions themselves.
NEXT = ["e2e4", "e7e5", "f8e7", "e7e6", "e5f6", "c8e6", "e2e4"]
ENTRIES = 16384
RECORD = 20


def fresh(name):
    path = os.path.join(CORPUS, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def put(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def book_lines():
    with open(BOOK, "rb") as f:
        return [l for l in f.read().split(b"\n") if l and not l.startswith(b";")]


def booktext():
    out = fresh("booktext")
    lines = book_lines()
    put(out, "head", b"\n".join(lines[:80]) + b"\n")
    put(out, "middle", b"\n".join(lines[1000:1060]) + b"\n")
    put(out, "tail", b"\n".join(lines[-60:]) + b"\n")
    # Marks, comments, blank lines, both castlings, en passant, a promotion,
    # a line past the large book, and the faults the compiler must stand.
    put(out, "marks", b"; marks\n\n1. e2e4! e7e5 2. g1f3! b8c6? 3. f1c4\n"
        b"1. d2d4 d7d5? 2. c2c4! e7e6 3. b1c3 g8f6 4. c1g5 f8e7 5. e2e3 e8g8\n"
        b"1. e2e4 d7d5 2. e4e5 f7f5 3. e5f6 g8f6\n"
        b"1. d2d4 g8f6 2. c2c4 g7g6 3. b1c3 f8g7 4. e2e4 d7d6 5. f2f3 e8g8 6. c1e3 e7e5 "
        b"7. d4d5 c7c6 8. d1d2 c6d5 9. c4d5 a7a6 10. e1c1 b8d7\n"
        b"a2a4 b7b5 a4b5 a7a6 b5a6 c8b7 a6b7 b8c6 b7a8\n")
    put(out, "faults", b"e2e4 e7e5\ne2e5\nd2d4 d7d5 e1e2 e8d7 e2e1 d7e8 e1g1\ne2e4")
    put(out, "transpose", b"g1f3 g8f6 h1g1 h8g8 g1h1 g8h8 f3g1 f6g8 e2e4\n"
        b"e2e4 e7e5 e1e2 e8e7 e2e1 e7e8 e1g1\n" + b"e2e4 e7e5 " * 60 + b"\n")


def compile_book(makebook, lines, large, small, boundary):
    """A book of large and small records compiled from lines by makebook."""
    with tempfile.TemporaryDirectory() as d:
        with open(os.path.join(d, "vorna.sbk"), "w") as f:
            f.write("%d %d\n%d \n" % (large, small, boundary))
        with open(os.path.join(d, "vorna.bok"), "wb") as f:
            f.write(b"\n".join(lines) + b"\n")
        # Full chains end in open.log and a non-zero exit: the files stand.
        subprocess.run([makebook, d + "/"], cwd=d, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=False)
        with open(os.path.join(d, "vorna.lbk"), "rb") as f:
            lbk = f.read()
        with open(os.path.join(d, "vorna.hbk"), "rb") as f:
            hbk = f.read()
    assert len(lbk) == large * 28 and len(hbk) == small * 16, (len(lbk), len(hbk))
    return lbk, hbk


def bookprobe(build):
    out = fresh("bookprobe")
    makebook = os.path.join(build, "makebook")
    lines = book_lines()[:150] + [(l + " " + m).encode() for l, m in zip(LINES, NEXT)]
    lbk, hbk = compile_book(makebook, lines, 128, 512, 10)
    for first in (0x00, 0x02, 0x06):  # the start, the castled kings, no castling rights
        put(out, "large-%d" % (first & 7), bytes([first, 127]) + lbk + hbk)
    lbk, hbk = compile_book(makebook, lines, 128, 512, 0)
    for first in (0x09, 0x0D):  # after 1. e4, and past move 10
        put(out, "small-%d" % (first & 7), bytes([first, 127]) + lbk + hbk)
    # The heads of the build's own books, and files of the wrong size.
    with open(os.path.join(build, "vorna.lbk"), "rb") as f:
        lbk = f.read(256 * 28)
    with open(os.path.join(build, "vorna.hbk"), "rb") as f:
        hbk = f.read(256 * 16)
    put(out, "build-heads", bytes([0x00, 255]) + lbk + hbk)
    put(out, "wrong-hbk", bytes([0x11, 0]) + lbk[:28] + hbk[:40])
    put(out, "wrong-lbk", bytes([0x21, 0]) + lbk[:28] + hbk[:32])
    sizes = b"1 2\n0 \n"
    put(out, "size-text", bytes([0x31, 0, len(sizes)]) + sizes + lbk[:28] + hbk[:32])


def learned(vorna, line):
    """The learning file of one timed search from the position after line."""
    d = tempfile.mkdtemp(prefix="vorna_seed_")
    try:
        shutil.copy2(vorna, d)
        proc = subprocess.Popen([os.path.join(d, "vorna")], cwd=d, stdin=subprocess.PIPE,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        moves = "".join(m + "\n" for m in line.split())
        proc.stdin.write(("xboard\nprotover 2\nnew\nforce\n%slevel 40 1 0\ntime 6000\n"
                          "otim 6000\ngo\n" % moves).encode())
        proc.stdin.flush()
        time.sleep(4)
        proc.stdin.write(b"quit\n")
        proc.stdin.close()
        proc.wait(30)
        with open(os.path.join(d, "vorna.lrn"), "rb") as f:
            return f.read()
    finally:
        shutil.rmtree(d, ignore_errors=True)


def records(data):
    """(entry number, record) of the used entries of a learning file."""
    return [(i, data[2 + i * RECORD:2 + (i + 1) * RECORD]) for i in range(2 * ENTRIES)
            if data[2 + i * RECORD:6 + i * RECORD] != b"\0\0\0\0"]


def learn(build):
    out = fresh("learn")
    vorna = os.path.join(build, "vorna")
    files = [learned(vorna, line) for line in LINES[:-1]]  # the mate has no search
    session = files[0][:2]
    absolute = b"".join(struct.pack("<H", i) + r for data in files for i, r in records(data))
    put(out, "searched", bytes([0x01]) + session + absolute)
    # The root of each search is its deepest entry in the mover's table: put
    # under the probed position's own key, in its home slot.
    relative = b""
    for n, data in enumerate(files):
        side = len(LINES[n].split()) % 2
        own = [(r[17], r) for i, r in records(data) if i // ENTRIES == side]
        if own:
            relative += bytes([0x80 | n]) + max(own)[1]
    put(out, "roots", bytes([0x05]) + session + relative)
    put(out, "roots-long", bytes([0x06]) + session + relative)
    # The fuzzer's find: the root after 1. e4 with its move spoilt to a8e5.
    put(out, "spoilt-root", bytes([0x05, 0x01, 0x00, 0x81]) + bytes.fromhex(
        "7a1909ade6ffffff000000002438000002095d00"))
    put(out, "empty", bytes([0x00]))
    put(out, "head", bytes([0x00]) + files[0][:202])


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    booktext()
    bookprobe(build)
    learn(build)
    for name in ("booktext", "bookprobe", "learn"):
        folder = os.path.join(CORPUS, name)
        size = sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder))
        print("%s: %d seeds, %d bytes" % (name, len(os.listdir(folder)), size))


if __name__ == "__main__":
    main()
