#!/usr/bin/env python3
"""Runs the built BRINDLEX and checks, for every case, its standard output
byte for byte, its standard error (always empty) and its exit status.

--emulator runs it through wine or qemu; --windows expects CR LF line ends.
"""
import argparse
import hashlib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

USAGE_FIRST = b"Usage:\n"
# What qemu itself says on standard error when asked for an x86-64 model with
# features it cannot emulate; the program's own standard error stays checked.
QEMU_FEATURE_WARNING = re.compile(rb"^qemu-[\w.-]+: warning: TCG doesn't support requested feature: [^\n]*\n",
                                  re.MULTILINE)
OPEN_ERROR = b"Error: Unable to open the specified file.\n"
READ_ERROR = b"Error: Unable to read the specified file.\n"
BAD_ALGORITHM = b"Error: Invalid algorithm specified.\n"
BAD_MODE = b"Error: Invalid mode specified.\n"
TOO_LONG = b"Error: The length of the target parameter cannot exceed 3000 characters.\n"


def digest(algorithm, data):
    return hashlib.new(algorithm, data).hexdigest().encode() + b"\n"


def pattern(n):
    return bytes(i % 251 for i in range(n))


class Runner:
    def __init__(self, program, emulator, windows, workdir):
        self.command = shlex.split(emulator) + [program] if emulator else [program]
        self.emulated = bool(emulator)
        self.windows = windows
        self.workdir = workdir

    def run(self, args, stdin=None, stdout=subprocess.PIPE, close_stdout=False, close_stdin=False,
            wrapper=(), env=None):
        # close_stdout and close_stdin start the program with that stream
        # closed; wrapper runs it under another program, such as strace; env
        # adds to the environment.
        closed = [fd for fd, close in ((0, close_stdin), (1, close_stdout)) if close]
        preexec = (lambda: [os.close(fd) for fd in closed]) if closed else None
        # wine turns the arguments from the Unix locale's bytes into Unicode,
        # and the program's UTF-8 code page turns them back: use UTF-8.
        env = dict(os.environ, LC_ALL="C.UTF-8", WINEDEBUG="-all", **(env or {}))
        result = subprocess.run(list(wrapper) + self.command + list(args), cwd=self.workdir, input=stdin, env=env,
                                stdout=None if close_stdout else stdout, stderr=subprocess.PIPE,
                                timeout=60, preexec_fn=preexec)
        out = result.stdout if result.stdout is not None else b""
        err = QEMU_FEATURE_WARNING.sub(b"", result.stderr) if self.emulated else result.stderr
        if self.windows:
            if b"\n" in out.replace(b"\r\n", b""):
                out = b"<bare line feed>" + out  # every line must end in CR LF
            out = out.replace(b"\r\n", b"\n")
        return out, err, result.returncode


def file_cases(workdir):
    """Files the 'f' cases read, written into the working directory."""
    files = {
        "empty.bin": b"",
        "abc.txt": b"abc",
        "crlf.txt": b"one\r\ntwo\r\n",
        "piece.bin": pattern(500),
        "piece_and_one.bin": pattern(501),
        "large.bin": pattern(5 * 1024 * 1024 + 3),
        "with blank \xe9.bin": b"blank and high byte in the name",
    }
    for name, data in files.items():
        with open(os.path.join(workdir, name), "wb") as f:
            f.write(data)
    os.mkdir(os.path.join(workdir, "directory"))
    cases = []
    for algorithm in ("md5", "sha256"):
        for name, data in files.items():
            cases.append((f"{algorithm} f {name!r}", [algorithm, "f", name], digest(algorithm, data), 0))
        cases += [
            (f"{algorithm} f missing", [algorithm, "f", "missing.bin"], OPEN_ERROR, 1),
            (f"{algorithm} f empty path", [algorithm, "f", ""], OPEN_ERROR, 1),
            (f"{algorithm} f directory", [algorithm, "f", "directory"], OPEN_ERROR, 1),
        ]
    return cases


