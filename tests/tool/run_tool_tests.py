#!/usr/bin/env python3
"""Runs the golden cases of the hvcn tool (tests/data/tool_*.txt).

    run_tool_tests.py --tool PATH [--emulator PROGRAM] [--windows] FILE...

Each case runs the tool (through the emulator when given, e.g. the Wine
runner of a Windows build) in an empty working folder of its own, with a
known environment: LANG=C.UTF-8, no registry, HVCN_PROFILE_DIR, HVCN_LOG_DIR
and HOME pointing into the case's scratch folder {root}. The working folder
must be empty afterwards (a Windows library may leave its log tnname.log
there, as it does on Windows). CR LF in the output counts as LF.

A case is a block of lines, each a marker and its text:

    == title            starts a case
    $ ARGS              the command line (shell words)
    < TEXT              a line of standard input ("<|" without its newline)
    > TEXT              a line of standard output: the output is exactly these
    >~ REGEX            a line of standard output matches (re.search)
    ! TEXT, !~ REGEX    the same for standard error (without either it must
                        be empty)
    ? N                 the exit status (default 0)
    @ CHECK             json: every output line is strict JSON; json-names:
                        also one object per input line whose name (nameHex
                        when given) is that line's bytes; jobs: --jobs 1, 2
                        and 3 give the same bytes, into a pipe and into a
                        file after a line it holds; repeat N: the input N
                        times; env NAME=VALUE or env NAME (unset); profile
                        KEY=VALUE: a TNUAL.INI line; workfile NAME=TEXT: a
                        file the working folder holds before and keeps; file
                        PATH / nofile PATH: below {root} after the run;
                        copy: the tool runs from a copy of bin/ and lib/
                        without the resource libraries; posix: not on Windows;
                        certificate NAME: the certificate NAME (made at
                        test time by tests/ber/check_certificates.py --make
                        with --certificates; the case is skipped without)
                        in the working folder, which keeps it;
                        full: also run with standard output a full device
                        (posix): exit status 1 and "the output could not be
                        written" on standard error; memory N: the tool's
                        address space limited to N KiB (native, unsanitized
                        posix builds only)

With --schemas DIR every line a case prints with --json is checked against
DIR/COMMAND.schema.json (JSON Schema, draft 2020-12, python3-jsonschema),
and every schema there must be used by some case.

In texts and shell words \\xHH, \\t, \\r, \\n and \\\\ stand for the byte; a
REGEX is a Python regular expression on the bytes as they stand.
"""
import argparse
import json
import os
import re
import resource
import stat
import shlex
import shutil
import subprocess
import sys
import tempfile

ESCAPE = re.compile(rb"\\(x[0-9a-fA-F]{2}|[tnr\\])")


def unescape(text):
    raw = text.encode("utf-8", "surrogateescape") if isinstance(text, str) else text
    simple = {b"t": b"\t", b"n": b"\n", b"r": b"\r", b"\\": b"\\"}
    return ESCAPE.sub(lambda m: bytes([int(m.group(1)[1:], 16)]) if m.group(1)[:1] == b"x"
                      else simple[m.group(1)], raw)


class Case:
    def __init__(self, where, title):
        self.where, self.title = where, title
        self.args, self.stdin, self.status = None, [], 0
        self.out, self.out_re, self.err, self.err_re = [], [], [], []
        self.checks, self.env, self.profile, self.workfiles = set(), {}, [], {}
        self.files, self.nofiles, self.repeat, self.last_newline = [], [], 1, True
        self.memory = None
        self.certificates = []


