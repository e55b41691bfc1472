#!/usr/bin/env python3
"""Mutation testing: plants one small fault at a time in the given C++ files
(a swapped operator, a literal plus one, a deleted statement, another return
value) and runs CI's test steps on it (native, portable, x86-64 without SHA
under qemu, ThreadSanitizer), stopping at the first step that fails. Not run
by CI: it takes about half an hour for 250 mutants on two cores.

    .ci/mutants.py --sample 250 --seed 20261207 src/io/block_reader.cpp ...
    .ci/mutants.py --retest survivors.txt src/io/block_reader.cpp ...

Run from the repository's top folder. Each worker is a git worktree of HEAD
with its three builds made first. Prints a line per mutant and the counts;
survivors go to --survivors. A mutant that does not compile is stillborn;
those that survive must be judged by hand: equivalent, or a test to write."""
import argparse
import concurrent.futures
import os
import random
import re
import subprocess
import tempfile
import threading

ROOT = os.getcwd()  # the repository

SWAPS = [
    (r"==", "!="), (r"!=", "=="), (r"(?<= )<(?= )", "<="), (r"(?<= )>(?= )", ">="),
    (r"<=", "<"), (r">=", ">"), (r"&&", "||"), (r"\|\|", "&&"),
    (r"(?<=[\w)\]] )\+(?= [\w(])", "-"), (r"(?<=[\w)\]] )-(?= [\w(])", "+"),
    (r"(?<=[\w)\]] )\*(?= [\w(])", "/"), (r"\+=", "-="), (r"-=", "+="), (r"\^=", "|="),
    (r"(?<=[\w)\]] )\^(?= [\w(])", "|"), (r"(?<=[\w)\]] )&(?= [\w(])", "|"), (r"(?<=[\w)\]] )\|(?= [\w(])", "&"),
    (r">>", "<<"), (r"<<", ">>"), (r"\+\+", "--"), (r"--", "++"),
    (r"\btrue\b", "false"), (r"\bfalse\b", "true"),
    (r"(?<=\()!(?=[\w(])", ""), (r"(?<=\|\| )!(?=[\w(])", ""), (r"(?<=&& )!(?=[\w(])", ""),
    (r"\b(\d+)\b(?!\.)", None),  # literal n -> n + 1
]


def mutants(path):
    lines = open(path).read().split("\n")
    out = []
    for number, line in enumerate(lines):
        code = line.split("//")[0]
        stripped = code.strip()
        if not stripped or stripped.startswith(("#", "static_assert", "}")) or "include" in code:
            continue
        for pattern, replacement in SWAPS:
            for m in re.finditer(pattern, code):
                new = str(int(m.group(1)) + 1) if replacement is None else replacement
                mutated = code[:m.start()] + new + code[m.end():]
                out.append((number, line, mutated + line[len(code):], f"{m.group(0)!r} -> {new!r}"))
        # Statement deletion: calls and assignments, not declarations.
        if stripped.endswith(";") and not stripped.startswith(("return", "const", "constexpr", "using", "enum", "struct")) \
                and not re.match(r"^[\w:<>*&\s]+\s[\w\[\]]+\s*(=|;|\[|\{)", stripped):
            out.append((number, line, re.sub(r"\S.*", "; // deleted", line), "delete statement"))
        if stripped.startswith("return ") and stripped not in ("return;",):
            for value in ("true", "false", "nullptr", "0") if "return" in stripped else ():
                if stripped != f"return {value};":
                    out.append((number, line, re.sub(r"return .*;", f"return {value};", line), f"return {value}"))
    unique = {}
    for m in out:
        if m[2] != m[1]:
            unique.setdefault((m[0], m[2]), m)
    return [(path, *m) for m in unique.values()]


def run(cmd, cwd, timeout, env=None):
    try:
        r = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout,
                           env=dict(os.environ, **(env or {})), shell=isinstance(cmd, str))
        return r.returncode == 0
    except subprocess.TimeoutExpired:
        return False


def steps(work):
    e2e = "python3 tests/cli/end_to_end_test.py --version 1.0.0 --program"
    vectors = "/usr/lib/python3/dist-packages/cryptography_vectors/hashes"
    s = [
        ("native unit", f"build/tests/unit_tests --gtest_brief=1", 120, None),
        ("native e2e", f"{e2e} build/BRINDLEX", 300, None),
        ("native vectors", f"build/tests/vector_tests --gtest_brief=1", 120, None),
        ("native peers", f"python3 tests/verification/peers_test.py --program build/BRINDLEX --vectors {vectors}/SHA2", 300, None),
        ("portable unit", f"build-portable/tests/unit_tests --gtest_brief=1", 120, None),
        ("portable e2e", f"{e2e} build-portable/BRINDLEX", 300, None),
    ]
    models = subprocess.run(["bash", "-c", 'source .ci/lib.sh && printf "%s\\n" "${x86_64_models[@]}"'],
                            capture_output=True, text=True, check=True, cwd=ROOT).stdout.split()
    for model in models:
        q = f"qemu-x86_64-static -cpu {model}"
        s.append((f"{model} unit", f"{q} build/tests/unit_tests --gtest_brief=1", 300, None))
        s.append((f"{model} e2e", f"{e2e} build/BRINDLEX --emulator '{q}'", 300, None))
    s.append(("tsan unit", "build-tsan/tests/unit_tests --gtest_brief=1", 300, {"TSAN_OPTIONS": "halt_on_error=1"}))
    s.append(("tsan e2e", f"{e2e} build-tsan/BRINDLEX", 300, {"TSAN_OPTIONS": "halt_on_error=1"}))
    return s