def long_path_cases(workdir, windows):
    """Paths of about 300 and 2900 bytes, absolute and relative, to a file, a
    folder and a missing file: past the 260 characters of Windows' plain form,
    within the 3000-byte limit."""
    def native(relative):
        if not windows:
            return os.path.join(workdir, relative)
        # wine's drive Z: is the Unix root.
        return "Z:" + os.path.join(workdir, relative).replace("/", "\\")

    cases = []
    for length in (300, 2900):
        # Folders of at most 99-byte names: the relative path to the file is
        # `length` bytes long.
        folder = f"long{length}"
        while length - len(folder) - len("/file.bin") > 1:
            folder += "/" + "d" * min(99, length - len(folder) - len("/file.bin") - 1)
        os.makedirs(os.path.join(workdir, folder))
        data = pattern(length)
        with open(os.path.join(workdir, folder, "file.bin"), "wb") as f:
            f.write(data)
        relative = {"file": folder + "/file.bin", "folder": folder, "missing": folder + "/missing.bin"}
        expected = {"file": (digest("md5", data), 0), "folder": (OPEN_ERROR, 1), "missing": (OPEN_ERROR, 1)}
        for kind, path in relative.items():
            for form, target in (("relative", path), ("absolute", native(path))):
                cases.append((f"md5 f {form} path of {len(target)} bytes to a {kind}", ["md5", "f", target],
                              *expected[kind]))
        if windows:
            # Already in the extended-length form: opened as it is; in the
            # device form or with forward slashes: resolved, then opened in
            # the extended-length form.
            for form, prefix in (("extended-length", "\\\\?\\"), ("device", "\\\\.\\")):
                target = prefix + native(relative["file"])
                cases.append((f"md5 f {form} path of {len(target)} bytes", ["md5", "f", target],
                              *expected["file"]))
                target = target.replace("\\", "/")
                cases.append((f"md5 f {form} path of {len(target)} bytes, forward slashes",
                              ["md5", "f", target], *expected["file"]))
    return cases


def windows_cases(runner, workdir, helper):
    """Files that other programs hold: one open for writing, as a log's writer
    holds it, and a named pipe served by another program."""
    helper_command = runner.command[:-1] + [helper]

    def start_helper(*args):
        process = subprocess.Popen(helper_command + list(args), cwd=workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, env=dict(os.environ, WINEDEBUG="-all"))
        ready = process.stdout.readline()
        if not ready.startswith(b"ready"):
            process.kill()
            raise RuntimeError(f"{helper} {args} did not start: {ready!r}")
        return process

    results = []
    data = pattern(70000)
    with open(os.path.join(workdir, "held.log"), "wb") as f:
        f.write(data)
    holder = start_helper("hold", "held.log")
    results.append(("file held open for writing", *runner.run(["sha256", "f", "held.log"]),
                    digest("sha256", data), 0))
    holder.stdin.close()
    holder.wait(timeout=60)

    server = start_helper("pipe", "brindlex_test", "abc")
    results.append(("named pipe", *runner.run(["md5", "f", "\\\\.\\pipe\\brindlex_test"]),
                    digest("md5", b"abc"), 0))
    server.wait(timeout=60)
    return results