def read_cases(path):
    cases, case = [], None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            marker, _, text = line.partition(" ")
            where = f"{os.path.basename(path)}:{number}"
            if marker == "==" or (marker == "$" and case and case.args is not None):
                case = Case(where, text if marker == "==" else line)
                cases.append(case)
            if case is None:
                raise SystemExit(f"{where}: a case starts with '==' or '$'")
            if marker == "$":
                case.args = [unescape(word) for word in shlex.split(text)]
            elif marker in ("<", "<|"):
                case.stdin.append(unescape(text))
                case.last_newline = marker == "<"
            elif marker in (">", "!"):
                (case.out if marker == ">" else case.err).append(unescape(text))
            elif marker in (">~", "!~"):
                (case.out_re if marker == ">~" else case.err_re).append(re.compile(text.encode("utf-8", "surrogateescape"), re.M))
            elif marker == "?":
                case.status = int(text)
            elif marker == "@":
                word, _, value = text.partition(" ")
                name, eq, setting = value.partition("=")
                if word == "env":
                    case.env[name] = setting if eq else None
                elif word == "profile":
                    case.profile.append(value)
                elif word == "workfile":
                    case.workfiles[name] = unescape(setting)
                elif word in ("file", "nofile"):
                    (case.files if word == "file" else case.nofiles).append(value)
                elif word == "repeat":
                    case.repeat = int(value)
                elif word == "memory":
                    case.memory = int(value)
                elif word == "certificate":
                    case.certificates.append(value)
                else:
                    case.checks.add(word)
            elif marker != "==":
                raise SystemExit(f"{where}: unknown marker {marker!r}")
    return cases


def stdin_of(case):
    data = b"\n".join(case.stdin) + (b"\n" if case.stdin and case.last_newline else b"")
    return data * case.repeat


def full_device(root):
    """A device that refuses every write: one made in the scratch folder
    (as root), else the system's, opened for writing only."""
    path = os.path.join(root, "full")
    try:
        os.mknod(path, stat.S_IFCHR | 0o600, os.makedev(1, 7))
    except OSError:
        path = "/dev/full"
    return open(path, "wb")


