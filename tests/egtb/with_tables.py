"""with_tables.py TBGEN NAME... -- COMMAND ARG...: generates the named
tablebases with the generator into a temporary folder, runs the command with
every {tbdir} in its arguments replaced by that folder, removes the folder
and exits with the command's status."""

import shutil
import subprocess
import sys
import tempfile
import time


def main():
    if "--" not in sys.argv or sys.argv.index("--") < 3:
        sys.exit("usage: with_tables.py TBGEN NAME... -- COMMAND ARG...")
    cut = sys.argv.index("--")
    tbgen, names, command = sys.argv[1], sys.argv[2:cut], sys.argv[cut + 1:]
    if not command:
        sys.exit("with_tables.py: no command")
    folder = tempfile.mkdtemp(prefix="vorna_tb_")
    try:
        start = time.monotonic()
        made = subprocess.run([tbgen, "-o", folder] + names, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
        if made.returncode != 0:
            print(made.stdout)
            print("FAIL: %s exited with %d" % (tbgen, made.returncode))
            return 1
        print("generated %s in %.1f s" % (" ".join(names), time.monotonic() - start))
        sys.stdout.flush()
        return subprocess.run([a.replace("{tbdir}", folder) for a in command]).returncode
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