def posix_cases(runner, workdir):
    """Special files and broken output, which only POSIX systems have."""
    results = []
    abc = digest("md5", b"abc")

    # Standard output that cannot be written: a full device, or closed.
    results.append(("output to /dev/full", *runner.run(["md5", "s", "abc"], stdout=open("/dev/full", "wb")), b"", 1))
    results.append(("usage to /dev/full", *runner.run([], stdout=open("/dev/full", "wb")), b"", 1))
    results.append(("error line to /dev/full", *runner.run(["md5", "f", "missing"], stdout=open("/dev/full", "wb")), b"", 1))
    results.append(("closed standard output", *runner.run(["sha256", "s", "abc"], stdout=-1, close_stdout=True), b"", 1))

    # A failed close of standard output after a good flush: strace fails the
    # close of the output file and of nothing else. LeakSanitizer, in the
    # sanitizer build, cannot run under strace.
    if shutil.which("strace") and not runner.emulated:
        output = os.path.join(workdir, "close_fails.txt")
        strace = ["strace", "-qq", "-o", "/dev/null", "-P", output, "-e", "trace=close",
                  "-e", "inject=close:error=EIO"]
        with open(output, "wb") as f:
            _, err, code = runner.run(["md5", "s", "abc"], stdout=f, wrapper=strace,
                                      env={"ASAN_OPTIONS": "detect_leaks=0"})
        with open(output, "rb") as f:
            results.append(("standard output fails to close", f.read(), err, code, abc, 1))
    # Traced with strace, which sees the calls on one path: a file of three of
    # the seam's 512,000-byte blocks is read by two threads where two or more
    # processors are allowed, by one where only one is; whatever was opened,
    # a directory included, is closed again.
    allowed = sorted(os.sched_getaffinity(0))
    if shutil.which("strace") and shutil.which("taskset") and not runner.emulated and len(allowed) >= 2:
        data = pattern(3 * 512000)
        blocks = os.path.join(workdir, "three_blocks.bin")
        with open(blocks, "wb") as f:
            f.write(data)
        log = os.path.join(workdir, "calls.log")
        every = ",".join(map(str, allowed))
        traced = [("three blocks on two or more processors", blocks, every, digest("sha256", data), 0, 2),
                  ("three blocks on one processor", blocks, str(allowed[0]), digest("sha256", data), 0, 1),
                  ("a directory", os.path.join(workdir, "directory"), every, OPEN_ERROR, 1, 0)]
        for name, path, processors, expected, status, threads in traced:
            strace = ["taskset", "-c", processors, "strace", "-f", "-qq", "-o", log, "-P", path,
                      "-e", "trace=openat,read,close"]
            out, err, code = runner.run(["sha256", "f", path], wrapper=strace, env={"ASAN_OPTIONS": "detect_leaks=0"})
            with open(log) as f:
                calls = f.read()
            readers = len(set(re.findall(r"^(\d+) +read\(", calls, re.MULTILINE)))
            left_open = len(re.findall(r"openat\(.*\) = \d+$", calls, re.MULTILINE)) - len(
                re.findall(r"close\(\d+\) += 0$", calls, re.MULTILINE))
            summary = b"threads reading: %d, descriptors left open: %d\n"
            results.append((f"traced: {name}", out + summary % (readers, left_open), err, code,
                            expected + summary % (threads, 0), status))

        # Where the system gives no thread, the file is read on this one, after
        # one try for the whole file, not one per block.
        strace = ["strace", "-f", "-qq", "-o", log, "-e", "trace=clone,clone3",
                  "-e", "inject=clone3:error=EAGAIN", "-e", "inject=clone:error=EAGAIN"]
        out, err, code = runner.run(["sha256", "f", blocks], wrapper=strace, env={"ASAN_OPTIONS": "detect_leaks=0"})
        with open(log) as f:
            tries = len(re.findall(r"^\d+ +clone3?\(", f.read(), re.MULTILINE))
        # ThreadSanitizer's runtime tries a thread of its own at the first start.
        with open(runner.command[-1], "rb") as f:
            expected_tries = 2 if b"__tsan_init" in f.read() else 1
        results.append(("traced: no thread to be had", out + b"thread starts tried: %d\n" % tries, err, code,
                        digest("sha256", data) + b"thread starts tried: %d\n" % expected_tries, 0))

    # With standard input closed, the file opens as descriptor 0.
    with open(os.path.join(workdir, "abc.txt"), "wb") as f:
        f.write(b"abc")
    results.append(("standard input closed", *runner.run(["md5", "f", "abc.txt"], close_stdin=True), abc, 0))

    # Piped data, an empty device, a read error at offset 0.
    results.append(("/dev/stdin from a pipe", *runner.run(["md5", "f", "/dev/stdin"], stdin=b"abc"), abc, 0))
    results.append(("/dev/null", *runner.run(["sha256", "f", "/dev/null"]), digest("sha256", b""), 0))
    results.append(("/proc/self/mem", *runner.run(["md5", "f", "/proc/self/mem"]), READ_ERROR, 1))

    # A FIFO with data written by another process.
    fifo = os.path.join(workdir, "fifo")
    os.mkfifo(fifo)
    data = pattern(100000)
    source = os.path.join(workdir, "fifo_source.bin")
    with open(source, "wb") as f:
        f.write(data)
    writer = subprocess.Popen(["sh", "-c", 'cat "$1" > "$2"', "sh", source, fifo])
    results.append(("FIFO with data", *runner.run(["sha256", "f", fifo]), digest("sha256", data), 0))
    writer.wait()

    # A name of bytes that are not UTF-8, passed through unchanged.
    raw_name = os.fsdecode(b"raw \xff\x80\xfe name.bin")
    with open(os.path.join(workdir, raw_name), "wb") as f:
        f.write(b"raw bytes")
    results.append(("name of raw high bytes", *runner.run(["sha256", "f", raw_name]),
                    digest("sha256", b"raw bytes"), 0))

    # A name longer than the system allows, but within 3000 bytes.
    results.append(("name too long", *runner.run(["md5", "f", "n" * 2000]), OPEN_ERROR, 1))
    # The longest single argument the system passes (128 KiB) is refused by length.
    results.append(("128 KiB argument", *runner.run(["md5", "s", "x" * (128 * 1024 - 1)]), TOO_LONG, 2))

    # A file its reader may not read: run as nobody when we are root.
    secret = os.path.join(workdir, "secret.bin")
    with open(secret, "wb") as f:
        f.write(b"secret")
    os.chmod(secret, 0o600)
    if os.geteuid() == 0:
        os.chmod(workdir, 0o755)
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
        out, err, code = Runner(runner.command[-1], " ".join(nobody + runner.command[:-1]), False, workdir).run(["md5", "f", secret])
        results.append(("unreadable file", out, err, code, OPEN_ERROR, 1))
    else:
        results.append(("unreadable file", *runner.run(["md5", "f", secret]), OPEN_ERROR, 1))
    return results


