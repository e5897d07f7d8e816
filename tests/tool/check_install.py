#!/usr/bin/env python3
"""Installs a build into a scratch prefix and checks what a user gets.

    check_install.py BUILD_DIR PREFIX [CMAKE]

- no RUNPATH (or RPATH) of a program or library, built or installed, holds
  an empty entry or a relative one (every entry starts with / or $ORIGIN):
  an empty entry would make the loader search the current folder;
- the installed hvcn runs and answers --version;
- the man page renders without warnings (man -l, and groff -ww when there);
- the bash completion completes commands, options and option values;
- the documentation is in share/doc/hvcn.
"""
import os
import shutil
import struct
import subprocess
import sys

DT_RPATH, DT_RUNPATH = 15, 29


def search_paths(path):
    """The DT_RPATH and DT_RUNPATH strings of an ELF program or library, or None."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"\x7fELF":
        return None
    wide, order = data[4] == 2, "<" if data[5] == 1 else ">"
    e_type = struct.unpack_from(order + "H", data, 16)[0]
    if e_type not in (2, 3):  # executables and shared objects
        return None
    if wide:
        shoff, = struct.unpack_from(order + "Q", data, 40)
        shentsize, shnum = struct.unpack_from(order + "HH", data, 58)
    else:
        shoff, = struct.unpack_from(order + "I", data, 32)
        shentsize, shnum = struct.unpack_from(order + "HH", data, 46)

    def section(i):
        at = shoff + i * shentsize
        if wide:
            _, kind, _, _, offset, size, link, _, _, entsize = struct.unpack_from(order + "IIQQQQIIQQ", data, at)
        else:
            _, kind, _, _, offset, size, link, _, _, entsize = struct.unpack_from(order + "IIIIIIIIII", data, at)
        return kind, offset, size, link, entsize

    found = []
    for i in range(shnum):
        kind, offset, size, link, entsize = section(i)
        if kind != 6 or not entsize:  # SHT_DYNAMIC
            continue
        strings = section(link)[1]
        for at in range(offset, offset + size, entsize):
            tag, value = struct.unpack_from(order + ("qQ" if wide else "iI"), data, at)
            if tag in (DT_RPATH, DT_RUNPATH):
                end = data.index(b"\0", strings + value)
                found.append(data[strings + value:end].decode())
    return found


def runpath_problems(root):
    problems = []
    for folder, _, files in os.walk(root):
        if "CMakeFiles" in folder:
            continue
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            for value in search_paths(path) or []:
                for entry in value.split(":"):
                    if not entry.startswith(("/", "$ORIGIN", "${ORIGIN}")):
                        problems.append(f"{path}: search path {value!r} holds the entry {entry!r}")
    return problems


def main():
    build, prefix = sys.argv[1], sys.argv[2]
    cmake = sys.argv[3] if len(sys.argv) > 3 else "cmake"
    shutil.rmtree(prefix, ignore_errors=True)
    subprocess.run([cmake, "--install", build, "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    problems = runpath_problems(build) + runpath_problems(prefix)

    env = dict(os.environ, LANG="C.UTF-8", HVCN_PROFILE_DIR=prefix, HVCN_LOG_DIR=prefix, MANPAGER="cat",
               MANWIDTH="80")
    version = subprocess.run([os.path.join(prefix, "bin", "hvcn"), "--version"], capture_output=True, env=env)
    if version.returncode != 0 or not version.stdout.startswith(b"hvcn "):
        problems.append(f"the installed hvcn does not answer --version: {version}")

    page = os.path.join(prefix, "share", "man", "man1", "hvcn.1")
    if not os.path.exists(page):
        problems.append("no man page share/man/man1/hvcn.1")
    else:
        if shutil.which("man"):
            shown = subprocess.run(["man", "-l", page], capture_output=True, env=env)
            if shown.returncode != 0 or b"hvcn parse" not in shown.stdout or shown.stderr:
                problems.append(f"man -l {page} fails: {shown.stderr[:500]!r}")
        if shutil.which("groff"):
            checked = subprocess.run(["groff", "-man", "-Tutf8", "-ww", "-z", page], capture_output=True)
            if checked.returncode != 0 or checked.stderr:
                problems.append(f"groff warns about the man page: {checked.stderr[:500]!r}")

    completion = os.path.join(prefix, "share", "bash-completion", "completions", "hvcn")
    if not os.path.exists(completion):
        problems.append("no bash completion share/bash-completion/completions/hvcn")
    elif shutil.which("bash"):
        for words, expected in ((["hvcn", "pa"], "parse"), (["hvcn", "parse", "--inp"], "--input-encoding"),
                                (["hvcn", "translate", "--to", ""], "0 1 2 3"), (["hvcn", "help", "int"], "internet"),
                                (["hvcn", "validate", "coun"], "country"), (["hvcn", "attr", "--from", "3", "x", "given"],
                                                                           "given-name given-name-tx")):
            script = (f"source '{completion}'; COMP_WORDS=({' '.join(repr(w) for w in words)}); "
                      f"COMP_CWORD={len(words) - 1}; _hvcn; echo \"${{COMPREPLY[*]}}\"")
            got = subprocess.run(["bash", "-c", script], capture_output=True, text=True)
            if got.stdout.strip() != expected:
                problems.append(f"completing {words} gives {got.stdout.strip()!r}{got.stderr}, not {expected!r}")

    for doc in ("README.md", "CHANGELOG.md", "LICENSE", "docs/README.md", "docs/tool.md",
                "docs/explanations.md", "docs/schemas/parse.schema.json"):
        if not os.path.exists(os.path.join(prefix, "share", "doc", "hvcn", doc)):
            problems.append(f"no share/doc/hvcn/{doc}")

    for problem in problems:
        print(problem, file=sys.stderr)
    print("installation checked" + (f": {len(problems)} problems" if problems else ""))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
