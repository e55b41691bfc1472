#!/usr/bin/env python3
"""Writes the records of the release in dist/. BUILDINFO, what made each
artifact, for a rebuilder to set up the same: the commit and
SOURCE_DATE_EPOCH; for each build folder of build-release/ (release.sh), the
command that configured it, its build type, its compile and link flags, the
environment variables the build reads, and every Debian package, with its
version, that provided a file the build read or ran, as strace saw it
(NAME.trace); then each artifact, its SHA-256 and the folder that made it.
And the SBOM, brindlex-VERSION.cdx.json (CycloneDX 1.5): each artifact with
its SHA-256, and the third-party components linked into its program, as
the notices found them (the folder's `components`), with their versions,
licences and suppliers.

    .ci/buildinfo.py COMMIT ZIG_RECORD VARIABLE..."""
import datetime
import glob
import hashlib
import json
import os
import re
import subprocess
import sys
import uuid

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
version = cached(folders[0], "CMAKE_PROJECT_VERSION")
made_in = {}
out = [f"BRINDLEX {version}, built by CI", f"commit: {commit}",
       f"SOURCE_DATE_EPOCH: {os.environ['SOURCE_DATE_EPOCH']}",
       f"build machine: Debian {open('/etc/debian_version').read().strip()}, "
       + subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True).stdout.strip(),
       "signatures: none; this release folder is unsigned (CI signs a copy of it alone, with keys made"
       " for the run and thrown away)"]
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

# The SBOM: the artifacts, each depending on the components its program holds.
def supplier(sources):
    if sources:
        return {"name": "Debian", "url": ["https://www.debian.org/"]}
    return {"name": f"the zig project: {zig_record}"}


def deb_purl(source, source_version):
    return (f"pkg:deb/debian/{source}@{source_version.replace('+', '%2B')}"
            "?arch=source&distro=debian-12")


def sbom_component(name, component_version, licence, sources, upstream, packages):
    """A linked component as scanners look for it: by its upstream project's
    name and version, and its CPE; the Debian source packages it was built
    from as its ancestors (a cross compiler's: cross-toolchain-base,
    gcc-12-cross), and as its purl where they are the project's own."""
    vendor, product = upstream.split(":")
    # As the compiler names itself where that is no version (mingw-w64's
    # GCC says 12-posix): the upstream part of its Debian package's version.
    if not re.fullmatch(r"[0-9]+(\.[0-9]+)*", component_version) and packages:
        component_version = re.sub(r"^[0-9]+:", "", packages.split()[0].split("=")[1]).split("-")[0]
    ref = f"component:{product}@{component_version}:{sources or zig_record}"
    component = {
        "type": "library", "bom-ref": ref, "name": product, "version": component_version, "description": name,
        "supplier": supplier(sources), "licenses": [{"expression": licence}],
        "cpe": f"cpe:2.3:a:{vendor}:{product}:{component_version}:*:*:*:*:*:*:*"}
    debian = [source.split("=") for source in sources.split()]
    if debian:
        component["pedigree"] = {"ancestors": [
            {"type": "library", "name": source, "version": source_version, "supplier": supplier(sources),
             "purl": deb_purl(source, source_version)} for source, source_version in debian]}
        own = [s for s in debian if "cross" not in s[0]]
        if own:
            component["purl"] = deb_purl(*own[0])
    return ref, component


sbom_components, dependencies, components = [], [], {}
for artifact in sorted(os.listdir("dist")):
    if artifact in ("BUILDINFO", "SHA256SUMS"):
        continue
    digest = hashlib.sha256(open(os.path.join("dist", artifact), "rb").read()).hexdigest()
    assert len(made_in.get(artifact, [])) == 1, f"{artifact}: made in {made_in.get(artifact)}"
    out += ["", artifact, f"  sha256: {digest}", f"  built in: {made_in[artifact][0]}"]
    sbom_components.append({
        "type": "file", "bom-ref": f"artifact:{artifact}", "name": artifact, "version": version,
        "hashes": [{"alg": "SHA-256", "content": digest}],
        "licenses": [{"license": {"name": "BRINDLEX licence (LICENSE, in every package)"}}]})
    linked = []
    if not artifact.startswith(f"brindlex-{version}.tar"):
        for line in open(os.path.join(made_in[artifact][0], "components")):
            ref, component = sbom_component(*line.rstrip("\n").split("\t"))
            components[ref] = component
            linked.append(ref)
    dependencies.append({"ref": f"artifact:{artifact}", "dependsOn": linked})
open("dist/BUILDINFO", "w").write("\n".join(out) + "\n")
epoch = datetime.datetime.fromtimestamp(int(os.environ["SOURCE_DATE_EPOCH"]), datetime.timezone.utc)
sbom = {
    "$schema": "http://cyclonedx.org/schema/bom-1.5.schema.json", "bomFormat": "CycloneDX", "specVersion": "1.5",
    "serialNumber": f"urn:uuid:{uuid.uuid5(uuid.NAMESPACE_URL, 'https://brindlex.example.org/' + commit)}",
    "version": 1,
    "metadata": {"timestamp": epoch.strftime("%Y-%m-%dT%H:%M:%SZ"),
                 "component": {"type": "application", "bom-ref": "BRINDLEX", "name": "BRINDLEX",
                               "version": version, "supplier": {"name": "The BRINDLEX developers"}}},
    "components": sbom_components + [components[ref] for ref in sorted(components)],
    "dependencies": dependencies + [{"ref": ref} for ref in sorted(components)]}
with open(f"dist/brindlex-{version}.cdx.json", "w") as file:
    json.dump(sbom, file, indent=2)
    file.write("\n")
print(f"BUILDINFO and brindlex-{version}.cdx.json: {len(sbom_components)} artifacts from {len(folders)}"
      f" build folders; {len(components)} components linked into their programs")
