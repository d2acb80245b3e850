"""GUI protocol transcripts against the real engine binary."""

import os
import re
import subprocess

from harness import Engine, Runner, Session, binary, peer

BINARY = binary()
START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


def session_test(func):
    def run():
        s = Session(BINARY)
        try:
            func(s)
        finally:
            s.close()
    run.__name__ = func.__name__
    return run


FEATURES_2 = [
    "protocol version 2 recognized",
    'feature myname="Vorna B.68"',
    "feature ping=0",
    "feature analyze=1",
    "feature draw=0",
    "feature setboard=1",
    "feature time=1",
    "feature colors=0",
    "feature done=1",
]


# Transcripts: what is sent, and the lines answered before a ping's pong
# (None: not looked at).
PROMOTE = "setboard 8/P3k3/8/8/8/8/4K3/8 w - - 0 1"
TRANSCRIPTS = {
    "protover_2_handshake": [("xboard\nprotover 2", FEATURES_2)],
    "protover_3_handshake": [
        ("protover 3", ["protocol version 3 recognized"] + FEATURES_2[1:-1] +
         ["feature level=2", "feature done=1"])],
    "moves_in_force_mode": [
        ("new\nforce\ne2e4\ne7e5\ng1f3", []),
        ("e2e4", ["Illegal move: e2e4"]),  # Black is to move
        ("e8e7", []),
        ("e1e2\na7a6\ne2e1", []),
        ("h1h8", ["Illegal move: h1h8"]),
        ("e7e8\nd7d5", ["Illegal move: d7d5"])],  # White to move again
    "castling_words_and_captures": [
        ("new\nforce\ne2e4\ne7e5\ng1f3\nb8c6\nf1c4\ng8f6\nO-O\nf6xe4", []),
        ("setboard r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1\n0-0-0\nO-O", []),
        ("setboard r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", []),
        ("o-o", ["Illegal move: e1g1"])],  # out of check
    "promotions": [
        ("new\nforce\n" + PROMOTE, []),
        ("a7a8", ["Illegal move: a7a8"]),
        ("a7a8q\n" + PROMOTE + "\na7a8=Q\n" + PROMOTE + "\na7a8N", [])],
    "result_then_refused_move": [
        ("new\nforce\ne2e4", []),
        ("result 1-0 {White mates}", ["unexpected input: <1-0> ", "unexpected input: <{White> ",
                                      "unexpected input: <mates}> "]),
        ("e7e5", ["move not accepted because game already closed"]),
        # The comment words are never run as commands.
        ("result 1/2-1/2 {Game drawn because both players ran out of time}",
         ["unexpected input: <%s> " % w for w in
          "1/2-1/2 {Game drawn because both players ran out of time}".split()]),
        ("new\nforce\ne2e4", [])],
    # Found by fuzzing: "go" after the mate handed the mated side's turn to
    # the mating side, which then moved twice.
    "go_after_the_mate_changes_nothing": [
        ("new\nforce\nf2f3\ne7e5\ng2g4\ngo", None),
        ("go", []),
        ("b8c6", ["Illegal move: b8c6"])],
    "undo_back_and_remove": [
        ("new\nforce\ne2e4\ne7e5\ng1f3\nb8c6\nundo", []),
        ("b8c6\nback", []),           # the same move is legal again
        ("g1f3\nremove", []),         # White to move after two undone; the GUI's take-back
        ("g1f3", ["Illegal move: g1f3"]),
        ("e7e5\ng1f3\nb8c6\nnew\nforce", []),
        ("undo", ["unexpected input: <undo> "]),
        ("e2e4\nback", ["unexpected input: <back> "])],
    "unexpected_input": [
        ("white", ["unexpected input: <white> "]),
        ("black", ["unexpected input: <black> "]),
        ("E2E4", ["unexpected input: <E2E4> "]),
        (".\n.hidden\nrandom\nxboard\naccepted setboard\nnopost\npost\neasy\nhard", [])],
    "setboard_bad_and_good": [("new\nforce", [])] + [
        ("setboard " + bad, ["tellusererror Illegal position"])
        for bad in ["8/8/8/8/8/8/8 w - - 0 1",
                    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1",
                    "4k3/8/8/8/8/8/8/8 w - - 0 1", "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",
                    "garbage"]] + [
        ("setboard 4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", []),
        ("e2e4", ["Illegal move: e2e4"]),  # Black to move
        ("e8d7\ne2e4", [])],
}


def transcript(steps):
    def run(s):
        for text, want in steps:
            out = s.say(text)
            assert want is None or out == want, (text, out, want)
    return run


@session_test
def pings_and_several_commands_in_one_write(s):
    s.engine.send("ping\nping 5\nnew\nforce\ne2e4\ne7e5\nping 1\nping 2\n")
    for want in ["pong ", "pong 5", "pong 1", "pong 2"]:
        assert s.engine.read_line() == want
    assert s.say("e2e4") == ["Illegal move: e2e4"]  # the moves of that write were made


@session_test
def no_level_menu_and_the_speed_test(s):
    # "st 0" then "new" would open the console's level menu and eat a command.
    assert s.say("st 0\nnew\nforce") == []
    out = s.say("test")
    assert len(out) == 1 and re.match(r"^\x1b\[24;48Hcnt= \d+  rate= \d+\x1b\[K$", out[0]), out
    assert int(re.search(r"cnt= (\d+)", out[0]).group(1)) == 200000, out


@session_test
def save_load_and_positions(s):
    s.say("new\nforce\ne2e4\ne7e5\ng1f3")
    assert s.say("save game1") == ["Game saved to file: <game1>"]
    s.say("new\nforce")
    s.say("load game1")
    assert s.say("b8c6") == []          # Black to move after the loaded game
    assert s.say("setboard 4k3/8/8/8/8/8/4P3/4K3 b - - 0 1") == []
    assert s.say("pput pos1 title") == []
    assert os.path.exists(os.path.join(s.dir, "pos1"))
    s.say("new\nforce")
    assert s.say("pget pos1") == ["\x1b[2J"]  # the console's clear-screen
    assert s.say("e2e4") == ["Illegal move: e2e4"]   # Black to move again


@session_test
def pgn_export_reads_cleanly(s):
    tool = peer("pgn-extract")
    s.say("new\nforce\ne2e4\nd7d5\ne4d5\nd8d5\nb1c3\nd5a5\nf1c4\ng8f6\nd2d3\nc8g4")
    s.say("pgnex game\nWhite\nBlack\nSite\nEvent\n1\n1/2\ny")
    s.say("setboard rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2")
    s.say("b8c6\ng1f3\ng8f6")
    s.say("pgnex game\nWhite\nBlack\nSite\nEvent\n2\n0\ny")
    path = os.path.join(s.dir, "game.pgn")
    out = subprocess.run([tool, "-s", path], capture_output=True, text=True)
    assert out.returncode == 0, out.stderr
    assert out.stderr.strip() == "", out.stderr
    with open(path) as f:
        text = f.read()
    assert text.count("[Event ") == 2, text
    assert '[FEN "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"]' in text, text
    assert "1.  ... Nc6 2. Nf3 Nf6" in text, text


runner = Runner()
for name, steps in TRANSCRIPTS.items():
    runner.run(name, session_test(transcript(steps)))
for test in [pings_and_several_commands_in_one_write, no_level_menu_and_the_speed_test,
             save_load_and_positions, pgn_export_reads_cleanly]:
    runner.run(test.__name__, test)
runner.finish()