def argument_text_cases():
    """Arguments that a Windows command line must quote or escape, and a
    wildcard that must not be expanded: each must arrive as the same bytes."""
    texts = ["*", "*.bin", 'say "hi"', "back\\slash", "trailing backslash\\", 'odd \\"quote',
             "tab\there", "  leading and trailing  ", "\u00e9t\u00e9 \u65e5\u672c"]
    cases = []
    for text in texts:
        cases.append((f"md5 s {text!r}", ["md5", "s", text], digest("md5", text.encode()), 0))
    return cases


def argument_cases():
    long_ok = "x" * 3000
    long_bad = "x" * 3001
    cases = [
        # Argument count: usage text alone, even when the arguments are valid.
        ("no arguments", [], None, 2),
        ("one argument", ["md5"], None, 2),
        ("two arguments", ["md5", "s"], None, 2),
        ("four arguments", ["md5", "s", "abc", "extra"], None, 2),
        # Keywords are whole, exact, case-sensitive.
        ("algorithm in capitals", ["MD5", "s", "abc"], BAD_ALGORITHM, 2),
        ("algorithm SHA256", ["SHA256", "s", "abc"], BAD_ALGORITHM, 2),
        ("algorithm with hyphen", ["sha-256", "s", "abc"], BAD_ALGORITHM, 2),
        ("algorithm with blank", ["md5 ", "s", "abc"], BAD_ALGORITHM, 2),
        ("algorithm prefix", ["md", "s", "abc"], BAD_ALGORITHM, 2),
        ("algorithm empty", ["", "s", "abc"], BAD_ALGORITHM, 2),
        ("mode in capitals", ["md5", "S", "abc"], BAD_MODE, 2),
        ("mode F", ["sha256", "F", "abc"], BAD_MODE, 2),
        ("mode spelled out", ["md5", "string", "abc"], BAD_MODE, 2),
        ("mode file", ["md5", "file", "abc"], BAD_MODE, 2),
        ("mode empty", ["md5", "", "abc"], BAD_MODE, 2),
        # The first refusal hides the later ones.
        ("bad algorithm hides bad mode", ["sha", "x", "abc"], BAD_ALGORITHM, 2),
        ("bad mode hides long target", ["md5", "x", long_bad], BAD_MODE, 2),
        ("bad algorithm hides long target", ["x", "s", long_bad], BAD_ALGORITHM, 2),
    ]
    for algorithm in ("md5", "sha256"):
        cases += [
            (f"{algorithm} s abc", [algorithm, "s", "abc"], digest(algorithm, b"abc"), 0),
            (f"{algorithm} s empty", [algorithm, "s", ""], digest(algorithm, b""), 0),
            (f"{algorithm} s 3000 bytes", [algorithm, "s", long_ok], digest(algorithm, long_ok.encode()), 0),
            (f"{algorithm} s 3001 bytes", [algorithm, "s", long_bad], TOO_LONG, 2),
            (f"{algorithm} f 3001 bytes", [algorithm, "f", long_bad], TOO_LONG, 2),
            # 3000 bytes pass the length check; no system has such a file name.
            (f"{algorithm} f 3000 bytes", [algorithm, "f", long_ok], OPEN_ERROR, 1),
            # 1000 two-byte characters are 2000 bytes, 1501 of them 3002 bytes.
            (f"{algorithm} s 2000 bytes of e-acute", [algorithm, "s", "\u00e9" * 1000],
             digest(algorithm, ("\u00e9" * 1000).encode()), 0),
            (f"{algorithm} s 3002 bytes of e-acute", [algorithm, "s", "\u00e9" * 1501], TOO_LONG, 2),
            (f"{algorithm} s blanks and quotes", [algorithm, "s", 'a "quoted" word'],
             digest(algorithm, b'a "quoted" word'), 0),
        ]
    return cases