BUILDS = {"build": [], "build-portable": ["-DBRINDLEX_HARDWARE_SHA256=OFF"],
          "build-tsan": ["-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DBRINDLEX_STATIC=OFF", "-DBRINDLEX_NOTICES=OFF",
                         "-DCMAKE_CXX_FLAGS=-fsanitize=thread",
                         "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread"]}


def prepare(work):
    head = subprocess.run(["git", "rev-parse", "HEAD"], cwd=ROOT, check=True, stdout=subprocess.PIPE, text=True).stdout.strip()
    if not os.path.exists(work):
        subprocess.run(["git", "worktree", "add", "--detach", work, head], cwd=ROOT, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["git", "checkout", "-q", "--detach", head], cwd=work, check=True)
    for build, args in BUILDS.items():
        subprocess.run(["cmake", "-S", ".", "-B", build] + args, cwd=work, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", build, "-j2"], cwd=work, check=True, stdout=subprocess.DEVNULL)


def test_mutant(work, mutant):
    path, number, original, mutated, what = mutant
    target = os.path.join(work, os.path.relpath(path, ROOT))
    text = open(target).read().split("\n")
    assert text[number] == original
    text[number] = mutated
    open(target, "w").write("\n".join(text))
    try:
        built = set()
        for name, cmd, timeout, env in steps(work):
            build = next((b for b in ("build-portable", "build-tsan") if f"{b}/" in cmd), "build")
            if build not in built:
                built.add(build)
                if not run(["cmake", "--build", build, "-j1"], work, 600):
                    return "stillborn", build
            if not run(cmd, work, timeout, env):
                return "killed", name
        return "survived", ""
    finally:
        text[number] = original
        open(target, "w").write("\n".join(text))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--sample", type=int, default=0)
    parser.add_argument("--seed", type=int, default=20261207)
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--retest", help="a survivors file: test again the mutants it names")
    parser.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "brindlex-mutants"),
                        help="where the workers' worktrees go")
    parser.add_argument("--survivors", help="where the survivors go (default: survivors.txt in --work)")
    parser.add_argument("files", nargs="+")
    o = parser.parse_args()
    all_mutants = [m for f in o.files for m in mutants(os.path.abspath(f))]
    if o.sample and o.sample < len(all_mutants):
        all_mutants = sorted(random.Random(o.seed).sample(all_mutants, o.sample), key=lambda m: (m[0], m[1]))
    if o.retest:
        # Each survivor by file, kind and mutated text, at or near its old line.
        candidates = [m for f in o.files for m in mutants(os.path.abspath(f))]
        all_mutants = []
        for line in open(o.retest):
            if not line.strip():
                continue
            where, _, rest = line.split(None, 1)[1].strip().partition(": ")
            path, number = where.rsplit(":", 1)
            what, _, mutated = rest.partition(": ")
            near = [m for m in candidates if os.path.relpath(m[0], ROOT) == path and m[4] == what
                    and m[3].strip() == mutated.strip() and abs(m[1] + 1 - int(number)) <= 3]
            if near:
                all_mutants.append(min(near, key=lambda m: abs(m[1] + 1 - int(number))))
            else:
                print(f"gone: {line.strip()}")
    if o.list:
        for path, number, _, mutated, what in all_mutants:
            print(f"{os.path.relpath(path, ROOT)}:{number + 1}: {what}: {mutated.strip()}")
        print(len(all_mutants))
        return
    works = [os.path.join(o.work, f"worker{i}") for i in range(o.workers)]
    with concurrent.futures.ThreadPoolExecutor(o.workers) as pool:
        list(pool.map(prepare, works))
    free = list(works)
    lock = threading.Lock()
    results = []

    def one(mutant):
        with lock:
            work = free.pop()
        try:
            verdict, step = test_mutant(work, mutant)
        finally:
            with lock:
                free.append(work)
        path, number, _, mutated, what = mutant
        line = f"{verdict:<9} {step:<16} {os.path.relpath(path, ROOT)}:{number + 1}: {what}: {mutated.strip()}"
        print(line, flush=True)
        results.append((verdict, line))

    with concurrent.futures.ThreadPoolExecutor(o.workers) as pool:
        list(pool.map(one, all_mutants))
    counts = {v: sum(1 for r, _ in results if r == v) for v in ("killed", "survived", "stillborn")}
    print(counts)
    os.makedirs(o.work, exist_ok=True)
    with open(o.survivors or os.path.join(o.work, "survivors.txt"), "w") as f:
        f.write("\n".join(l for v, l in results if v == "survived") + "\n")


if __name__ == "__main__":
    main()
