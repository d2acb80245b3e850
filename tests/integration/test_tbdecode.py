"""Block-compressed tables through the real programs: freshly generated
3-man tables are wrapped into compressed files (each block coded as literals
and runs of distance 1 in a code of 1024 ten-bit symbols, or stored raw when
that does not shrink it), under both compressed names. build/tbprobe must
give every sampled position the same answer from the compressed files as
from the plain ones, its successor check must pass on them, and the engine's
start-up report must count them and their decoding memory."""

import os
import random
import re
import shutil
import subprocess
import tempfile

from harness import Engine, Runner, binary, program

BINARY = binary()
BUILD = os.path.dirname(BINARY)
TBGEN = program(os.path.join(BUILD, "tbgen"))
TBPROBE = program(os.path.join(BUILD, "tbprobe"))
HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = ["kqk", "krk", "kpk"]
SEED = 20261207


def banner():
    """The 64-byte banner, taken from the engine's own header."""
    with open(os.path.join(HERE, "..", "..", "src", "egtb", "tbformat.h")) as f:
        text = re.search(r'kTbHeaderTitle\[64\] = "([^"]*)"', f.read()).group(1)
    raw = text.replace("\\r", "\r").replace("\\n", "\n").encode()
    return raw + b"\0" * (64 - len(raw))


def checksum(data):
    table = []
    for i in range(256):
        r = i
        for _ in range(8):
            r = (r >> 1) ^ (0xEDB88320 if r & 1 else 0)
        table.append(r)
    r = 0
    for b in data:
        r = (r >> 8) ^ table[(r ^ b) & 0xFF]
    return r


