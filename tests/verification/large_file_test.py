#!/usr/bin/env python3
"""Hashes a sparse file of 4 GiB + 1 byte, whose bit count needs the high
word and whose size needs 64-bit file offsets, and compares with md5sum and
sha256sum. Slow: run on request. --emulator runs BRINDLEX through qemu."""
import argparse
import os
import shlex
import subprocess
import sys
import tempfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator", default="")
    options = parser.parse_args()
    command = shlex.split(options.emulator) + [options.program]
    failed = 0
    with tempfile.TemporaryDirectory() as workdir:
        path = os.path.join(workdir, "sparse.bin")
        subprocess.run(["truncate", "-s", str(4 * 1024**3 + 1), path], check=True)
        # Both algorithms at once: under an emulator each takes a while.
        ours = {algorithm: subprocess.Popen(command + [algorithm, "f", path], stdout=subprocess.PIPE,
                                            stderr=subprocess.PIPE)
                for algorithm in ("md5", "sha256")}
        for algorithm, process in ours.items():
            out, err = process.communicate()
            peer = subprocess.run([f"{algorithm}sum", path], stdout=subprocess.PIPE, check=True)
            expected = peer.stdout.split()[0] + b"\n"
            ok = out == expected and not err and process.returncode == 0
            failed += not ok
            print(f"{'ok' if ok else 'FAIL'} {algorithm}: {out!r} vs {expected!r}")
    print(f"large file: {2 - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
