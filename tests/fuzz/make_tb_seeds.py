"""Makes the seeds of the tablebase fuzz targets from small tables made by
the project's own generator and compressor (about two minutes: kpkp needs
its promotion tables):

    python3 tests/fuzz/make_tb_seeds.py [BUILD]     (BUILD default: build)

writes tests/fuzz/corpus/tbreg/ (records of fuzz_tbreg: a selector byte, a
24-bit little-endian length, the file's bytes) and tests/fuzz/corpus/tbblock/
(compressed files, some cut short). Samples are cut so that each folder
stays well under 100 KB."""

import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
TABLES = ["kpk", "knk", "kbk", "krk", "kqk", "knkn", "kpkp", "knnk"]  # fuzz_tbreg's order
PLAIN, PADDED, EMD, EMD_NO_DOT = 0, 1, 2, 3


def record(table, side, form, content, reseal=False, twice=False):
    sel = TABLES.index(table) | side << 3 | form << 4 | reseal << 6 | twice << 7
    return bytes([sel]) + len(content).to_bytes(3, "little") + content


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    work = tempfile.mkdtemp(prefix="vorna_tbseeds_")
    try:
        plain, packed = os.path.join(work, "plain"), os.path.join(work, "packed")
        os.mkdir(plain)
        os.mkdir(packed)
        subprocess.run([os.path.join(build, "tbgen"), "-o", plain] + TABLES, check=True,
                       stdout=subprocess.DEVNULL)
        files = [os.path.join(plain, t + e) for t in TABLES for e in (".nbw", ".nbb")]
        subprocess.run([os.path.join(build, "tbcomp"), "-o", packed] + files, check=True,
                       stdout=subprocess.DEVNULL)

        def raw(name):
            with open(os.path.join(plain, name), "rb") as f:
                return f.read()

        def emd(name):
            with open(os.path.join(packed, name + ".emd"), "rb") as f:
                return f.read()

        def flip(data, at, mask=0x10):
            data = bytearray(data)
            data[at] ^= mask
            return bytes(data)

        knk = emd("knk.nbw")
        reg = {
            "both-names": record("knk", 0, EMD, knk) + record("knk", 1, EMD_NO_DOT, emd("knk.nbb")),
            "plain-and-packed": record("kqk", 0, PADDED, raw("kqk.nbw")[:3000])
            + record("kqk", 1, EMD, emd("kqk.nbb"), twice=True),
            "exact-plain": record("krk", 0, EMD, emd("krk.nbw"))
            + record("krk", 1, PLAIN, raw("krk.nbb")),
            "cut-blocks": record("kpk", 1, EMD, emd("kpk.nbb")[:6000])
            + record("kpk", 0, PADDED, raw("kpk.nbw")[:2000]),
            "four-men": record("knkn", 0, EMD, emd("knkn.nbw"))
            + record("knnk", 1, EMD_NO_DOT, emd("knnk.nbb"))
            + record("kpkp", 0, EMD, emd("kpkp.nbw")[:12000], twice=True),
            "pawns": record("kpkp", 1, PADDED, raw("kpkp.nbb")[:3000])
            + record("kpkp", 0, PADDED, raw("kpkp.nbw")[:3000]),
            "resealed": record("kbk", 0, EMD, flip(emd("kbk.nbw"), 200), reseal=True)
            + record("kbk", 1, EMD, flip(emd("kbk.nbb"), 100)),
            "plain-first": record("kqk", 0, PLAIN, raw("kqk.nbw")[:100])
            + record("knk", 0, EMD, knk)
            + record("knk", 0, PADDED, raw("knk.nbw")[:500]),
            "bad-block": record("knk", 0, EMD, flip(knk, len(knk) - 20, 0xff), twice=True),
        }
        block = {
            "knk": knk,
            "kbk": emd("kbk.nbw"),
            "knnk": emd("knnk.nbw"),
            "knkn": emd("knkn.nbb"),
            "kqk": emd("kqk.nbw"),
            "krk": emd("krk.nbb"),
            "kpk-cut": emd("kpk.nbw")[:8000],
            "kpkp-cut": emd("kpkp.nbw")[:9000],
        }
        for target, seeds in (("tbreg", reg), ("tbblock", block)):
            out = os.path.join(HERE, "corpus", target)
            shutil.rmtree(out, ignore_errors=True)
            os.makedirs(out)
            for name, data in seeds.items():
                with open(os.path.join(out, name), "wb") as f:
                    f.write(data)
            print("%s: %d seeds, %d bytes" % (target, len(seeds), sum(map(len, seeds.values()))))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
