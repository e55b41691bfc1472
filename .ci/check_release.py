#!/usr/bin/python3
"""Checks a release folder: the SBOM (*.cdx.json) is valid against
CycloneDX's official JSON schema, as its npm library ships it, with Debian's
python3-jsonschema; and its records agree with each other and its files, as
sign-release checks them before it signs (packaging/release-records check).
Debian's Python, for its jsonschema.

    .ci/check_release.py DIR SCHEMA_FOLDER"""
import glob
import json
import os
import subprocess
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
records = os.path.join(os.path.dirname(__file__), "..", "packaging", "release-records")
if subprocess.run([sys.executable, records, "check", folder]).returncode != 0:
    sys.exit(f"{folder}: its records do not agree with its files")
artifacts = [c for c in sbom["components"] if c["type"] == "file"]
print(f"{folder}: the SBOM valid against CycloneDX 1.5's schema; SHA256SUMS, BUILDINFO and the SBOM agree with"
      f" the files on all {len(artifacts)} artifacts")
