#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""quillfen-cli report --json against the schema the README documents.

Runs the real binary on the logs in tests/data, on a log cut short and on
logs whose names are UTF-8 and not UTF-8, and checks every document with
jsonschema. A schema that accepts a document with a required key removed
would check nothing, so that is tested too.
Usage: report_schema_test.py QUILLFEN_CLI README.md DATA_DIR
"""
import copy
import os
import json
import pathlib
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    sys.exit("python3-jsonschema is missing; scripts/install-deps installs it")


def readme_schema(readme):
    text = pathlib.Path(readme).read_text(encoding="utf-8")
    marker = "<!-- report-json-schema -->"
    start = text.index("```json\n", text.index(marker)) + len("```json\n")
    return json.loads(text[start:text.index("\n```", start)])


def report(cli, logs):
    run = subprocess.run([cli, "report", "--json", *logs], capture_output=True, timeout=60)
    if run.returncode != 0:
        sys.exit(f"report --json exited {run.returncode}: {run.stderr.decode(errors='replace')}")
    return json.loads(run.stdout.decode("utf-8"))  # strict: the document is UTF-8


def main():
    cli, readme, data = sys.argv[1:4]
    schema = readme_schema(readme)
    jsonschema.Draft7Validator.check_schema(schema)
    logs = sorted(str(p) for p in pathlib.Path(data).glob("*.log"))
    with tempfile.TemporaryDirectory() as tmp:
        golden = pathlib.Path(data, "capability_fax.log").read_bytes()
        cut = pathlib.Path(tmp, "cut.log")
        cut.write_bytes(golden[: len(golden) * 2 // 3])
        named = pathlib.Path(tmp, "café.log")
        named.write_bytes(golden)
        # A name that is no UTF-8 at all: its stray byte becomes U+FFFD.
        stray = os.path.join(os.fsencode(tmp), b"modem\xff.log")
        with open(stray, "wb") as f:
            f.write(golden)
        document = report(cli, logs + [str(cut), str(named), os.fsdecode(stray)])
    names = [log["file"] for log in document["logs"]]
    if not names[-2].endswith("/café.log") or not names[-1].endswith("/modem\ufffd.log"):
        sys.exit(f"file names not passed through as UTF-8: {names[-2:]!r}")
    jsonschema.validate(document, schema)
    if len(document["logs"]) != len(logs) + 3:
        sys.exit("one object per log expected")
    if not any(test["class1"] for log in document["logs"] for test in log["tests"]):
        sys.exit("no class 1 facts in any log")

    broken = copy.deepcopy(document)
    del broken["logs"][0]["tests"][0]["verdict"]
    try:
        jsonschema.validate(broken, schema)
        sys.exit("the schema accepts a test without its verdict")
    except jsonschema.ValidationError:
        pass
    print(f"{len(document['logs'])} reports valid against the README schema")


main()
