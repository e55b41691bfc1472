#!/usr/bin/env python3
"""Writes dist/BUILDINFO: what made each artifact in dist/, for a rebuilder
to set up the same. The commit and SOURCE_DATE_EPOCH; for each build folder
of build-release/ (release.sh), the command that configured it, its build
type, its compile and link flags, the environment variables the build reads,
and every Debian package, with its version, that provided a file the build
read or ran, as strace saw it (NAME.trace); then each artifact, its SHA-256
and the folder that made it.

    .ci/buildinfo.py COMMIT ZIG_RECORD VARIABLE..."""
import glob
import hashlib
import os
import re
import subprocess
import sys

commit, zig_record, variables = sys.argv[1], sys.argv[2], sys.argv[3:]
variables += ["SOURCE_DATE_EPOCH", "LANG", "LC_ALL", "TZ"]
root = os.getcwd()


def dpkg_index():
    """Every path a Debian package installed, and the package."""
    owner = {}
    for listing in glob.glob("/var/lib/dpkg/info/*.list"):
        package = os.path.basename(listing)[: -len(".list")]
        with open(listing, errors="surrogateescape") as lines:
            for path in lines:
                owner.setdefault(path.rstrip("\n"), package)
    return owner


def names_of(path):
    """The path, each link on the way from it, and its target, under each
    name dpkg may know it by (Debian 12 merges /bin and /lib into /usr)."""
    seen = [path]
    while os.path.islink(path) and len(seen) < 40:
        path = os.path.normpath(os.path.join(os.path.dirname(path), os.readlink(path)))
        seen.append(path)
    seen.append(os.path.realpath(path))
    return seen + [p[len("/usr"):] for p in seen if re.match(r"/usr/(s?bin|lib)", p)]


def used_files(trace):
    """The files the traced build opened or ran, and the interpreters of the
    scripts it ran."""
    files = set()
    for line in open(trace, errors="surrogateescape"):
        match = re.search(r' (execve|open|openat)\((?:AT_FDCWD, )?"(/[^"]*)"', line)
        if not match or not os.path.isfile(match.group(2)):
            continue
        files.add(match.group(2))
        if match.group(1) == "execve":
            with open(match.group(2), "rb") as program:
                first = program.readline(200)
            if first.startswith(b"#!"):
                files.add(first[2:].split()[0].decode())
    return files


def cached(folder, name):
    for line in open(os.path.join(folder, "CMakeCache.txt")):
        if line.startswith(name + ":"):
            return line.split("=", 1)[1].strip()
    return ""


def flags(folder, name):
    """The flags in one of CMake's Makefiles, with the folders named as such."""
    text = open(os.path.join(folder, name)).read()
    text = " ".join(re.findall(r"^CXX_(?:FLAGS|DEFINES) = (.*)$", text, re.M) or [text.strip()])
    build, source = cached(folder, "CMAKE_CACHEFILE_DIR"), cached(folder, "CMAKE_HOME_DIRECTORY")
    return text.replace(build, "<build>").replace(source, "<source>")


owner = dpkg_index()
versions = dict(line.split(" ", 1) for line in subprocess.run(
    ["dpkg-query", "-W", "-f", "${binary:Package} ${Version}\n"],
    capture_output=True, text=True, check=True).stdout.splitlines())
folders = sorted(glob.glob("build-release/*/"))
made_in = {}
out = [f"BRINDLEX {cached(folders[0], 'CMAKE_PROJECT_VERSION')}, built by CI", f"commit: {commit}",
       f"SOURCE_DATE_EPOCH: {os.environ['SOURCE_DATE_EPOCH']}",
       f"build machine: Debian {open('/etc/debian_version').read().strip()}, "
       + subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip()]
for folder in (f.rstrip("/") for f in folders):
    environment = dict(line.rstrip("\n").split("=", 1) for line in open(folder + ".environment") if "=" in line)
    out += ["", f"build folder {folder}", f"  configured: {open(folder + '.command').read().strip()}",
            f"  build type: {cached(folder, 'CMAKE_BUILD_TYPE')}",
            f"  compile flags: {flags(folder, 'CMakeFiles/brindlex_core.dir/flags.make')}",
            f"  link command: {flags(folder, 'CMakeFiles/BRINDLEX.dir/link.txt')}"]
    out += [f"  environment: {v}=" + environment[v] if v in environment else f"  environment: {v} unset"
            for v in variables]
    packages, strays = set(), set()
    for path in used_files(folder + ".trace"):
        known = [owner[name] for name in names_of(path) if name in owner]
        packages.update(known)
        # Besides the sources and the builds: the system's settings and dpkg's database.
        if not known and not path.startswith((root + "/", "/tmp/", "/proc/", "/sys/", "/etc/", "/var/lib/dpkg/")):
            strays.add(path)
    if cached(folder, "BRINDLEX_ZIG"):
        out.append(f"  used: {zig_record}")
    out += [f"  used: {p} {versions[p]}" for p in sorted(packages)]
    out += [f"  read from no Debian package: {len(strays)} files, such as {sorted(strays)[0]}"] if strays else []
    for name in os.listdir(folder):
        made_in.setdefault(name, []).append(folder)
for artifact in sorted(os.listdir("dist")):
    if artifact in ("BUILDINFO", "SHA256SUMS"):
        continue
    digest = hashlib.sha256(open(os.path.join("dist", artifact), "rb").read()).hexdigest()
    assert len(made_in.get(artifact, [])) == 1, f"{artifact}: made in {made_in.get(artifact)}"
    out += ["", artifact, f"  sha256: {digest}", f"  built in: {made_in[artifact][0]}"]
open("dist/BUILDINFO", "w").write("\n".join(out) + "\n")
print(f"BUILDINFO: {out.count('')} entries, for {len(folders)} build folders and their artifacts")
