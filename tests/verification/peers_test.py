#!/usr/bin/env python3
"""Compares BRINDLEX with other tools on seeded random inputs, and runs a
sample of NIST's SHA-256 messages through the program.

Peers: coreutils md5sum and sha256sum, and openssl dgst where installed.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile

BOUNDARIES = [0, 1, 55, 56, 63, 64, 65, 119, 120, 500, 501, 1000, 3000]


def peers(algorithm):
    tools = [[f"{algorithm}sum"]]
    if shutil.which("openssl"):
        tools.append(["openssl", "dgst", f"-{algorithm}", "-r"])
    return tools


def peer_digest(tool, path):
    out = subprocess.run(tool + [path], stdout=subprocess.PIPE, check=True).stdout
    return out.split()[0].decode().lstrip("*")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--vectors", default="")
    parser.add_argument("--cases", type=int, default=80)
    options = parser.parse_args()
    program = os.path.abspath(options.program)
    rng = random.Random(20261207)
    passed = failed = 0

    def check(name, got, expected):
        nonlocal passed, failed
        if got == expected:
            passed += 1
        else:
            failed += 1
            print(f"FAIL {name}: BRINDLEX {got!r}, expected {expected!r}")

    def ours(algorithm, mode, target):
        result = subprocess.run([program, algorithm, mode, target], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE)
        if result.returncode != 0 or result.stderr:
            return f"exit {result.returncode}, stderr {result.stderr!r}"
        return result.stdout.decode()

    with tempfile.TemporaryDirectory() as workdir:
        path = os.path.join(workdir, "input.bin")
        lengths = BOUNDARIES + [rng.randint(0, 10000) for _ in range(options.cases)]
        for case, length in enumerate(lengths):
            data = bytes(rng.getrandbits(8) for _ in range(length))
            with open(path, "wb") as f:
                f.write(data)
            # An argument cannot hold a zero byte: the text form leaves them out.
            text = data.replace(b"\0", b"")[:3000]
            with open(path + ".text", "wb") as f:
                f.write(text)
            for algorithm in ("md5", "sha256"):
                for tool in peers(algorithm):
                    label = f"case {case}, {length} bytes, {algorithm} vs {tool[0]}"
                    expected = peer_digest(tool, path) + "\n"
                    check(label + ", mode f", ours(algorithm, "f", path), expected)
                    expected_text = peer_digest(tool, path + ".text") + "\n"
                    check(label + ", mode s", ours(algorithm, "s", os.fsdecode(text)), expected_text)

        if options.vectors:
            for name in ("SHA256ShortMsg.rsp", "SHA256LongMsg.rsp"):
                records = []
                with open(os.path.join(options.vectors, name)) as f:
                    length = 0
                    for line in f:
                        if line.startswith("Len = "):
                            length = int(line[6:]) // 8
                        elif line.startswith("Msg = "):
                            message = bytes.fromhex(line[6:].strip())[:length]
                        elif line.startswith("MD = "):
                            records.append((message, line[5:].strip()))
                for message, md in records[::4]:
                    with open(path, "wb") as f:
                        f.write(message)
                    check(f"{name}, {len(message)} bytes", ours("sha256", "f", path), md + "\n")

    print(f"peers and vectors: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
