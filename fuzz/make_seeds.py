#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target from the golden test data.

Each golden case becomes an input in the layout that its target reads
(selector bytes first, then texts), so the fuzzers start from every case
the tests know, and the replay tests run every golden case through the
fuzz targets' property checks. Findings that were fixed live on as golden
cases, and so as seeds too.

    make_seeds.py --data tests/data --out build/.../seeds
"""
import argparse
import hashlib
import os
import shutil
import struct
import sys


def unescape(field):
    """The escapes of tests/support/golden.cpp: \\t \\n \\r \\\\ \\xHH."""
    out = bytearray()
    data = field.encode("utf-8", "surrogateescape")
    i = 0
    hexdigits = b"0123456789abcdefABCDEF"
    while i < len(data):
        c = data[i]
        if c != 0x5C or i + 1 == len(data):
            out.append(c)
            i += 1
            continue
        n = data[i + 1]
        if n == ord("t"):
            out.append(9); i += 2
        elif n == ord("n"):
            out.append(10); i += 2
        elif n == ord("r"):
            out.append(13); i += 2
        elif n == 0x5C:
            out.append(0x5C); i += 2
        elif n == ord("x") and i + 3 < len(data) and data[i + 2] in hexdigits and data[i + 3] in hexdigits:
            out.append(int(data[i + 2:i + 4].decode(), 16)); i += 4
        else:
            out.append(c); i += 1
    return bytes(out)


def rows(data_dir, name):
    """The rows of a golden file as lists of unescaped fields."""
    path = os.path.join(data_dir, name)
    if not os.path.exists(path):
        return []
    cases = []
    with open(path, "rb") as f:
        for raw in f.read().decode("utf-8", "surrogateescape").split("\n"):
            line = raw[:-1] if raw.endswith("\r") else raw
            if not line or line.startswith("#"):
                continue
            cases.append([unescape(x) for x in line.split("\t")])
    return cases


def golden(data_dir, name):
    """The cases of a golden file, and the regressions.txt rows of its kind."""
    kind = name[:-len(".txt")].encode()
    return rows(data_dir, name) + [x[2:] for x in rows(data_dir, "regressions.txt") if len(x) > 2 and x[1] == kind]


def script_arguments(data_dir, commands):
    """The first argument of every row of the scripts (and of the script rows
    of regressions.txt) whose command is one of `commands`."""
    fields = []
    for name in sorted(os.listdir(data_dir)):
        if name.startswith("script_"):
            fields += [x for x in rows(data_dir, name)]
    for x in rows(data_dir, "regressions.txt"):
        if len(x) > 2 and x[1] == b"script":
            row = []
            for field in x[2:] + [b";"]:
                if field == b";":
                    fields.append(row)
                    row = []
                else:
                    row.append(field)
    return [strip_nul(x[1]) for x in fields if len(x) > 1 and x[0] in commands and x[1] != b"NULL"]


def u16(v):
    return struct.pack("<H", v & 0xFFFF)


def i32(v):
    return struct.pack("<i", v)


def strip_nul(b):
    return b.split(b"\0", 1)[0]


class Corpus:
    def __init__(self, out):
        self.out = out
        self.targets = {}

    def add(self, target, data):
        self.targets.setdefault(target, set()).add(bytes(data))

    def write(self):
        for target, inputs in self.targets.items():
            folder = os.path.join(self.out, target)
            if os.path.isdir(folder):
                shutil.rmtree(folder)
            os.makedirs(folder)
            for data in inputs:
                name = hashlib.sha1(data).hexdigest()
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)


FORMATS_EXTRA = [b"%(CANON)%(EFA)%(X400)", b"%(116)%(CANON)", b"%(Dept)%(116)%(1)/%(24)", b""]

DEFAULT_FORMAT = b"%(CANON)%(EFA)%(X400)"

# A few typed names beyond the golden cases: teletex, escapes and the parts
# of the default format together.
TYPED_NAMES_EXTRA = [
    b"Smith, John (ext-42) /o=Org/c=US",
    b"Smith, J.R. Jr.",
    b"Smith, John /ou=Sales,Dev/o=Org/c=GB/a=ADMD/p=PRMD",
    b"(RFC-822 a@b) /c=US",
    b"M\xc3\xbcller, J\xc3\xbcrgen /o=Firma/c=DE",
    b"Smith\\, Jones, Ann",
    b"Lee, Ann /dd.x=y/c=US",
]


# Profiles beyond the golden ones: a comment line looked up by its own key,
# CR LF and CR CR LF endings, a NUL in a value, sections met twice.
PROFILE_SEEDS = [
    (b";LogFile", b"[NameParsing]\n;LogFile=commented\n ; LogFile = also\n"),
    (b"LogFile", b"[NameParsing]\r\r\nLogFile=a\0b\r\n[Other]\nLogFile=c\n[nameparsing]\nLogFile=d\n"),
    (b"LogLevel", b"[Other]\nLogLevel=1\n[ NameParsing ]\nX=1\n[Other]\n[NameParsing]\nLogLevel = '2' \n"),
]

# REGEDIT4 files of the tests (tests/core_os_test.cpp, startup_test.cpp,
# core_config_test.cpp): key path, value name, current-user root, text.
_VALUES = (b'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\hvcn-tests\\Values]\r\n'
           b'"Text"="C:\\\\Program Files\\\\Office16\\\\"\r\n"Number"=dword:00000410\r\n\r\n'
           b'[HKEY_LOCAL_MACHINE\\Software\\hvcn-tests\\Values]\r\n"Text"="machine"\r\n')
_OFFICE = (b'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE]\n'
           b'@="C:\\\\outlook.exe"\n"Path"="C:\\\\Program Files\\\\Microsoft Office\\\\root\\\\Office16\\\\"\n\n'
           b'[HKCU\\Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources\\]\n"UILanguage"=dword:00000410\n'
           b'"InstallLanguage"=dword:00000409\n"UILanguage"="second"\n')
REGISTRY_SEEDS = [
    (b"Software\\hvcn-tests\\Values", b"Text", True, _VALUES),
    (b"Software\\hvcn-tests\\Values", b"number", True, _VALUES),
    (b"Software\\hvcn-tests\\Values", b"Text", False, _VALUES),
    (b"Software\\hvcn-tests\\Missing", b"Text", True, _VALUES),
    (b"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE", b"Path", False, _OFFICE),
    (b"Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources", b"UILanguage", True, _OFFICE),
    (b"Software\\Microsoft\\Office\\16.0\\Common\\LanguageResources", b"InstallLanguage", True, _OFFICE),
    (b"Software\\x", b'Quoted "name"', False, b'[HKLM\\Software\\x]\n  "Quoted \\"name\\"" = "v\\"\\\\" \n'),
    (b"Software\\x", b"n", False, b'[HKLM\\Software\\x]\n"n"=dword:\n"n"=dword:1\n'),
    (b"Software\\x", b"n", False, b'[HKLM\\Software\\x]\n"n"=dword:100000000\n'),
]


def golden_format(field):
    """A format column of the golden data: "-" is the default format."""
    field = strip_nul(field)
    return DEFAULT_FORMAT if field == b"-" else field


def typed_names(data_dir):
    """(format, name, complete, prefer teletex) of every typed name in the
    parser's and the formatter's golden data."""
    names = []
    for x in golden(data_dir, "parse_names.txt"):
        if len(x) >= 4:
            names.append((golden_format(x[0]), strip_nul(x[3]), b"C" in x[1], b"T" in x[1]))
    for x in golden(data_dir, "readings.txt"):
        if len(x) >= 3:
            names.append((golden_format(x[0]), strip_nul(x[2]), b"C" in x[1], b"T" in x[1]))
    for x in golden(data_dir, "format_names.txt"):
        if len(x) >= 6 and x[0] == b"typed":
            names.append((golden_format(x[1]), strip_nul(x[2]), b"open" not in x[5], False))
    names += [(DEFAULT_FORMAT, n, True, False) for n in TYPED_NAMES_EXTRA]
    names += [(DEFAULT_FORMAT, n, True, False) for n in script_arguments(data_dir, (b"parse", b"fresh"))]
    return names


def parse_name_seed(type_, fmt, name, complete, prefer, out_size=256):
    """An input of the parse_name target: internal type, call flags (0x01
    complete, 0x02 prefer teletex, 0x08 reinterpret), the format string
    (0xFF and the text), settings, the output size, the name."""
    call = (0x01 if complete else 0) | (0x02 if prefer else 0) | (0x08 if type_ else 0)
    return bytes([type_, call, 0xFF]) + fmt + b"\0" + b"\0" + u16(out_size) + name


def format_name_seed(source, flags, settings, size, in_fmt, out_fmt, escapes, name):
    """An input of the format_name target: source (internal type, 0 typed;
    0x04 an escape list follows), call flags, the input format string (0xFF
    and the text), settings (fuzz_support.h), the buffer size, the output
    format string, [the escape list,] the name."""
    escape = escapes is not None
    data = bytes([source | (0x04 if escape else 0), flags, 0xFF]) + in_fmt + b"\0" + bytes([settings])
    data += u16(max(size, 1) - 1) + out_fmt + b"\0"
    if escape:
        data += escapes + b"\0"
    return data + name


# The settings byte of fuzz_support.h.
FORMAT_SETTINGS = {b"7bit": 0x01, b"noreconfig": 0x04, b"noforeign": 0x10, b"outags": 0x20, b"personal": 0x40}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--data", required=True, help="folder of the golden test data")
    parser.add_argument("--out", required=True, help="folder that receives one folder per target")
    parser.add_argument("--stamp", help="file touched when done")
    args = parser.parse_args()
    c = Corpus(args.out)

    # error_text: code, text size, version size.
    for code in list(range(-1, 33)) + [99, 100, -2147483648]:
        for size in (0, 1, 5, 64, 256):
            c.add("error_text", i32(code) + u16(size) + bytes([size % 16]))

    # validate: which, maximum, ID, value.
    which_of = {"P": 0, "N": 1, "S": 2, "T": 3}
    for case in golden(args.data, "validate.txt"):
        check, maximum, value = case[0].decode(), int(case[1]), strip_nul(case[2])
        max_bytes = bytes([maximum & 0xFF]) if -128 <= maximum < 127 else b"\xff" + i32(maximum)
        if check in which_of:
            c.add("validate", bytes([which_of[check]]) + max_bytes + b"\0" + value)
        else:
            c.add("validate", b"\x04" + max_bytes + b"\xff" + i32(int(check)) + value)

    # Format strings from every golden file that has them.
    format_strings = [strip_nul(x[0]) for x in golden(args.data, "format_strings.txt")]
    format_strings += [strip_nul(x[0]) for x in golden(args.data, "rs_lists.txt")]
    format_strings += script_arguments(args.data, (b"parsefs", b"input", b"output"))
    format_strings += FORMATS_EXTRA
    for fs in format_strings:
        c.add("format_string", b"\x06\x00/" + fs + b"\0" + fs + b"\0" + fs)
        c.add("format_string", b"\x07\x03#" + FORMATS_EXTRA[0] + b"\0" + fs + b"\0" + fs)
        c.add("format_string", b"\x16\x00/" + fs + b"\0" + fs + b"\0" + fs)
        c.add("rs_list", b"\x00\x80" + u16(1024) + fs)
        c.add("rs_list", b"\x00\x00" + u16(20) + fs)

    # format_info: the golden format strings with every get, and the sets
    # of the documented cases.
    gets = b"".join(bytes([0x20 | t]) + u16(64) for t in range(0, 19))
    small_gets = b"".join(bytes([0x20 | t]) + u16(3) for t in (1, 2, 3, 7, 8))
    sets = [
        b"\x01" + b"\x03\x50\x3c\x00",              # output IDs: 24-ish, -4, 0
        b"\x02116,,24\0",                           # reconfigured list
        b"\x02Dept,surname,,3,4,5\0",
        b"\x03" + i32(50), b"\x03" + i32(0),         # mask
        b"\x04#", b"\x04\x09", b"\x05;", b"\x06?",    # separators, wildcard
        b"\x07/,= ()abcdefghi\0", b"\x07/,= ()abcdefghij\0",
        b"\x08" + i32(1), b"\x0a" + i32(0), b"\x11" + i32(7),
        b"\x10\x10dd.\0", b"\x10\x10dd\0", b"\x10\x12x.\0", b"\x10\x1acn\0", b"\x10\x09abcdefghij\0",
        b"\x0f" + i32(1), b"\x00" + i32(1), b"\x13" + i32(1),
    ]
    for fs in format_strings[:40]:
        c.add("format_info", b"\xff" + fs + b"\0" + gets)
    for i, s in enumerate(sets):
        c.add("format_info", bytes([i % 8]) + s + gets + small_gets)
        c.add("format_info", bytes([i % 8]) + bytes([s[0] | 0x40]) + s[1:] + gets)

    # Internal names: decoded in their own type, with each setting.
    internal = [(int(x[0]), strip_nul(x[1])) for x in golden(args.data, "internal_names.txt")]
    internal += [(2, strip_nul(x[0])) for x in golden(args.data, "gsetb_names.txt")]
    for type_, text in internal:
        # Written in the standard forms (the orname target's decoded names).
        c.add("orname", bytes([0x80 | type_]) + u16(256) + text + b"\0")
        # type byte (0x08 leave out empty values), format, settings
        for head, fmt, settings in ((0, 0, 0), (0, 0, 1), (0, 0, 2), (8, 0, 0), (0, 1, 0), (0, 4, 0)):
            c.add("translate", bytes([type_ | head, fmt, settings]) + u16(len(text) + 3) + text)
        lookups = b"".join(bytes([i]) + u16(64) for i in range(0, 0x60, 3))
        lookups += b"\x60" + u16(64) + b"\x61" + u16(64) + b"\x81" + u16(8)
        lookups += b"\xa0Dept\0" + u16(64) + b"\xa1dept\0" + u16(3) + b"\xa2167\0" + u16(64)
        c.add("attribute_value", bytes([type_, 1]) + text + b"\0" + lookups)

    # Internet names, typed and in type 2.
    for x in golden(args.data, "internet_names.txt") + golden(args.data, "internet_normalise.txt"):
        c.add("internet", b"\x00" + strip_nul(x[0]))
    for x in golden(args.data, "gsetb_names.txt"):
        c.add("internet", b"\x01" + strip_nul(x[0]))

    # RS lists as the golden cases ask for them.
    forms = {"usual": 0x80, "user": 0x00, "7bit": 0x81}
    for x in golden(args.data, "rs_lists.txt"):
        c.add("rs_list", bytes([0, forms.get(x[1].decode(), 0)]) + u16(int(x[2])) + strip_nul(x[0]))

    # Typed names for the parser, from its golden data, in every internal
    # type and with a small output buffer as well.
    names = typed_names(args.data)
    for fmt, name, complete, prefer in names:
        for type_ in range(4):
            c.add("parse_name", parse_name_seed(type_, fmt, name, complete, prefer))
        c.add("parse_name", parse_name_seed(2, fmt, name, complete, prefer, out_size=len(name) // 2 + 1))
        if fmt == DEFAULT_FORMAT and complete:
            # Written in the standard forms (the orname target's typed names).
            c.add("orname", (b"\xa0" if prefer else b"\x80") + u16(256) + name + b"\0")

    # The formatter: the golden cases with their settings, flags and the
    # smallest buffer that holds the result (and one byte less), then every
    # typed and internal name under its own format, rebuilt from the values.
    sources = {b"typed": 0, b"1": 1, b"2": 2, b"3": 3, b"none": 0}
    for x in golden(args.data, "format_names.txt"):
        if len(x) < 9 or x[0] not in sources:
            continue
        flags = (0x02 if b"R" in x[4] else 0) | (0x04 if b"E" in x[4] else 0)
        settings, escapes = 0, None
        for item in x[5].split(b","):
            settings |= FORMAT_SETTINGS.get(item, 0)
            if item.startswith(b"escapes="):
                escapes = item[len(b"escapes="):]
        out_fmt = b"" if x[3] == b"-" else strip_nul(x[3])
        name = b"" if x[0] == b"none" else strip_nul(x[2])
        minimum = int(x[8]) if x[8].isdigit() else 256
        for size in (minimum, minimum - 1, 256):
            c.add("format_name", format_name_seed(sources[x[0]], flags, settings, size, golden_format(x[1]), out_fmt,
                                                  escapes, name))
    for fmt, name, complete, prefer in names:
        for flags in (0x00, 0x02, 0x06):
            c.add("format_name", format_name_seed(0, flags, 0x00, 256, fmt, b"", None, name))
    for type_, text in internal:
        c.add("format_name", format_name_seed(type_, 0x00, 0x00, 256, DEFAULT_FORMAT, b"", None, text))
        c.add("format_name", format_name_seed(type_, 0x04, 0x40, 128, DEFAULT_FORMAT, b"%(NONCANON)%(X400)", None, text))

    # The standard O/R address forms: each address of the golden data in
    # its form (with label and escape choices, and the settings), the RFC
    # 822 addresses with the table of their rows.
    forms = {b"auto": 0, b"annexf": 1, b"stdor": 2}
    table = b""
    for x in golden(args.data, "orname.txt"):
        if len(x) < 4:
            continue
        op, arg, text = x[0], x[1], strip_nul(x[2])
        written = strip_nul(x[5]) if len(x) > 5 else b""
        size = u16(len(written) + 1 if written else 256)
        if op == b"table":
            if x[3] == b"0":
                table = text
            c.add("orname", b"\x00" + u16(256) + b"S=x;C=US\0" + text)
        elif op == b"read":
            for extra in (0x00, 0x04, 0x08, 0x10, 0x20, 0x40):
                c.add("orname", bytes([forms.get(arg, 0) | extra]) + size + text + b"\0" + table)
        elif op == b"write" and (b"typed" in arg or b"decoded" in arg):
            source = 0x80 if b"typed" in arg else 0x83
            for extra in (0x00, 0x10, 0x20, 0x40):
                c.add("orname", bytes([source | extra]) + size + text + b"\0")
        elif op == b"write":
            c.add("orname", b"\x14" + size + text + b"\0" + table)
            c.add("orname", b"\x00" + u16(8) + text + b"\0" + table)
        elif op in (b"to822", b"from822") and len(x) > 4:
            # gateway table address ...: each row with its own table, the
            # row's gateway named as the target's.
            table_rows = b"" if x[2] == b"-" else x[2]
            address = strip_nul(x[3])
            if x[1] != b"-":
                address = address.replace(x[1], b"gw.example")
            selector = b"\x03" if op == b"from822" else b"\x14"
            c.add("orname", selector + size + address + b"\0" + table_rows)
        elif op == b"typed" and written:
            c.add("orname", b"\x02" + size + written + b"\0" + table)
            c.add("orname", b"\x80" + size + text + b"\0")

    # The reader of pasted text: its golden texts, each O/R address and
    # RFC 822 address of orname.txt, and typed names, plain and strict.
    pasted = [strip_nul(x[1]) for x in golden(args.data, "reader.txt") if len(x) > 1]
    pasted += [strip_nul(x[2]) for x in golden(args.data, "orname.txt")
               if len(x) > 2 and x[0] in (b"read", b"typed")]
    pasted += [strip_nul(x[3]) for x in golden(args.data, "orname.txt") if len(x) > 3 and x[0] == b"from822"]
    pasted += [name for fmt, name, complete, prefer in names if fmt == DEFAULT_FORMAT][:200]
    for text in pasted:
        c.add("reader", b"\x00" + text)
        c.add("reader", b"\x01" + text)

    # The binary O/R address: each decode input with its flags (and with the
    # other choices of the selector), each certificate with its index, each
    # encoding written.
    def unhex(field):
        return bytes.fromhex("".join(chr(b) for b in field if chr(b) in "0123456789abcdefABCDEF"))
    ber_flags = {b"-": 0x00, b"der": 0x01, b"latin1": 0x02, b"used": 0x04}
    for x in golden(args.data, "ber.txt"):
        if len(x) < 4:
            continue
        op, arg = x[0], x[1]
        if op == b"decode":
            data = unhex(x[2])
            for extra in (0x00, 0x10, 0x20, 0x40, 0x80):
                c.add("ber", bytes([ber_flags.get(arg, 0) | extra, 0]) + data)
        elif op == b"cert":
            index = int(arg.split(b",")[0])
            c.add("ber", bytes([0x08 | (0x02 if b"latin1" in arg else 0), index]) + unhex(x[2]))
        elif op == b"encode" and x[3] == b"0" and len(x) > 4:
            c.add("ber", bytes([0x05, 0]) + unhex(x[4]))
    # The configuration readers: every TNUAL.INI of the golden data with
    # the keys the rows ask for, and the registry files of the tests.
    profile_keys = {b"text": b"LogFile", b"number": b"LogLevel", b"bool": b"SevenBitOnly"}
    profiles = [(profile_keys.get(x[1], b"LogFile"), x[2]) for x in golden(args.data, "profile_readers.txt") if len(x) > 2]
    profiles += [(b"DefaultFormat", x[1]) for x in rows(args.data, "startup.txt") if len(x) > 1 and x[0] == b"profile"]
    profiles += PROFILE_SEEDS
    for key, text in profiles:
        for size in (1, 8, 64):
            c.add("profile", bytes([(size - 1) << 2]) + b"NameParsing\0" + key + b"\0" + text)
    for path, name, user, text in REGISTRY_SEEDS:
        for size in (4, 27, 64):
            c.add("profile", bytes([1 | (2 if user else 0) | ((size - 1) << 2)]) + path + b"\0" + name + b"\0" + text)

    # AMHS: the tables of each golden row (its rows in the file's short
    # notation made text), with its AF-Address or O/R address and flags.
    for x in golden(args.data, "amhs.txt"):
        if len(x) < 4:
            continue
        op, tables, text, flags = x[0], x[1], strip_nul(x[2]), x[3]
        tables = tables[1:] if tables.startswith(b"=") else tables.replace(b";", b"\n").replace(b"|", b"\t")
        selector = (0x01 if b"orig" in flags else 0) | (0x02 if b"keep" in flags else 0)
        af, address = (text, b"") if op == b"amhs" else (b"", text)
        for extra in (0x00, 0x04):
            c.add("amhs", bytes([selector | extra, 0]) + u16(len(tables) * 7) + b"\xff" + af + b"\0" + address +
                  b"\0" + tables)

    c.write()
    if args.stamp:
        with open(args.stamp, "w") as f:
            f.write("seeds\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
