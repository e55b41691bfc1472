#!/usr/bin/env python3
"""Times BRINDLEX against md5sum, sha256sum, openssl dgst and rhash on the
same cached file, alternating the tools run by run, and prints each peer's
median time divided by ours (above 1: we are faster), with the median user
and system times beside it; then the same with every tool pinned to one
processor. Also: start-up cost against `md5sum /dev/null` (with hyperfine),
peak memory, and a chart of throughput against file size. --before adds an
earlier build of BRINDLEX to the turns, for a change's before and after;
given again, it adds more (trial builds side by side), each named by its
folder.

--cold times the same tools on a file that is not in memory: before every
run the file's pages are dropped from the page cache (posix_fadvise
DONTNEED, which needs no privileges), so that each run reads the device.
The device's time varies a lot from run to run: it prints the minimum,
median and maximum of each tool. The file must be on a disk, not on tmpfs:
BENCH_DIR names the folder.

    bench/compare.py --program build/BRINDLEX [--before old/BRINDLEX] [--size-mib 1024] [--runs 5]
    bench/compare.py --program build/BRINDLEX --cold [--runs 15]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


def tools(program, before=()):
    table = {
        "md5": [("BRINDLEX", [program, "md5", "f"]), ("md5sum", ["md5sum"]),
                ("openssl", ["openssl", "dgst", "-md5"]), ("rhash", ["rhash", "--md5"])],
        "sha256": [("BRINDLEX", [program, "sha256", "f"]), ("sha256sum", ["sha256sum"]),
                   ("openssl", ["openssl", "dgst", "-sha256"]), ("rhash", ["rhash", "--sha256"])],
    }
    for algorithm, commands in table.items():
        for number, earlier in enumerate(before):
            name = "before" if len(before) == 1 else os.path.basename(os.path.dirname(earlier))
            commands.insert(1 + number, (name, [earlier, algorithm, "f"]))
    return table


def make_file(path, size):
    with open(path, "wb") as out, open("/dev/urandom", "rb") as source:
        left = size
        while left:
            chunk = source.read(min(left, 1 << 20))
            out.write(chunk)
            left -= len(chunk)
    subprocess.run(["cat", path], stdout=subprocess.DEVNULL, check=True)  # warm the cache


def evict(path):
    """Drops the file's pages from the page cache: the next read of it comes
    from the device."""
    descriptor = os.open(path, os.O_RDONLY)
    try:
        os.fdatasync(descriptor)  # only clean pages can be dropped
        os.posix_fadvise(descriptor, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(descriptor)


def cold(program, before, path, size, runs):
    """Each tool on the file read from the device, the tools taking turns:
    minimum, median and maximum wall time, and the peers' medians over ours."""
    print(f"{size >> 20} MiB file evicted before each run, {runs} alternating runs")
    print(f"{'tool':<24} {'min (s)':>8} {'median':>8} {'max':>8} {'peer / ours':>12}")
    for algorithm, commands in tools(program, before).items():
        times = {name: [] for name, _ in commands}
        for _ in range(runs):
            for name, command in commands:
                evict(path)
                times[name].append(time_once(command + [path])[0])
        ours = statistics.median(times["BRINDLEX"])
        for name, _ in commands:
            t = times[name]
            ratio = "" if name == "BRINDLEX" else f"{statistics.median(t) / ours:.2f}"
            print(f"{name + ' ' + algorithm:<24} {min(t):>8.3f} {statistics.median(t):>8.3f}"
                  f" {max(t):>8.3f} {ratio:>12}")


def time_once(command):
    """Wall, user and system time of one run."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(f"compare: {command} failed")
    return wall, usage.ru_utime, usage.ru_stime


def medians(commands, path, runs):
    """Median wall time of each command on path, the commands taking turns."""
    return {name: m[0] for name, m in all_medians(commands, path, runs).items()}


def all_medians(commands, path, runs):
    """Median wall, user and system time of each command on path, the
    commands taking turns."""
    times = {name: [] for name, _ in commands}
    for _ in range(runs):
        for name, command in commands:
            times[name].append(time_once(command + [path]))
    return {name: tuple(statistics.median(t[i] for t in ts) for i in range(3))
            for name, ts in times.items()}


def compare(commands, path, size, runs, algorithm, memory=True):
    """Prints the table of one algorithm and the fastest peer's ratio."""
    m = all_medians(commands, path, runs)
    ours = m["BRINDLEX"][0]
    for name, command in commands:
        label = f"{name} {algorithm}" if name != "BRINDLEX" else f"BRINDLEX {algorithm} f"
        wall, user, system = m[name]
        ratio = "" if name == "BRINDLEX" else f"{wall / ours:.2f}"
        peak = peak_memory_kib(command + [path]) if memory else ""
        print(f"{label:<24} {wall:>9.3f} {user:>6.3f} {system:>6.3f} {size / wall / 1e6:>8.0f}"
              f" {ratio:>12} {peak:>9}")
    # The peers: neither BRINDLEX nor an earlier build of it.
    fastest = min(m[name][0] for name, command in commands
                  if name != "before" and not any("BRINDLEX" in part for part in command))
    print(f"{algorithm}: fastest peer / ours {fastest / ours:.2f}")


