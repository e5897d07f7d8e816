#!/usr/bin/env python3
"""Exports of hvcn.dll: writes the module-definition file and checks the DLL.

The export list is what the subsystems name with hvcn_exports() in CMake,
one name a line. Every name must be declared in api/hvcn.h as

    HVCN_API <type> HVCN_CALL <name>(<parameters>) HVCN_NOEXCEPT;

  def    writes the .def file. On 32-bit Windows the functions are __stdcall,
         whose symbols carry the size of their arguments (hvcnVersion@12);
         the .def names them so, the DLL is linked with --kill-at (exports
         under the plain names) and the import library is made by
         dlltool --kill-at from the same file, so that a caller compiled
         with the header imports hvcnVersion by its plain name.
  check  reads the DLL's tables with objdump -p and fails when a listed name
         is not exported, a name is exported that is not listed, an export
         is decorated, the DLL needs a runtime DLL of the compiler, or a
         program built against the import library imports a decorated name.
"""
import argparse
import re
import subprocess
import sys

# The system DLLs a stand-alone library and its programs may import from.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "shell32.dll",
    "ntdll.dll", "gdi32.dll", "ws2_32.dll",
}

# Parameter types wider than 4 bytes on 32-bit Windows.
EIGHT_BYTE_TYPES = {"int64_t", "uint64_t", "double", "long long", "unsigned long long"}
# Parameter types that take 4 bytes on the stack of a 32-bit __stdcall call.
FOUR_BYTE_TYPES = {
    "int8_t", "uint8_t", "int16_t", "uint16_t", "int32_t", "uint32_t", "char", "signed char",
    "unsigned char", "short", "unsigned short", "int", "unsigned", "unsigned int", "long",
    "unsigned long", "float", "size_t", "bool", "_Bool",
}

DECLARATION = re.compile(
    r"HVCN_API\s+(?P<result>[^;{}()]*?)\s*HVCN_CALL\s+(?P<name>\w+)\s*\((?P<params>[^()]*)\)")


def read_list(path):
    with open(path, encoding="utf-8") as f:
        names = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    seen = set()
    for name in names:
        if name in seen:
            sys.exit(f"{path}: {name} is listed twice")
        seen.add(name)
    return names


def declarations(header):
    """Maps each function declared in the header to its parameter texts."""
    with open(header, encoding="utf-8") as f:
        text = f.read()
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    text = re.sub(r"//[^\n]*", " ", text)
    found = {}
    for m in DECLARATION.finditer(text):
        params = [p.strip() for p in m.group("params").split(",")]
        if params == ["void"] or params == [""]:
            params = []
        found[m.group("name")] = params
    return found


def stack_bytes(name, param):
    """Bytes one argument takes on the stack of a 32-bit __stdcall call."""
    if "*" in param or "[" in param:
        return 4
    words = [w for w in param.split() if w not in ("const", "volatile")]
    # The last word is the parameter's name when more than one word remains
    # and the rest is a known type.
    for candidate in (" ".join(words), " ".join(words[:-1])):
        if candidate in EIGHT_BYTE_TYPES:
            return 8
        if candidate in FOUR_BYTE_TYPES or candidate.startswith("enum "):
            return 4
    sys.exit(f"{name}: cannot size the parameter '{param}' for __stdcall")


def missing_from_header(names, declared):
    return [n for n in names if n not in declared]


def write_def(args):
    names = read_list(args.exports)
    declared = declarations(args.header)
    missing = missing_from_header(names, declared)
    if missing:
        sys.exit(f"not declared in {args.header}: {', '.join(missing)}")
    lines = [f"LIBRARY {args.library}", "EXPORTS"]
    for name in names:
        if args.arch == "x86":
            size = sum(stack_bytes(name, p) for p in declared[name])
            lines.append(f"  {name}@{size}")
        else:
            lines.append(f"  {name}")
    text = "\n".join(lines) + "\n"
    try:
        with open(args.output, encoding="utf-8") as f:
            if f.read() == text:
                return 0
    except FileNotFoundError:
        pass
    with open(args.output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


def objdump(tool, path):
    result = subprocess.run([tool, "-p", path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"{tool} -p {path} failed:\n{result.stderr}")
    return result.stdout


def exported_names(dump):
    """Names of the export table ("[Ordinal/Name Pointer] Table")."""
    names = []
    inside = False
    for line in dump.splitlines():
        if line.startswith("[Ordinal/Name Pointer] Table"):
            inside = True
            continue
        if inside:
            m = re.match(r"\s+\[\s*\d+\]\s+(\S+)", line)
            if not m:
                break
            names.append(m.group(1))
    return names


def imports(dump):
    """Maps each imported DLL (lower case) to the names imported from it."""
    table = {}
    current = None
    for line in dump.splitlines():
        m = re.match(r"\s+DLL Name: (\S+)", line)
        if m:
            current = table.setdefault(m.group(1).lower(), [])
            continue
        if current is None:
            continue
        m = re.match(r"\s+[0-9a-f]+\s+\d+\s+(\S+)$", line)
        if m:
            current.append(m.group(1))
        elif not line.strip() or line.lstrip().startswith("vma:"):
            continue
        else:
            current = None
    return table


def decorated(name):
    return "@" in name or name.startswith("_") or name.startswith("?")


def check(args):
    problems = []
    names = read_list(args.exports)
    declared = declarations(args.header)
    for name in missing_from_header(names, declared):
        problems.append(f"{name} is listed but not declared in {args.header}")

    dump = objdump(args.objdump, args.dll)
    exported = exported_names(dump)
    for name in exported:
        if decorated(name):
            problems.append(f"{args.dll} exports the decorated name {name}")
        elif name not in names:
            problems.append(f"{args.dll} exports {name}, which is not in the export list")
    for name in names:
        if name not in exported:
            problems.append(f"{args.dll} does not export {name}")

    for path in [args.dll] + (args.standalone or []):
        for dll in imports(objdump(args.objdump, path)):
            if dll not in SYSTEM_DLLS:
                problems.append(f"{path} needs {dll}: it does not stand alone")

    library = args.dll.replace("\\", "/").rsplit("/", 1)[-1].lower()
    for program in args.consumer or []:
        used = imports(objdump(args.objdump, program)).get(library)
        if not used:
            problems.append(f"{program} imports nothing from {library}")
            continue
        for name in used:
            if decorated(name) or name not in names:
                problems.append(f"{program} imports {name} from {library}")

    if problems:
        print("\n".join(problems))
        return 1
    print(f"{library}: {len(exported)} exports under their plain names: {' '.join(sorted(exported))}")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    d = sub.add_parser("def", help="write the module-definition file")
    d.add_argument("--exports", required=True)
    d.add_argument("--header", required=True)
    d.add_argument("--arch", choices=["x86", "x64"], required=True)
    d.add_argument("--library", default="hvcn.dll")
    d.add_argument("--output", required=True)
    c = sub.add_parser("check", help="check the DLL's export table")
    c.add_argument("--objdump", required=True)
    c.add_argument("--exports", required=True)
    c.add_argument("--header", required=True)
    c.add_argument("--dll", required=True)
    c.add_argument("--standalone", action="append", help="another DLL that must stand alone")
    c.add_argument("--consumer", action="append", help="a program linked with the import library")
    args = parser.parse_args()
    return write_def(args) if args.command == "def" else check(args)


if __name__ == "__main__":
    sys.exit(main())
