#!/usr/bin/env python3
"""quillfen-cli report --json against the schema the README documents.

Runs the real binary on the logs in tests/data and on a log cut short, and
checks every document with jsonschema. A schema that accepts a document with
a required key removed would check nothing, so that is tested too.
Usage: report_schema_test.py QUILLFEN_CLI README.md DATA_DIR
"""
import copy
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
    run.stdout.decode("ascii")  # the document is plain ASCII
    return json.loads(run.stdout)


def main():
    cli, readme, data = sys.argv[1:4]
    schema = readme_schema(readme)
    jsonschema.Draft7Validator.check_schema(schema)
    logs = sorted(str(p) for p in pathlib.Path(data).glob("*.log"))
    with tempfile.TemporaryDirectory() as tmp:
        golden = pathlib.Path(data, "capability_fax.log").read_bytes()
        cut = pathlib.Path(tmp, "cut.log")
        cut.write_bytes(golden[: len(golden) * 2 // 3])
        document = report(cli, logs + [str(cut)])
    jsonschema.validate(document, schema)
    if len(document["logs"]) != len(logs) + 1:
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
