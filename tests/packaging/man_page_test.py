#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A man page against the program it documents.

Every option, action and exit code the program's --help names has an entry
in the page's OPTIONS, ACTIONS and EXIT STATUS sections, and every entry
there is one --help names; so has every profile --list-profiles names, under
PROFILES; every QUILLFEN_ variable --help names is under ENVIRONMENT; and man
formats the page without a warning.

    man_page_test.py PROGRAM PAGE
"""
import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])--[a-z][a-z0-9-]*")


def plain(roff):
    """A roff line as read: no font changes, real hyphens and blanks. The
    alternating-font macros (.BI, .IR, ...) join their arguments."""
    text = re.sub(r"\\f(\(..|\[[^]]*\]|.)", "", roff)
    text = text.replace("\\-", "-").replace("\\&", "")
    macro = re.match(r"\.([BIR]{1,2})\s+", text)
    if macro:
        arguments = re.findall(r'"([^"]*)"|(\S+)', text[macro.end():])
        glue = "" if len(macro.group(1)) == 2 else " "
        text = glue.join(quoted or bare for quoted, bare in arguments)
    return text.replace("\\ ", " ")


def sections(page):
    found, name = {}, None
    for line in page.splitlines():
        if line.startswith(".SH "):
            name = line[4:].strip().strip('"')
            found[name] = []
        elif name:
            found[name].append(line)
    return found


def entries(lines):
    """The headline of each .TP entry."""
    return [plain(lines[i + 1]) for i, line in enumerate(lines[:-1]) if line.startswith(".TP")]


def help_block(help_text, heading):
    """The first words of the indented lines under a heading of --help."""
    words, inside = [], False
    for line in help_text.splitlines():
        if line == heading:
            inside = True
        elif inside and not line.strip():
            break
        elif inside and re.match(r"  \S", line):
            words.append(line.split()[0])
    return words


def compare(what, from_help, from_page, problems, source="--help"):
    for word in sorted(set(from_help) - set(from_page)):
        problems.append(f"{what} {word} is in {source} but has no entry in the man page")
    for word in sorted(set(from_page) - set(from_help)):
        problems.append(f"{what} {word} has an entry in the man page but {source} does not name it")


def main(program, page_path):
    help_text = subprocess.run([program, "--help"], capture_output=True, text=True, check=True).stdout
    with open(page_path, encoding="utf-8") as file:
        page = sections(file.read())
    problems = []

    heads = entries(page.get("OPTIONS", []))
    compare("option", OPTION.findall(help_text), [o for head in heads for o in OPTION.findall(head)], problems)
    if "Actions:" in help_text.splitlines():
        compare("action", help_block(help_text, "Actions:"),
                [head.split()[0] for head in entries(page.get("ACTIONS", []))], problems)
    if "Exit codes:" in help_text.splitlines():
        compare("exit code", help_block(help_text, "Exit codes:"),
                [head.split()[0] for head in entries(page.get("EXIT STATUS", []))], problems)
    if "--list-profiles" in help_text:
        profiles = subprocess.run([program, "--list-profiles"], capture_output=True, text=True, check=True).stdout
        compare("profile", profiles.split(), [head.split()[0] for head in entries(page.get("PROFILES", []))],
                problems, "--list-profiles")
    # --version names the program, the package version and the product's own.
    version = subprocess.run([program, "--version"], capture_output=True, text=True, check=True).stdout
    name = os.path.basename(program).removesuffix(".exe")
    if not re.fullmatch(re.escape(name) + r" \d+\.\d+\.\d+ \(Quillfen \d\d\.\d\d\.\d\d\)\n", version):
        problems.append(f"--version printed {version!r}")
    environment = " ".join(plain(line) for line in page.get("ENVIRONMENT", []))
    for variable in sorted(set(re.findall(r"QUILLFEN_[A-Za-z_]+", help_text))):
        if variable not in environment:
            problems.append(f"{variable} is in --help but not under ENVIRONMENT")

    # The check lintian makes of every man page it finds.
    env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
    man = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z", page_path],
                         capture_output=True, text=True, env=env)
    if man.returncode != 0 or man.stderr.strip():
        problems.append(f"man warns about {page_path}:\n{man.stderr}")

    for problem in problems:
        print(f"{os.path.basename(page_path)}: {problem}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
