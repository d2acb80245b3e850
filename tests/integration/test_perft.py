"""The perft tool: total as the last line, a divide that sums to it, bad input,
every reference count of tests/data/perft.txt, and the same totals when every
move is made (--make)."""

import os
import subprocess

from harness import Runner, binary, program

DATA = os.path.join(os.path.dirname(__file__), "..", "data", "perft.txt")
PERFT = program(os.path.join(os.path.dirname(binary()), "perft"))
KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"


def run(*args):
    return subprocess.run([PERFT, *args], capture_output=True, text=True, timeout=120)


def divide_sums_to_the_total():
    out = run("--divide", KIWIPETE, "2")
    lines = out.stdout.splitlines()
    assert lines[-1] == "2039", lines[-1]
    split = [line.split(": ") for line in lines[:-1]]
    assert len(split) == 48, len(split)
    assert sum(int(n) for _, n in split) == 2039
    assert ["e1g1", "43"] in split and ["e1c1", "43"] in split, split


def promotions_are_named_in_the_divide():
    out = run("--divide", "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "1")
    moves = [line.split(":")[0] for line in out.stdout.splitlines()[:-1]]
    for piece in "qrbn":
        assert "b7b8" + piece in moves, moves


def every_reference_count_agrees():
    # Under the sanitizers the lines marked slow (over a million leaves) are
    # left to the Release build.
    sanitized = os.environ.get("VORNA_SANITIZED") == "1"
    checked = 0
    for line in open(DATA):
        if not line.strip() or line.startswith("#"):
            continue
        fields = line.strip().split(";")
        if sanitized and fields[3:] == ["slow"]:
            continue
        out = run(fields[0], fields[1])
        assert out.returncode == 0, (line, out.stderr)
        assert out.stdout.splitlines()[-1] == fields[2], (line, out.stdout)
        checked += 1
    assert checked >= (155 if sanitized else 225), checked


def making_every_move_gives_the_same_totals():
    for fen, depth, nodes in [(KIWIPETE, "3", "97862"),
                              ("4k3/8/8/2KPp2r/8/8/6P1/8 w - e6 0 1", "4", "18588"),
                              ("r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1", "2", "1494")]:
        for args in ([fen, depth], ["--make", fen, depth], ["--make", "--divide", fen, depth]):
            out = run(*args)
            assert out.returncode == 0, out.stderr
            assert out.stdout.splitlines()[-1] == nodes, (args, out.stdout)
            assert "nodes per second" in out.stderr, out.stderr


def bad_input_is_refused():
    out = run("not a fen", "3")
    assert out.returncode == 1 and "illegal position" in out.stderr, out
    out = run(KIWIPETE)
    assert out.returncode == 2 and "usage" in out.stderr, out


runner = Runner()
runner.run("divide sums to the total", divide_sums_to_the_total)
runner.run("promotions are named in the divide", promotions_are_named_in_the_divide)
runner.run("bad input is refused", bad_input_is_refused)
runner.run("every reference count agrees", every_reference_count_agrees)
runner.run("the total is the last line, also when every move is made",
           making_every_move_gives_the_same_totals)
runner.finish()