def peak_memory_kib(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, check=True)
    return int(result.stderr.split()[-1])


def startup(program):
    export = os.path.join(tempfile.gettempdir(), "brindlex_startup.json")
    subprocess.run(["hyperfine", "-N", "--warmup", "50", "--runs", "500", "--export-json", export,
                    "md5sum /dev/null", f"{program} md5 s abc"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, check=True)
    with open(export) as f:
        results = json.load(f)["results"]
    return results[0]["median"], results[1]["median"]


def chart(program, workdir, runs, data):
    """Measures throughput by file size into `data`, a gnuplot table."""
    sizes = [1 << 10, 1 << 14, 1 << 18, 1 << 22, 1 << 26, 1 << 30]
    with open(data, "w") as f:
        f.write("# size_bytes " + " ".join(
            f"{a}_{n}" for a, ts in tools(program).items() for n, _ in ts) + "\n")
        for size in sizes:
            path = os.path.join(workdir, f"chart_{size}.bin")
            make_file(path, size)
            row = [str(size)]
            for algorithm, commands in tools(program).items():
                m = medians(commands, path, runs if size < (1 << 30) else max(1, runs // 2))
                row += [f"{size / m[name] / 1e6:.2f}" for name, _ in commands]
            os.remove(path)
            f.write(" ".join(row) + "\n")


def plot(data, output):
    """Draws one line per column of `data`, BRINDLEX's in bold."""
    with open(data) as f:
        columns = f.readline().split()[2:]
    lines = []
    for number, column in enumerate(columns, start=2):
        algorithm, tool = column.split("_", 1)
        width = 3 if tool == "BRINDLEX" else 1
        lines.append(f"'{data}' using 1:{number} with linespoints lw {width} pt {number}"
                     f" title '{tool} {algorithm}'")
    script = f"""
set terminal svg size 900,500 dynamic font 'sans,12'
set output '{output}'
set title 'Throughput on a cached file, start-up included (higher is better)'
set xlabel 'file size'
set ylabel 'MB/s'
set logscale xy
set xtics ('1 KiB' 1024, '16 KiB' 16384, '256 KiB' 262144, '4 MiB' 4194304, '64 MiB' 67108864, '1 GiB' 1073741824)
set key left top
set grid
set linetype 5 lc rgb '#c04000'
plot {", ".join(lines)}
"""
    subprocess.run(["gnuplot"], input=script.encode(), check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--size-mib", type=int, default=1024)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--chart", default=os.path.join(HERE, "throughput.svg"))
    parser.add_argument("--data", default=os.path.join(HERE, "throughput.dat"))
    parser.add_argument("--no-chart", action="store_true", help="skip the by-size measurements")
    parser.add_argument("--before", action="append", default=[],
                        help="an earlier build of BRINDLEX, timed in the same turns (repeatable)")
    parser.add_argument("--replot", action="store_true", help="only redraw the chart from --data")
    parser.add_argument("--cold", action="store_true", help="time a file not in memory instead")
    options = parser.parse_args()
    program = os.path.abspath(options.program)
    before = [os.path.abspath(earlier) for earlier in options.before]
    if options.replot:
        plot(options.data, options.chart)
        return
    for needed in ("md5sum", "sha256sum", "openssl", "rhash", "hyperfine", "taskset", "/usr/bin/time"):
        if not shutil.which(needed):
            sys.exit(f"compare: {needed} is not installed")

    with tempfile.TemporaryDirectory(dir=os.environ.get("BENCH_DIR")) as workdir:
        path = os.path.join(workdir, "input.bin")
        size = options.size_mib << 20
        make_file(path, size)
        if options.cold:
            cold(program, before, path, size, options.runs)
            return
        header = (f"{'tool':<24} {'wall (s)':>9} {'user':>6} {'sys':>6} {'MB/s':>8}"
                  f" {'peer / ours':>12} {'peak KiB':>9}")
        print(f"{options.size_mib} MiB cached file, {options.runs} alternating runs, medians")
        print(header)
        for algorithm, commands in tools(program, before).items():
            compare(commands, path, size, options.runs, algorithm)
        print(f"pinned to one processor (taskset -c 0), {options.runs} alternating runs, medians")
        print(header)
        for algorithm, commands in tools(program, before).items():
            pinned = [(name, ["taskset", "-c", "0"] + command) for name, command in commands]
            compare(pinned, path, size, options.runs, algorithm, memory=False)
        small = os.path.join(workdir, "small.bin")
        make_file(small, 1024)
        print(f"peak KiB for a 1 KiB file: BRINDLEX {peak_memory_kib([program, 'md5', 'f', small])},"
              f" md5sum {peak_memory_kib(['md5sum', small])}")
        peer, ours = startup(program)
        print(f"start-up: md5sum /dev/null {peer * 1e3:.2f} ms, BRINDLEX md5 s abc {ours * 1e3:.2f} ms,"
              f" peer / ours {peer / ours:.2f}")
        if not options.no_chart:
            chart(program, workdir, max(3, options.runs), options.data)
            plot(options.data, options.chart)
            print(f"throughput in MB/s by file size ({options.data}, chart {options.chart}):")
            with open(options.data) as f:
                print(f.read(), end="")


if __name__ == "__main__":
    main()
