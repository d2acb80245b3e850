"""Mutates compressed tablebase files and feeds them to the engine's
registration and block decoding through tbprobe: every mutated file must be
accepted (its values read, right or wrong: block check values are not
verified) or refused with one of the registration messages, never crash or
draw a sanitizer report.

    test_tbfuzz.py VORNA [--runs N] [--seed S]

CI runs a bounded number of mutations; a long run is the same command with
a large --runs."""

import os
import random
import shutil
import subprocess
import sys
import tempfile

import harness

TABLES = ["kqk", "krk"]
MESSAGES = ("read error", "file broken", "out of memory", "Unsupported block size", "corrupted")


def tool(name):
    return harness.program(os.path.join(os.path.dirname(harness.binary()), name))


def run(args, timeout=120):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout)


def mutate(data, rng):
    """One of: flipped bits in the header, random bytes in a block, a
    truncation, a stretch of equal bytes, a header number set to an edge."""
    data = bytearray(data)
    header = int.from_bytes(data[64:68], "big")
    kind = rng.randrange(5)
    if kind == 0:
        for _ in range(rng.randint(1, 4)):
            i = rng.randrange(min(header, len(data)))
            data[i] ^= 1 << rng.randrange(8)
    elif kind == 1 and len(data) > header:
        for _ in range(rng.randint(1, 16)):
            data[rng.randrange(header, len(data))] = rng.randrange(256)
    elif kind == 2:
        del data[rng.randrange(len(data)):]
    elif kind == 3 and len(data) > header:
        start = rng.randrange(header, len(data))
        data[start:start + rng.randint(1, 600)] = bytes([rng.randrange(256)]) * rng.randint(1, 600)
    else:
        at = rng.choice([64, 72, 76] + list(range(80, min(header, 120), 4)))
        value = rng.choice([0, 1, 83, 84, 0x7fffffff, 0xffffffff, header, header + 1, len(data)])
        data[at:at + 4] = value.to_bytes(4, "big")
    return bytes(data)


def main():
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 300
    seed = int(sys.argv[sys.argv.index("--seed") + 1]) if "--seed" in sys.argv else 20261207
    tbgen, tbcomp, tbprobe = tool("tbgen"), tool("tbcomp"), tool("tbprobe")
    rng = random.Random(seed)
    work = tempfile.mkdtemp(prefix="vorna_tbfuzz_")
    try:
        plain, packed, bad = (os.path.join(work, d) for d in ("plain", "packed", "bad"))
        for d in (plain, packed, bad):
            os.mkdir(d)
        for args in ([tbgen, "-o", plain] + TABLES,
                     [tbcomp, "-o", packed] + [os.path.join(plain, t + e) for t in TABLES
                                               for e in (".nbw", ".nbb")]):
            made = run(args, timeout=600)
            if made.returncode != 0:
                sys.exit("FAIL: %s: %s" % (" ".join(args), made.stdout + made.stderr))
        names = sorted(f for f in os.listdir(packed) if f.endswith(".emd"))
        counts = {"accepted": 0, "refused": 0, "dropped": 0}
        for i in range(runs):
            name = rng.choice(names)
            for f in os.listdir(bad):
                os.remove(os.path.join(bad, f))
            for f in names:
                shutil.copy(os.path.join(packed, f), bad)
            with open(os.path.join(packed, name), "rb") as f:
                data = mutate(f.read(), rng)
            with open(os.path.join(bad, name), "wb") as f:
                f.write(data)
            table = name.split(".")[0]
            got = run([tbprobe, "--compare", packed, bad, table])
            where = "run %d (seed %d): %s" % (i, seed, name)
            if got.returncode not in (0, 1) or "Sanitizer" in got.stderr or "runtime error" in got.stderr:
                with open(os.path.join(work, "..", "vorna_tbfuzz_failure.emd"), "wb") as f:
                    f.write(data)
                sys.exit("FAIL: %s: status %d\n%s%s" % (where, got.returncode, got.stdout, got.stderr))
            refused = [line for line in got.stdout.splitlines()
                       if line.startswith("*** ") and not line.endswith("table dropped")]
            if refused:
                if not any(m in refused[0] for m in MESSAGES) or got.returncode != 1:
                    sys.exit("FAIL: %s: unexpected refusal %r" % (where, refused[0]))
                counts["refused"] += 1
            else:
                counts["accepted"] += 1
                counts["dropped"] += "table dropped" in got.stdout
        print("%d mutated files: %d accepted (%d with a block that failed to decode), "
              "%d refused with a message" % (runs, counts["accepted"], counts["dropped"],
                                              counts["refused"]))
        if counts["refused"] == 0 or counts["accepted"] == 0:
            sys.exit("FAIL: the mutations should both pass and fail registration")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
