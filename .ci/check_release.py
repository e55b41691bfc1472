#!/usr/bin/python3
"""Checks a release folder's records against each other and against its
files: the SBOM (*.cdx.json) is valid against CycloneDX's official JSON
schema, as its npm library ships it, with Debian's python3-jsonschema; and
SHA256SUMS, BUILDINFO and the SBOM name the same artifacts with the same
SHA-256, each that of the file, computed here with hashlib. Debian's Python,
for its jsonschema.

    .ci/check_release.py DIR SCHEMA_FOLDER"""
import glob
import hashlib
import json
import os
import re
import sys

import jsonschema

folder, schemas = sys.argv[1], sys.argv[2]


def schema(name):
    return json.load(open(os.path.join(schemas, name)))


(sbom_path,) = glob.glob(os.path.join(folder, "*.cdx.json"))
sbom = json.load(open(sbom_path))
bom_schema = schema("bom-1.5.SNAPSHOT.schema.json")
store = {name: schema(name) for name in ("spdx.SNAPSHOT.schema.json", "jsf-0.82.SNAPSHOT.schema.json")}
resolver = jsonschema.RefResolver.from_schema(bom_schema, store={
    "http://cyclonedx.org/schema/" + name: document for name, document in store.items()})
jsonschema.Draft7Validator(bom_schema, resolver=resolver,
                           format_checker=jsonschema.FormatChecker()).validate(sbom)

sums = dict(reversed(line.split()) for line in open(os.path.join(folder, "SHA256SUMS")))
buildinfo = dict(re.findall(r"^(\S+)\n  sha256: ([0-9a-f]{64})$", open(os.path.join(folder, "BUILDINFO")).read(),
                            re.M))
listed = {c["name"]: c["hashes"][0]["content"] for c in sbom["components"] if c["type"] == "file"}
records = os.path.basename(sbom_path), "BUILDINFO"
problems = []
for name in sorted(set(sums) | set(buildinfo) | set(listed)):
    actual = hashlib.sha256(open(os.path.join(folder, name), "rb").read()).hexdigest()
    found = {"SHA256SUMS": sums.get(name), "BUILDINFO": buildinfo.get(name), "the SBOM": listed.get(name)}
    if name in records:
        found = {"SHA256SUMS": found["SHA256SUMS"]}
    wrong = [record for record, digest in found.items() if digest != actual]
    if wrong:
        problems.append(f"{name}: SHA-256 {actual}, but {', '.join(wrong)} give otherwise or nothing")
unlisted = set(os.listdir(folder)) - set(sums) - {"SHA256SUMS"} - {f for f in os.listdir(folder) if f.endswith(".asc")}
problems += [f"{name}: in the folder, not in SHA256SUMS" for name in sorted(unlisted)]
if problems:
    sys.exit("\n".join(problems))
print(f"{folder}: the SBOM valid against CycloneDX 1.5's schema; SHA256SUMS, BUILDINFO and the SBOM agree on"
      f" all {len(listed)} artifacts, and SHA256SUMS on its {len(sums)} files")
