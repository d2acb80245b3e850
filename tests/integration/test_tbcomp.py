"""Compresses generated tables with tbcomp and reads them back through the
engine's registry and probe: every index of both sides of each compressed
table must give the value of the plain file (tbprobe --compare, the plain
files in one folder and only the compressed ones in another), the engine's
probe of positions must stay consistent on the compressed tables alone, and
the kpkp file must have 472 blocks, the last of 5060 positions; files of
random bytes (stored raw) and of one repeated byte (the longest matches) must
read back unchanged. The engine's start-up report must count the
compressed files and their decoding memory. A compressed block overwritten
with garbage must make its probe fail and drop only that table side, without
a crash, while the other tables still answer."""

import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

import harness

# The sanitizer build solves ten times slower: there the 3-man tables only.
SANITIZED = os.environ.get("VORNA_SANITIZED") == "1"
TABLES = ["kqk", "krk", "kbk", "knk", "kpk"] + ([] if SANITIZED else ["kpkp"])
LINE = re.compile(r"^(\S+): (\d+) -> (\d+) bytes, ratio ([\d.]+) .* (\d+) blocks \((\d+) raw\)",
                  re.M)


def run(args, timeout=600):
    proc = subprocess.run(args, capture_output=True, text=True, timeout=timeout)
    sys.stdout.write(proc.stdout[-3000:])
    return proc


def must(args):
    proc = run(args)
    if proc.returncode != 0:
        sys.exit("FAIL: %s exited with %d: %s" % (" ".join(args), proc.returncode, proc.stderr))
    return proc.stdout