class Bits:
    def __init__(self):
        self.value = 0
        self.count = 0

    def put(self, v, k):
        self.value = (self.value << k) | v
        self.count += k

    def bytes(self):
        pad = -self.count % 8
        return (self.value << pad).to_bytes((self.count + pad) // 8, "big")


def code_block(block):
    """Literals and runs of distance 1 (distance number 0)."""
    w = Bits()
    i = 0
    while i < len(block):
        run = 1
        while i + run < len(block) and block[i + run] == block[i]:
            run += 1
        w.put(block[i], 10)
        count = run - 1
        while count > 0:
            if count <= 15:
                w.put(256 + count - 1, 10)
                break
            e = 1
            while e < 12 and (1 << (e + 1)) <= count - 14:
                e += 1
            extra = min(count - 14 - (1 << e), (1 << e) - 1)
            w.put(256 + e + 14, 10)
            w.put(extra, e)
            count -= (1 << e) + extra + 14
        i += run
    return w.bytes()


def compress(data):
    blocks = []
    raw = 0
    for start in range(0, len(data), 8192):
        block = data[start:start + 8192]
        coded = code_block(block)
        blocks.append(coded if len(coded) < len(block) else block)
        raw += len(coded) >= len(block)
    n = len(blocks)
    s1 = Bits()
    for b in blocks:
        s1.put(len(b) & 8191, 13)
    s1.put((len(data) - 8192 * (n - 1)) & 8191, 13)
    for k in range(24):
        s1.put(k + 1, 13)
    s2 = Bits()
    s2.put(0, 2)
    s2.put(3, 5)
    for _ in range(128):
        s2.put(6, 3)  # two codes of 64 six-bit symbols
    s2.put(32 + 10, 6)  # one run of 1024 lengths 10
    s2.put(32 + 9, 6)
    s2.put(1022 - 512 - 31, 9)
    head = bytearray(banner())
    rest = bytes([0, 0, 13, 24]) + n.to_bytes(4, "big") + (0x004001F5).to_bytes(4, "big")
    rest += bytes(8 * n) + s1.bytes() + s2.bytes()
    size = 64 + 4 + len(rest) + 4
    head += size.to_bytes(4, "big") + rest
    head += checksum(head).to_bytes(4, "big")
    return bytes(head) + b"".join(blocks), n, raw


def random_fens(rng, count):
    fens = []
    for _ in range(count):
        piece = rng.choice("QRP")
        squares = rng.sample(range(64), 3)
        board = ["."] * 64
        for sq, man in zip(squares, ["K", "k", piece]):
            board[sq] = man
        if rng.random() < 0.5:
            board = [c.swapcase() for c in board]
        rows = []
        for rank in range(7, -1, -1):
            row = "".join(board[rank * 8:rank * 8 + 8])
            rows.append(re.sub(r"\.+", lambda m: str(len(m.group(0))), row))
        fens.append("%s %s - - 0 1" % ("/".join(rows), rng.choice("wb")))
    return fens


def probe(tbdir, fens):
    out = subprocess.run([TBPROBE, tbdir], input="".join(f + "\n" for f in fens),
                         stdout=subprocess.PIPE, text=True, timeout=300, check=True).stdout
    answers = out.splitlines()
    assert len(answers) == len(fens), out[:500]
    return answers


def same_answers(plain, packed, rng):
    fens = random_fens(rng, 4000)
    a, b = probe(plain, fens), probe(packed, fens)
    differ = [(f, x, y) for f, x, y in zip(fens, a, b) if x != y]
    assert not differ, differ[:5]
    valued = sum(1 for x in a if x not in ("none", "illegal"))
    assert valued > 2000, "only %d positions had a value" % valued
    print("%d positions, %d with a value, answers agree" % (len(fens), valued))


def successor_check(packed, name):
    done = subprocess.run([TBPROBE, packed, "--check", name, "3000"], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True, timeout=300)
    assert done.returncode == 0, done.stdout[-1000:]


def startup_report(root, packed, count, expected_kb):
    folder = os.path.join(root, "program")
    os.mkdir(folder)
    shutil.copy2(BINARY, os.path.join(folder, "vorna"))
    with open(os.path.join(folder, "vorna.ics"), "w") as f:
        f.write("TB_PATH: %s\nTB_CACHE: 2\n" % packed)
    engine = Engine(os.path.join(folder, "vorna"), cwd=folder)
    try:
        lines = engine.expect("Chess")
        engine.send("xboard\nprotover 2\nping 0\n")
        lines += engine.expect("pong 0")
        engine.send("quit\n")
    finally:
        engine.close_input()
    text = "\n".join(lines)
    assert "found 0 uncompressed and %d compressed new TBs" % count in text, text
    assert "using %d KB for Compression" % expected_kb in text, text


def main():
    runner = Runner()
    rng = random.Random(SEED)
    root = tempfile.mkdtemp(prefix="vorna_tbdecode_")
    try:
        plain = os.path.join(root, "plain")
        packed = os.path.join(root, "packed")
        os.mkdir(plain)
        os.mkdir(packed)
        made = subprocess.run([TBGEN, "-o", plain] + TABLES, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True, timeout=300)
        assert made.returncode == 0, made.stdout
        # Every file made (kpk brings the tables it promotes into), half of
        # them under the second name ("kqknbw.emd").
        memory = 8256
        raw = 0
        files = sorted(os.listdir(plain))
        for i, plain_name in enumerate(files):
            with open(os.path.join(plain, plain_name), "rb") as f:
                data, n, raw_blocks = compress(f.read())
            name = plain_name + ".emd" if i % 2 == 0 else plain_name.replace(".", "") + ".emd"
            with open(os.path.join(packed, name), "wb") as f:
                f.write(data)
            memory += 20616 + 4 * n + 4
            raw += raw_blocks
        print("%d files wrapped, %d blocks stored raw" % (len(files), raw))
        runner.run("same_answers", same_answers, plain, packed, rng)
        for table in TABLES:
            runner.run("successor_check %s" % table, successor_check, packed, table)
        runner.run("startup_report", startup_report, root, packed, len(files), memory // 1024)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    runner.finish()


main()