def check_usage(out, version):
    """The usage text by its layout rules rather than by a second copy."""
    problems = []
    lines = out.split(b"\n")
    if lines[-1] != b"":
        problems.append("does not end with a line feed")
    lines = lines[:-1]
    if len(lines) != 32:
        problems.append(f"{len(lines)} lines, not 32")
        return problems
    blank = [i + 1 for i, line in enumerate(lines) if line == b""]
    if blank != [3, 14, 20, 23, 25]:
        problems.append(f"blank lines at {blank}")
    if lines[0] != b"Usage:" or lines[1] != b"BRINDLEX <algorithm> <mode> <target>":
        problems.append("wrong opening lines")
    for number, line in enumerate(lines, 1):
        if len(line) > 78:
            problems.append(f"line {number} is {len(line)} wide")
        if line.rstrip() != line:
            problems.append(f"line {number} has trailing blanks")
    for number in (4, 6, 9):  # <algorithm>, <mode>, <target>
        line = lines[number - 1]
        if not line.startswith(b"<") or line[11:14] != b" = " or line.find(b"=") != 12:
            problems.append(f"line {number}: equals sign not in column 13")
    for number in (5, 7, 8, 10, 11, 12, 13):
        line = lines[number - 1]
        if not line.startswith(b" " * 14) or line[14:15] == b" ":
            problems.append(f"line {number}: not a 14-blank continuation")
    if b"2026" not in lines[20] or b"version " + version.encode() + b"," not in lines[20] \
            or b"BRINDLEX developers" not in lines[20]:
        problems.append("authorship line lacks year, author or version")
    if b"@example.org" not in lines[21] or b"," not in lines[21]:
        problems.append("contact line")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--emulator", default="")
    parser.add_argument("--windows", action="store_true")
    parser.add_argument("--version", required=True, help="the version the usage text must name")
    parser.add_argument("--helper", help="Windows only: the helper program that holds files open")
    options = parser.parse_args()
    program = os.path.abspath(options.program)

    passed = failed = 0
    with tempfile.TemporaryDirectory() as workdir:
        runner = Runner(program, options.emulator, options.windows, workdir)
        results = [(name, *runner.run(args), expected, status)
                   for name, args, expected, status in argument_cases() + argument_text_cases() + file_cases(workdir)
                   + long_path_cases(workdir, options.windows)]
        if options.windows and options.helper:
            results += windows_cases(runner, workdir, os.path.abspath(options.helper))
        if not options.windows:
            results += posix_cases(runner, workdir)
        for name, out, err, code, expected, status in results:
            problems = []
            if expected is None:
                problems += check_usage(out, options.version)
            elif out != expected:
                problems.append(f"stdout {out[:120]!r}, expected {expected[:120]!r}")
            if err:
                problems.append(f"stderr {err[:120]!r}")
            if code != status:
                problems.append(f"exit status {code}, expected {status}")
            if problems:
                failed += 1
                print(f"FAIL {name}: " + "; ".join(problems))
            else:
                passed += 1

    print(f"end-to-end: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