def blocks_of(path):
    """(header size, stored block sizes, decoded size of the last block) of a
    compressed file, from the block sizes of its first bit stream."""
    with open(path, "rb") as f:
        data = f.read()
    header = int.from_bytes(data[64:68], "big")
    count = int.from_bytes(data[72:76], "big")
    bits = int.from_bytes(data[80 + 8 * count:80 + 8 * count + (13 * (count + 1) + 7) // 8], "big")
    width = 8 * ((13 * (count + 1) + 7) // 8)
    values = [(bits >> (width - 13 * (i + 1))) & 0x1fff for i in range(count + 1)]
    values = [v or 8192 for v in values]
    return header, values[:count], values[count]


def startup_report(root, tbdir):
    """The engine's start-up lines with its tables in tbdir."""
    folder = os.path.join(root, "program")
    os.mkdir(folder)
    shutil.copy2(harness.binary(), os.path.join(folder, "vorna"))
    with open(os.path.join(folder, "vorna.ics"), "w") as f:
        f.write("TB_PATH: %s\nTB_CACHE: 2\n" % tbdir)
    engine = harness.Engine(os.path.join(folder, "vorna"), cwd=folder)
    try:
        lines = engine.expect("Chess")
        engine.send("xboard\nprotover 2\nping 0\n")
        lines += engine.expect("pong 0")
        engine.send("quit\n")
        engine.wait()
    finally:
        engine.kill()
    return lines


def main():
    build = os.path.dirname(harness.binary())
    tbgen = harness.program(os.path.join(build, "tbgen"))
    tbcomp = harness.program(os.path.join(build, "tbcomp"))
    tbprobe = harness.program(os.path.join(build, "tbprobe"))
    with tempfile.TemporaryDirectory() as root:
        plain, comp, bad = (os.path.join(root, d) for d in ("plain", "comp", "bad"))
        os.mkdir(plain)
        os.mkdir(comp)
        must([tbgen, "-o", plain] + TABLES)
        inputs = [os.path.join(plain, t + ext) for t in TABLES for ext in (".nbw", ".nbb")]
        made = must([tbcomp, "-o", comp] + inputs)
        lines = {os.path.basename(m.group(1)): m for m in LINE.finditer(made)}
        for path in inputs:
            name = os.path.basename(path)
            m = lines.get(name)
            if m is None or not os.path.isfile(os.path.join(comp, name + ".emd")):
                sys.exit("FAIL: %s was not compressed" % name)
            size = os.path.getsize(os.path.join(comp, name + ".emd"))
            if int(m.group(2)) != os.path.getsize(path) or int(m.group(3)) != size:
                sys.exit("FAIL: %s: the reported sizes are not the files' sizes" % name)
            if size >= os.path.getsize(path):
                sys.exit("FAIL: %s did not get smaller" % name)

        # Every value of every table through the engine's registry.
        for table in TABLES:
            out = must([tbprobe, "--compare", plain, comp, table])
            if len(re.findall(r"^%s side \d: [1-9]\d* indexes, 0 differ$" % table, out,
                              re.M)) != 2:
                sys.exit("FAIL: %s: compressed and plain values differ" % table)
        # Positions through the engine's probe, on the compressed files alone.
        out = must([tbprobe, comp, "--check", "kpk", "3000"])
        if ", 0 inconsistent" not in out:
            sys.exit("FAIL: kpk: the probe of the compressed table is inconsistent")

        # Files of the length of kqk that no table would hold: random bytes
        # (hardly a block pays: stored raw) and one repeated byte (matches
        # of every length class up to a whole block).
        odd, odd_comp = os.path.join(root, "odd"), os.path.join(root, "odd-comp")
        os.mkdir(odd)
        os.mkdir(odd_comp)
        rng = random.Random(20261207)
        with open(os.path.join(odd, "kqk.nbw"), "wb") as f:
            f.write(bytes(rng.randrange(256) for _ in range(os.path.getsize(
                os.path.join(plain, "kqk.nbw")))))
        with open(os.path.join(odd, "kqk.nbb"), "wb") as f:
            f.write(b"\x05" * os.path.getsize(os.path.join(plain, "kqk.nbb")))
        made = must([tbcomp, "-o", odd_comp] + [os.path.join(odd, "kqk" + e)
                                                for e in (".nbw", ".nbb")])
        if not re.search(r"kqk\.nbw: .* 4 blocks \([34] raw\)", made) or not re.search(
                r"kqk\.nbb: .* 4 blocks \(0 raw\)", made):
            sys.exit("FAIL: random bytes not stored raw, or repeated bytes not compressed")
        out = must([tbprobe, "--compare", odd, odd_comp, "kqk"])
        if len(re.findall(r"^kqk side \d: [1-9]\d* indexes, 0 differ$", out, re.M)) != 2:
            sys.exit("FAIL: kqk: raw or repeated blocks read back wrong")

        files = [os.path.join(comp, f) for f in os.listdir(comp)]
        memory = 8256 + sum(20616 + 4 * len(blocks_of(f)[1]) + 4 for f in files)
        report = startup_report(root, comp)
        for want in ("found 0 uncompressed and %d compressed new TBs" % len(files),
                     "using %d KB for Compression" % (memory // 1024)):
            if not any(line.endswith(want) for line in report):
                sys.exit("FAIL: no %r in the start-up report: %r" % (want, report))

        if "kpkp" in TABLES:
            _, stored, last = blocks_of(os.path.join(comp, "kpkp.nbw.emd"))
            if len(stored) != 472 or last != 5060:
                sys.exit("FAIL: kpkp: %d blocks, the last of %d positions" % (len(stored), last))

        # Garbage in one compressed block in the middle of the file: the
        # probe of that block fails and its table side is dropped; the other
        # side and the other tables still answer.
        shutil.copytree(comp, bad)
        target, other = ("kpkp", "kpk") if "kpkp" in TABLES else ("kpk", "krk")
        path = os.path.join(bad, target + ".nbw.emd")
        header, stored, last = blocks_of(path)
        sizes = [8192] * (len(stored) - 1) + [last]
        block = next(i for i in range(len(stored) // 2, len(stored)) if stored[i] != sizes[i])
        with open(path, "r+b") as f:
            f.seek(header + sum(stored[:block]))
            f.write(b"\xff" * stored[block])
        proc = run([tbprobe, "--compare", plain, bad, target])
        if proc.returncode != 1:
            sys.exit("FAIL: %s: comparing with a broken block ended with %d" %
                     (target, proc.returncode))
        broken = re.search(r"^%s side 0: \d+ indexes, \d+ differ, first at \d+ \(block (\d+)\), "
                           r"missing or dropped in %s$" % (target, re.escape(bad)), proc.stdout,
                           re.M)
        if not broken or int(broken.group(1)) != block:
            sys.exit("FAIL: %s: the broken block %d did not drop its side" % (target, block))
        if not re.search(r"^%s side 1: [1-9]\d* indexes, 0 differ$" % target, proc.stdout, re.M):
            sys.exit("FAIL: %s: the other side suffered from the broken block" % target)
        out = must([tbprobe, "--compare", plain, bad, other])
        if len(re.findall(r"^%s side \d: [1-9]\d* indexes, 0 differ$" % other, out, re.M)) != 2:
            sys.exit("FAIL: %s stopped answering beside the broken table" % other)
    print("PASS")


if __name__ == "__main__":
    main()
