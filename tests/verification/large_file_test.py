#!/usr/bin/env python3
"""Hashes a sparse file of 4 GiB + 1 byte, whose bit count needs the high
word, and compares with md5sum and sha256sum. Slow: run on request."""
import argparse
import os
import subprocess
import sys
import tempfile


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    options = parser.parse_args()
    failed = 0
    with tempfile.TemporaryDirectory() as workdir:
        path = os.path.join(workdir, "sparse.bin")
        subprocess.run(["truncate", "-s", str(4 * 1024**3 + 1), path], check=True)
        for algorithm in ("md5", "sha256"):
            ours = subprocess.run([options.program, algorithm, "f", path], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE)
            peer = subprocess.run([f"{algorithm}sum", path], stdout=subprocess.PIPE, check=True)
            expected = peer.stdout.split()[0] + b"\n"
            ok = ours.stdout == expected and not ours.stderr and ours.returncode == 0
            failed += not ok
            print(f"{'ok' if ok else 'FAIL'} {algorithm}: {ours.stdout!r} vs {expected!r}")
    print(f"large file: {2 - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