def run(case, options, root, args, to_file=False, full=False):
    work = os.path.join(root, "work")
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("HVCN_", "LC_", "XDG_")) and k not in ("LANG", "HOME")}
    env.update(LANG="C.UTF-8", HOME=os.path.join(root, "home"),
               HVCN_PROFILE_DIR=os.path.join(root, "profile"), HVCN_LOG_DIR=os.path.join(root, "logs"))
    for name, value in case.env.items():
        if value is None:
            env.pop(name, None)
        else:
            env[name] = value.replace("{root}", root)
    tool = options.tool
    if "copy" in case.checks:
        tool = copy_tool(options, root)
    emulator = options.emulator.split("|") if options.emulator else []
    command = emulator + [tool] + args
    if options.emulator:
        # An emulator's server (Wine's) started by the run itself would hold
        # the output pipes open after the tool ends: have it running first.
        subprocess.run(emulator + [tool, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    crlf = lambda data: data.replace(b"\r\n", b"\n")
    limit = None
    if case.memory:
        limit = lambda: resource.setrlimit(resource.RLIMIT_AS, (case.memory * 1024, case.memory * 1024))
    if full:
        with full_device(root) as out:
            result = subprocess.run(command, input=stdin_of(case), cwd=work, env=env, stdout=out,
                                    stderr=subprocess.PIPE, timeout=300)
        return result.returncode, b"", crlf(result.stderr)
    if to_file:
        # Standard output a file that already holds a line: the output must
        # follow it (the workers then write into the file themselves).
        path = os.path.join(root, "stdout.txt")
        with open(path, "wb") as out:
            out.write(b"before\n")
            out.flush()
            result = subprocess.run(command, input=stdin_of(case), cwd=work, env=env, stdout=out,
                                    stderr=subprocess.PIPE, timeout=300)
        with open(path, "rb") as out:
            data = out.read()
        os.remove(path)
        if not data.startswith(b"before\n"):
            data = b"(the line before was overwritten)\n" + data
        return result.returncode, crlf(data[len(b"before\n"):]), crlf(result.stderr)
    result = subprocess.run(command, input=stdin_of(case), cwd=work, env=env, capture_output=True, timeout=300,
                            preexec_fn=limit)
    if options.emulator and result.returncode != 0 and not result.stdout and not result.stderr:
        # Now and then a program under Wine starts without its standard
        # handles and fails without a word: once more.
        result = subprocess.run(command, input=stdin_of(case), cwd=work, env=env, capture_output=True, timeout=300)
    return result.returncode, crlf(result.stdout), crlf(result.stderr)


def copy_tool(options, root):
    """The tool and the library alone, as an install without resource libraries."""
    tool_dir = os.path.dirname(os.path.abspath(options.tool))
    lib_dir = options.lib_dir or os.path.join(tool_dir, "..", "lib")
    copy = os.path.join(root, "copy")
    os.makedirs(os.path.join(copy, "bin"))
    os.makedirs(os.path.join(copy, "lib"))
    for name in os.listdir(lib_dir if not options.windows else tool_dir):
        if name.startswith(("libhvcn.so", "hvcn.dll")):
            source = lib_dir if not options.windows else tool_dir
            shutil.copy2(os.path.join(source, name), os.path.join(copy, "bin" if options.windows else "lib", name),
                         follow_symlinks=False)
    target = os.path.join(copy, "bin", os.path.basename(options.tool))
    shutil.copy2(options.tool, target)
    return target


def lines(data):
    if not data:
        return []
    return data.split(b"\n")[:-1] if data.endswith(b"\n") else data.split(b"\n")


def json_problems(case, out):
    problems = []
    objects = []
    for number, line in enumerate(lines(out), 1):
        try:
            objects.append(json.loads(line.decode("utf-8", "strict"),
                                      parse_constant=lambda c: (_ for _ in ()).throw(ValueError(c))))
        except ValueError as error:
            problems.append(f"output line {number} is not strict JSON ({error}): {line!r}")
    if "json-names" in case.checks and not problems:
        inputs = lines(stdin_of(case))
        if len(objects) != len(inputs):
            problems.append(f"{len(objects)} objects for {len(inputs)} input lines")
        for number, (obj, given) in enumerate(zip(objects, inputs), 1):
            key = "name" if "name" in obj else "input"
            name = bytes.fromhex(obj[key + "Hex"]) if key + "Hex" in obj else obj[key].encode("utf-8")
            if name != given.rstrip(b"\r"):
                problems.append(f"object {number} gives back {name!r}, not the input {given!r}")
    return problems


class Schemas:
    """The tool's JSON Schemas (docs/schemas), one per command."""

    def __init__(self, folder):
        from jsonschema import Draft202012Validator
        from referencing import Registry, Resource
        self.schemas = {}
        resources = []
        for name in sorted(os.listdir(folder)):
            if name.endswith(".schema.json"):
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    schema = json.load(f)
                Draft202012Validator.check_schema(schema)
                self.schemas[name[:-len(".schema.json")]] = schema
                resources.append((schema["$id"], Resource.from_contents(schema)))
        registry = Registry().with_resources(resources)
        self.validators = {name: Draft202012Validator(schema, registry=registry)
                           for name, schema in self.schemas.items() if name != "common"}
        self.used = set()

    def problems(self, command, out):
        validator = self.validators.get(command)
        if validator is None:
            return [f"no JSON schema for {command}"]
        self.used.add(command)
        found = []
        for number, line in enumerate(lines(out), 1):
            try:
                value = json.loads(line.decode("utf-8", "surrogateescape"))
            except ValueError:
                continue  # json_problems says so where JSON was promised
            for error in validator.iter_errors(value):
                found.append(f"output line {number} does not fit {command}.schema.json: {error.message} "
                             f"(at {'/'.join(map(str, error.absolute_path)) or 'the object'})")
        return found


def check(case, options):
    problems = []
    root = tempfile.mkdtemp(prefix="hvcn-tool-")
    try:
        for folder in ("work", "profile", "logs", "home"):
            os.makedirs(os.path.join(root, folder))
        if case.profile:
            with open(os.path.join(root, "profile", "TNUAL.INI"), "w") as f:
                f.write("[NameParsing]\n" + "".join(line.replace("{root}", root) + "\n" for line in case.profile))
        for name in case.certificates:
            with open(os.path.join(options.certificates, name), "rb") as f:
                case.workfiles[name] = f.read()
        for name, text in case.workfiles.items():
            with open(os.path.join(root, "work", name), "wb") as f:
                f.write(text)
        status, out, err = run(case, options, root, case.args)
        if status != case.status:
            problems.append(f"exit status {status}, expected {case.status}")
        for stream, data, exact, patterns in (("output", out, case.out, case.out_re),
                                              ("error output", err, case.err, case.err_re)):
            if exact and lines(data) != exact:
                problems.append(f"{stream}:\n  got      " + "\n           ".join(map(repr, lines(data))) +
                                "\n  expected " + "\n           ".join(map(repr, exact)))
            for pattern in patterns:
                if not pattern.search(data):
                    problems.append(f"{stream} has no line matching {pattern.pattern!r}: {data[:2000]!r}")
            if stream == "error output" and not exact and not patterns and data and "any-error" not in case.checks:
                problems.append(f"unexpected error output: {data[:2000]!r}")
        if {"json", "json-names"} & case.checks:
            problems += json_problems(case, out)
        if options.schemas and b"--json" in case.args and status != 2:
            problems += options.schemas.problems(case.args[0].decode(), out)
        if "full" in case.checks and not options.windows:
            again = run(case, options, root, case.args, full=True)
            if again[0] != 1 or b"the output could not be written\n" not in again[2]:
                problems.append(f"into a full device: exit status {again[0]}, error output {again[2][:500]!r}")
        if "jobs" in case.checks:
            for jobs, to_file in (("1", False), ("2", False), ("3", False), ("2", True), ("3", True)):
                again = run(case, options, root, case.args[:1] + [b"--jobs", jobs.encode()] + case.args[1:], to_file)
                if again != (status, out, err):
                    problems.append(f"--jobs {jobs} gives other results" + (" into a file" if to_file else ""))
        left = sorted(os.listdir(os.path.join(root, "work")))
        if options.windows and "tnname.log" in left and "tnname.log" not in case.workfiles:
            left.remove("tnname.log")  # Windows keeps the library's log in the current folder
        if left != sorted(case.workfiles):
            problems.append(f"the working folder holds {left} afterwards")
        for name, text in case.workfiles.items():
            with open(os.path.join(root, "work", name), "rb") as f:
                if f.read() != text:
                    problems.append(f"{name} in the working folder was changed")
        for path in case.files:
            if not os.path.exists(os.path.join(root, path)):
                problems.append(f"{path} was not written")
        for path in case.nofiles:
            if os.path.exists(os.path.join(root, path)):
                problems.append(f"{path} was written")
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--emulator", help="runs the tool: the program and its arguments joined by '|' "
                        "(a Windows build's Wine runner, qemu-i386 for the 32-bit Linux build)")
    parser.add_argument("--windows", action="store_true", help="the tool is a Windows program")
    parser.add_argument("--lib-dir", help="the folder of the library (default: ../lib beside the tool)")
    parser.add_argument("--sanitized", action="store_true", help="the tool is built with sanitizers (no memory limits)")
    parser.add_argument("--schemas", help="the folder of the JSON Schemas of --json (docs/schemas)")
    parser.add_argument("--certificates", help="the Python with python3-pyasn1-modules that makes the certificates "
                        "of the cases (tests/ber/check_certificates.py --make; openssl on the PATH)")
    parser.add_argument("files", nargs="+")
    options = parser.parse_args()
    scratch = None
    if options.certificates:
        scratch = tempfile.mkdtemp(prefix="hvcn-certificates-")
        script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ber", "check_certificates.py")
        subprocess.run([options.certificates, script, "--make", scratch], check=True,
                       env=dict(os.environ, PYTHONDONTWRITEBYTECODE="1"))
        options.certificates = scratch
    if options.schemas:
        options.schemas = Schemas(options.schemas)
    failed = total = skipped = 0
    skipped_commands = set()
    for path in options.files:
        for case in read_cases(path):
            if options.windows and "posix" in case.checks:
                continue
            if case.memory and (options.windows or options.emulator or options.sanitized):
                continue
            if case.certificates and not (options.certificates and all(
                    os.path.exists(os.path.join(options.certificates, name)) for name in case.certificates)):
                skipped += 1
                skipped_commands.add(case.args[0].decode())
                continue
            total += 1
            problems = check(case, options)
            if problems:
                failed += 1
                print(f"FAIL {case.where}: {case.title}\n  " + "\n  ".join(problems), file=sys.stderr)
    if options.schemas:
        unused = sorted(set(options.schemas.validators) - options.schemas.used - skipped_commands)
        if unused:
            failed += 1
            print(f"FAIL: no case checks the JSON of {', '.join(unused)}", file=sys.stderr)
    if scratch:
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"{total - failed} of {total} tool cases passed" +
          (f" ({skipped} skipped: no --certificates)" if skipped else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
