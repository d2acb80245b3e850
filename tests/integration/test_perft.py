"""The perft tool: total as the last line, a divide that sums to it, bad input."""

import os
import subprocess

from harness import Runner, binary, program

PERFT = program(os.path.join(os.path.dirname(binary()), "perft"))
KIWIPETE = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"


def run(*args):
    return subprocess.run([PERFT, *args], capture_output=True, text=True, timeout=120)


def total_is_the_last_line():
    out = run(KIWIPETE, "3")
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines()[-1] == "97862", out.stdout
    assert "nodes per second" in out.stderr, out.stderr


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


def bad_input_is_refused():
    out = run("not a fen", "3")
    assert out.returncode == 1 and "illegal position" in out.stderr, out
    out = run(KIWIPETE)
    assert out.returncode == 2 and "usage" in out.stderr, out


runner = Runner()
runner.run("total is the last line", total_is_the_last_line)
runner.run("divide sums to the total", divide_sums_to_the_total)
runner.run("promotions are named in the divide", promotions_are_named_in_the_divide)
runner.run("bad input is refused", bad_input_is_refused)
runner.finish()
