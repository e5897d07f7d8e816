"""python -m hvcn: the common commands of the hvcn tool, over the package.

    python -m hvcn parse [--format F] [--open] [--prefer-teletex] [--internal T]
                         [--output-format F] [--all] [--lines] [--json] [NAME...]
    python -m hvcn orname [--from FORM] [--to FORM] [--gateway DOMAIN] [--table FILE]
                          [--labels KIND] [--format F] [--json] [TEXT...]
    python -m hvcn internet [--json] [NAME...]
    python -m hvcn version [--json]

Their output is the tool's, byte for byte (see docs/tool.md): standard
output, standard error (the tool's messages, the explanations of refused
names and its warnings) and the exit status: 0 when every name was read, 1
when some name failed, 2 on a usage error. They take the tool's
--input-encoding and --jobs too (the work is done on one thread). Only the
help texts and the hints that name the command ('see python -m hvcn ...')
are their own.
"""

from __future__ import annotations

import codecs
import ctypes
import os
import re
import sys
from typing import BinaryIO, Callable, Dict, Iterator, List, NamedTuple, Optional, Sequence, Tuple

import hvcn
from hvcn import _lib

_OK, _FAILED, _USAGE = 0, 1, 2
_PROGRAM = "python -m hvcn"

# --------------------------------------------------------------------------
# Text as the tool writes it
# --------------------------------------------------------------------------

_CONTROLS = re.compile(rb"[\x00-\x1f\x7f]")
_CONTROLS_AND_BACKSLASH = re.compile(rb"[\x00-\x1f\x7f\\]")
_JSON_SPECIAL = re.compile('["\\\\\x00-\x1f\x7f\udc80-\udcff]')
_NOT_UTF8 = re.compile("[\udc80-\udcff]")
_JSON_SHORT = {'"': '\\"', "\\": "\\\\", "\n": "\\n", "\r": "\\r", "\t": "\\t"}


def raw(text: str) -> bytes:
    """A text of the package as the bytes the library holds."""
    return text.encode("utf-8", "surrogateescape")


def _text(data: bytes) -> str:
    return data.decode("utf-8", "surrogateescape")


def shown(data: bytes, backslash: bool = False) -> bytes:
    """Control characters (below 0x20, and 0x7F) as \\xHH; with `backslash`
    a backslash as \\\\ too."""
    pattern = _CONTROLS_AND_BACKSLASH if backslash else _CONTROLS
    return pattern.sub(lambda m: b"\\\\" if m.group() == b"\\" else b"\\x%02x" % m.group()[0], data)


def json_string(data: bytes) -> Tuple[bytes, bool]:
    """A JSON string literal: control characters as \\u00HH (the short
    escapes where JSON has them), each byte that is not well-formed UTF-8
    as U+FFFD; and whether the text was well-formed UTF-8."""
    text = _text(data)
    escaped = _JSON_SPECIAL.sub(lambda m: _JSON_SHORT.get(m.group()) or (
        "\\ufffd" if m.group() >= "\udc80" else f"\\u{ord(m.group()):04x}"), text)
    return b'"' + escaped.encode() + b'"', _NOT_UTF8.search(text) is None


def json_field(key: str, data: bytes, first: bool = False) -> bytes:
    ""","key":"text", and ,"keyHex":"..." (its bytes) for a text that is not
    UTF-8."""
    literal, well_formed = json_string(data)
    field = (b"" if first else b",") + b'"' + key.encode() + b'":' + literal
    return field if well_formed else field + b',"' + key.encode() + b'Hex":"' + data.hex().encode() + b'"'


def first_bad_utf8(data: bytes) -> int:
    """The offset of the first byte that is not well-formed UTF-8, or -1."""
    text = _text(data)
    for index, c in enumerate(text):
        if "\udc80" <= c <= "\udcff":
            return len(raw(text[:index]))
    return -1


def column_of(data: bytes, offset: int) -> int:
    """The column (from 1) of a byte: the characters before it, plus one."""
    return len(_text(data[:offset])) + 1


# --------------------------------------------------------------------------
# Options and messages
# --------------------------------------------------------------------------


class Option(NamedTuple):
    name: str
    value: Optional[str]  # its placeholder, or None for a flag
    help: str
    alias: Optional[str] = None


_JOBS = Option("--jobs", "N", "work on N threads; here one does the work, whatever N", "-j")
_ENCODING = Option("--input-encoding", "E", "the input's encoding: utf-8 (default), cp1252 or latin1")
_JSON = Option("--json", None, "print one JSON object per name")


class Command(NamedTuple):
    name: str
    summary: str
    arguments: str
    options: Tuple[Option, ...]
    run: Callable[["Invocation"], int]


class Invocation:
    """A command line after its command name: the options given and the
    positional arguments."""

    def __init__(self, io: "_IO") -> None:
        self.io = io
        self.options: List[Tuple[str, Optional[bytes]]] = []
        self.positional: List[bytes] = []

    def has(self, name: str) -> bool:
        return any(option == name for option, _ in self.options)

    def value(self, name: str) -> Optional[bytes]:
        """The last value given for an option."""
        found = None
        for option, value in self.options:
            if option == name:
                found = value
        return found

    def text(self, name: str) -> Optional[str]:
        value = self.value(name)
        return None if value is None else _text(value)


class _IO:
    """The standard streams and the command the messages name."""

    def __init__(self, stdin: BinaryIO, stdout: BinaryIO, stderr: BinaryIO) -> None:
        self.stdin, self.out, self.err = stdin, stdout, stderr
        self.command = ""

    def prefix(self) -> bytes:
        return b"hvcn: " + (self.command.encode() + b": " if self.command else b"")

    def error(self, message: str) -> None:
        """Writes "hvcn: <command>: <message>" on standard error at once."""
        self.out.flush()
        self.err.write(self.prefix() + raw(message) + b"\n")
        self.err.flush()


def _parse_options(command: Command, arguments: Sequence[bytes], args: Invocation) -> int:
    """Reads the options as the tool does; 0, or 2 after the message."""
    io = args.io
    ended = False
    index = 0
    while index < len(arguments):
        argument = arguments[index]
        index += 1
        if ended or len(argument) < 2 or argument[:1] != b"-" or argument[1:2].isdigit():
            args.positional.append(argument)
            continue
        if argument == b"--":
            ended = True
            continue
        given, inline = _text(argument), None
        if given.startswith("--") and "=" in given:
            given = given.partition("=")[0]
            inline = argument[len(raw(given)) + 1:]
        if given in ("--help", "-h"):
            args.options.append(("--help", None))
            continue
        match = next((o for o in command.options if given in (o.name, o.alias)), None)
        if match is None:
            io.error(f"unknown option '{given}' (see '{_PROGRAM} {command.name} --help')")
            return _USAGE
        value = None
        if match.value:
            if inline is not None:
                value = inline
            elif index < len(arguments):
                value, index = arguments[index], index + 1
            else:
                io.error(f"option {match.name} needs a value {match.value}")
                return _USAGE
        elif inline is not None:
            io.error(f"option {match.name} takes no value")
            return _USAGE
        args.options.append((match.name, value))
    return 0


def _help(command: Command) -> bytes:
    words = [f"[{o.name}{' ' + o.value if o.value else ''}]" for o in command.options]
    lines = [f"usage: {_PROGRAM} {command.name} {' '.join(words + [command.arguments])}".rstrip(), "",
             command.summary, "", "options:"]
    for option in command.options:
        left = (f"{option.alias}, " if option.alias else "") + option.name
        left += " " + option.value if option.value else ""
        lines.append(f"  {left:<22} {option.help}")
    return ("\n".join(lines) + "\n\nThe output is the hvcn tool's (see docs/tool.md).\n").encode()


def _resource_warning(io: _IO) -> None:
    """Says so when the texts do not come from the resource library looked
    for first, as the tool does."""
    get = getattr(_lib.lib, "hvcnGetResourceLibrary", None)
    if get is None:
        return
    names, folder = (ctypes.create_string_buffer(1024) for _ in range(2))
    status = get(names, len(names), folder, len(folder))
    tried = [_text(name) for name in names.value.split(b":") if name]
    if status == _lib.ERR_NO_VALUE:
        io.error(f"warning: no language resource library was found: looked for {', '.join(dict.fromkeys(tried))} "
                 f"in {_text(folder.value)}; the texts are the library's built-in Italian ones")
    elif status == 0 and tried and tried[0] != tried[-1]:
        io.error(f"warning: {tried[0]} was not found in {_text(folder.value)}; the texts come from {tried[-1]}")


def _status_text(status: int) -> bytes:
    return raw(hvcn.error_text(status))


def _ready_format(io: _IO, format_string: Optional[str]) -> Optional[hvcn.Format]:
    """The format of a format string (None: the configured one); None after
    the message when it is refused."""
    try:
        return hvcn.Format(format_string)
    except hvcn.Error as error:
        where = "(the configured default)" if format_string is None else format_string
        io.error(f"format string {where}: {int(error.status)}: {error.text}{' ' if error.detail else ''}{error.detail}")
        return None


# --------------------------------------------------------------------------
# The inputs: the arguments, or the lines of standard input
# --------------------------------------------------------------------------

# Windows-1252: its five unassigned bytes keep their C1 code.
def _c1(error: UnicodeError) -> Tuple[str, int]:
    assert isinstance(error, UnicodeDecodeError)
    return chr(error.object[error.start]), error.start + 1


codecs.register_error("hvcn-c1", _c1)
_ENCODINGS = {"utf-8": None, "utf8": None, "cp1252": "cp1252", "windows-1252": "cp1252",
              "latin1": "latin1", "iso-8859-1": "latin1"}

# A handler reads one input (its bytes, and its line of standard input or
# 0) and appends to out and err; False when the input failed.
Handler = Callable[[bytes, int, bytearray, bytearray], bool]


def _inputs(args: Invocation) -> Iterator[Tuple[bytes, int, str]]:
    """Each input: its bytes, its line number (0 for an argument) and how
    the warnings name it."""
    if args.positional:
        for number, text in enumerate(args.positional, 1):
            yield text, 0, f"argument {number}"
        return
    for number, line in enumerate(args.io.stdin, 1):
        line = line[:-1] if line.endswith(b"\n") else line
        yield (line[:-1] if line.endswith(b"\r") else line), number, f"line {number}"


def where(line: int) -> bytes:
    """ "line 3: " for a line of standard input, nothing for an argument."""
    return b"line %d: " % line if line else b""


def run_inputs(args: Invocation, make: Callable[[], Optional[Handler]]) -> int:
    """Runs a handler over the inputs, with the command's --input-encoding
    and --jobs; the exit status."""
    io = args.io
    name = args.text("--input-encoding")
    if name is not None and name.lower() not in _ENCODINGS:
        io.error(f"--input-encoding takes utf-8, cp1252 or latin1, not '{name}'")
        return _USAGE
    encoding = _ENCODINGS[name.lower()] if name is not None else None
    jobs = args.text("--jobs")
    if jobs is not None and not (re.fullmatch(r"\s*[+-]?\d+", jobs) and 0 <= int(jobs) <= 1024):
        io.error(f"--jobs takes a number of workers from 1 to 1024 (0: one per processor), not '{jobs}'")
        return _USAGE
    handle = make()
    if handle is None:
        return _FAILED
    failed = False
    for text, line, source in _inputs(args):
        out, err = bytearray(), bytearray()
        nul = text.find(b"\0")
        if nul >= 0:
            err += io.prefix() + b"%s: warning: a NUL byte at column %d ends the text there\n" % (
                source.encode(), column_of(text, nul))
            text = text[:nul]
        if encoding is not None:
            text = raw(text.decode(encoding, "hvcn-c1"))
        elif first_bad_utf8(text) >= 0:
            bad = first_bad_utf8(text)
            err += io.prefix() + (
                b"%s: warning: byte 0x%02x at column %d is not UTF-8, which the library reads; for Windows-1252 "
                b"text give --input-encoding cp1252 (or latin1), or convert it first: iconv -f CP1252 -t UTF-8\n"
                % (source.encode(), text[bad], column_of(text, bad)))
        if not handle(text, line, out, err):
            failed = True
        io.out.write(out)
        if err:
            io.out.flush()
            io.err.write(err)
            io.err.flush()
    return _FAILED if failed else _OK


# --------------------------------------------------------------------------
# Attributes as the tool shows them
# --------------------------------------------------------------------------

_INFO: Dict[int, Optional[hvcn.AttributeInfo]] = {
    i: hvcn.attribute_info(i) if i in hvcn._NAMES else None for i in range(1, _lib.LAST_ATTRIBUTE_ID + 1)}
_KNOWN = [info for info in _INFO.values() if info is not None]
# The X.400 tags in force and the standard O/R address labels, in lower case.
_TAGS = {info.tag.lower() for info in _KNOWN if info.tag}
_LABELS = {label.lower() for info in _KNOWN for label in (info.label, info.short_label) if label}
# The teletex twins' slots.
_TELETEX_SLOTS = range(25, 43)
_DDA_TYPES = {16, 18, 20, 22, 60, 62, 64, 66}
_WORDS = {"surname": b"surname", "given-name": b"given name", "initials": b"initials",
          "generation": b"generation qualifier"}


class Held(NamedTuple):
    """A value a name holds, as bytes."""

    id: int
    name: bytes
    value: bytes
    teletex: bool


def held_values(name: Optional[hvcn.Name]) -> List[Held]:
    """The non-empty values of a name, in slot order."""
    slots = hvcn._SLOTS
    return [Held(record.id, raw(record.name), raw(record.value), slots.get(record.id, -1) in _TELETEX_SLOTS)
            for record in (name.records if name is not None else ()) if record.value]


def attributes_json(values: List[Held]) -> bytes:
    """The attributes array of parse --json."""
    items = []
    for v in values:
        info = _INFO.get(v.id)
        name = raw(info.name) if info else v.name
        items.append(b'{"id":%d' % v.id + json_field("name", name) + json_field("tag", raw(info.tag) if info else b"")
                     + (b',"teletex":true' if v.teletex else b',"teletex":false') + json_field("value", v.value) + b"}")
    return b"[" + b",".join(items) + b"]"


def _known_tags() -> List[str]:
    tags = [info.tag + ("TYPE" if info.label == "DDA" else "") for info in _KNOWN if info.tag]
    return list(dict.fromkeys(tags))


# --------------------------------------------------------------------------
# Why a typed name was refused
# --------------------------------------------------------------------------


def _split(name: bytes, begin: int, end: int, separator: int) -> List[Tuple[int, int]]:
    """The pieces of name[begin:end] between unescaped separators (a
    backslash escapes the character after it)."""
    pieces, start, i = [], begin, begin
    while i < end:
        if name[i] == 0x5C:
            i += 1
        elif name[i] == separator:
            pieces.append((start, i))
            start = i + 1
        i += 1
    return pieces + [(start, end)]


def _skip_blanks(name: bytes, at: int, end: int) -> int:
    while at < end and name[at] == 0x20:
        at += 1
    return at


def looks_like_or_address(name: bytes) -> bool:
    """Does the name look like a standard O/R address ("/G=John/S=Smith/",
    "G=John; S=Smith") rather than a typed name?"""
    stripped = name.strip(b" ")
    if not stripped:
        return False
    slashes = stripped[:1] == b"/"
    if not slashes and b";" not in name:
        return False
    begin = len(name) - len(name.lstrip(b" "))
    labelled, beyond_tags = 0, not slashes or stripped.endswith(b"/")
    for start, stop in _split(name, begin, begin + len(stripped), ord("/" if slashes else ";")):
        piece = name[start:stop].strip(b" ")
        if not piece:
            continue
        label, equals, _ = piece.partition(b"=")
        label_text = _text(label).lower()
        if not equals or not (label_text in _LABELS or (len(label) > 4 and label_text.startswith("dda:"))):
            return False
        beyond_tags = beyond_tags or label_text not in _TAGS
        labelled += 1
    return labelled >= (1 if slashes else 2) and beyond_tags


def _quoted(name: bytes, begin: int, end: int) -> str:
    return "'" + _text(shown(name[begin:end])) + "'"


def _shell_quote(name: bytes) -> bytes:
    return b"'" + name.replace(b"'", b"'\\''") + b"'"


_X400_STATUSES = {12, 13, 14, 15, 22, 23, 24, 25, 26, 27, 30}
_COMPONENT_FAULTS = {
    23: "The component {quoted} at column {column} is one organisational unit too many.",
    25: "The component {quoted} at column {column} gives an attribute the name already has.",
    26: "The component {quoted} at column {column} is one domain-defined attribute too many.",
}


class Explainer:
    """Why a typed name was refused, beyond the status text: where in the
    name the fault is and what would fit, found by parsing the name again
    in parts on a format of its own."""

    def __init__(self, format_string: Optional[str], complete: bool, prefer_teletex: bool) -> None:
        self.format_string, self.complete, self.prefer_teletex = format_string, complete, prefer_teletex
        self.format: Optional[hvcn.Format] = None

    def probe(self, name: bytes) -> Tuple[int, bytes]:
        """The status and detail of parsing a name on the explainer's format."""
        if self.format is None:
            self.format = hvcn.Format(self.format_string)
        try:
            self.format.parse(name, complete=self.complete, prefer_teletex=self.prefer_teletex)
            status = 0
        except hvcn.Error as error:
            status = int(error.status)
        return status, self.format._struct.errorDetail

    def explain(self, failed: hvcn.Format, name: bytes, status: int) -> bytes:
        """The explanation of a status, `failed` being the format the name
        failed on (its tokens hold the name's sections); b"" when none."""
        if looks_like_or_address(name):
            return b"This looks like a standard O/R address; read it with: hvcn orname " + _shell_quote(name)
        struct = failed._struct
        if status == hvcn.Status.NAME_DOES_NOT_FIT:
            return self.too_many_words(struct, name) if struct.errorDetail else b""
        return self.x400_fault(struct, name, status) if status in _X400_STATUSES else b""

    @staticmethod
    def section(struct, token_id: int, name: bytes) -> Optional[Tuple[int, int]]:  # type: ignore[no-untyped-def]
        for token in struct.tokens:
            if token.id == token_id and token.valueLength != _lib.VALUE_ABSENT:
                if token.valueOffset > len(name) or token.valueLength > len(name) - token.valueOffset:
                    return None
                return token.valueOffset, token.valueOffset + token.valueLength
        return None

    def x400_fault(self, struct, name: bytes, status: int) -> bytes:  # type: ignore[no-untyped-def]
        """The component of the X.400 part where the name first fails the
        same way: the name parsed again cut after each component in turn."""
        part = self.section(struct, -4, name)
        if part is None:
            return b""
        slash = struct.slashChar[0]
        begin = _skip_blanks(name, *part)
        if begin < part[1] and name[begin] == slash:
            begin += 1
        pieces = _split(name, begin, part[1], slash)
        for k, piece in enumerate(pieces):
            if self.probe(name[:piece[1]])[0] != status:
                continue
            before = pieces[k - 1] if k else piece
            # An empty component fails only once another follows it.
            if status == hvcn.Status.BAD_X400 and k and _skip_blanks(name, *before) == before[1]:
                piece = before
            start, stop = _skip_blanks(name, *piece), piece[1]
            column, text = column_of(name, start), name[start:stop]
            equals = text.find(b"=")
            quoted = _quoted(name, start, stop)
            if status == hvcn.Status.UNKNOWN_TAG:
                tag = _quoted(name, start, stop if equals < 0 else start + equals)
                why = (f"The tag {tag} at column {column} is not one this format knows; "
                       f"it knows: {' '.join(_known_tags())}.")
            elif status == hvcn.Status.BAD_X400:
                why = (f"The X.400 component at column {column} is empty." if not text else
                       f"The X.400 component {quoted} at column {column} is not tag=value." if equals < 0 else
                       f"The X.400 component {quoted} at column {column} has no tag." if equals == 0 else
                       f"The X.400 part goes wrong at {quoted}, column {column}.")
            else:
                why = _COMPONENT_FAULTS.get(status, "It is the component {quoted} at column {column}.").format(
                    quoted=quoted, column=column)
            return raw(why)
        return b""

    def too_many_words(self, struct, name: bytes) -> bytes:  # type: ignore[no-untyped-def]
        """A personal name of more words than its reading takes: how many
        were read, and how many fit (asking the library with short words)."""
        canonical = self.section(struct, -2, name)
        section = canonical or self.section(struct, -3, name)
        if section is None:
            return b""
        words_from = section[0]
        if canonical:
            halves = _split(name, section[0], section[1], struct.commaChar[0])
            if len(halves) < 2:
                return b""
            words_from = halves[1][0]
        end = section[1]
        words = sum(1 for start, stop in _split(name, words_from, end, 0x20) if stop > start)

        def with_words(count: int) -> bytes:
            """The name with `count` one-letter words in place of its words."""
            return name[:words_from] + (b" a" * count if canonical else b" ".join([b"a"] * count)) + name[end:]

        original = struct.errorDetail
        if self.probe(with_words(words))[1] != original:
            return b""  # not the number of words
        for fit in range(words - 1, 0, -1):
            if self.probe(with_words(fit))[1] != original:
                after = " after the comma" if canonical else ""
                return raw(f"{words} words were read{after}; at most {fit} fit.")
        return b""


# --------------------------------------------------------------------------
# The commands
# --------------------------------------------------------------------------


def _failure_line(line: int, text: bytes, error: hvcn.Error, why: bytes) -> bytes:
    """line N: name: status: text detail explanation."""
    detail = raw(error.detail)
    return where(line) + shown(text) + b": %d: " % int(error.status) + _status_text(error.status) + \
        (b" " + detail if detail else b"") + (b" " + why if why else b"")


def _parse(args: Invocation) -> int:
    io = args.io
    internal = args.text("--internal")
    if internal is not None and internal not in ("1", "2", "3"):
        io.error(f"--internal takes 1, 2 or 3, not '{internal}'")
        return _USAGE
    format_string, output_format = args.text("--format"), args.text("--output-format")
    complete, prefer_teletex, every = not args.has("--open"), args.has("--prefer-teletex"), args.has("--all")
    mode = "json" if args.has("--json") else "lines" if args.has("--lines") or not args.positional else "readable"

    def show(text: bytes, name: hvcn.Name, out: bytearray) -> None:
        values = held_values(name)
        words = b", ".join(_WORDS[part] for part in name.parts)
        extra = [(key, raw(name.internal(int(given))) if key == "internal" else _output(name))
                 for key, given in (("internal", internal), ("output", output_format)) if given is not None]
        if mode == "json":
            out += b'{' + json_field("name", text, True) + b',"status":0,"reading":%d,"shape":%d,"context":%d' % (
                name.reading, name.shape & 0xFFFFFFFF, name.context) + json_field("words", words) + \
                b',"attributes":' + attributes_json(values) + b"".join(json_field(k, v) for k, v in extra) + b"}\n"
        elif mode == "lines":
            pairs, index = [], 0
            while index < len(values):
                v = values[index]
                info = _INFO.get(v.id)
                if v.id in _DDA_TYPES:
                    # A domain-defined pair as X.400 writes it: dd.type=value.
                    pair = b"dd." + shown(v.value) + b"="
                    if index + 1 < len(values) and values[index + 1].id == v.id + 1:
                        index += 1
                        pair += shown(values[index].value)
                else:
                    label = (raw(info.tag) if info.tag else b"#%d" % v.id) if info else shown(v.name)
                    pair = label + b"=" + shown(v.value)
                pairs.append(pair)
                index += 1
            out += b"\t".join([shown(text), b"%d" % name.reading, words, b" ".join(pairs)]
                              + [shown(value) for _, value in extra]) + b"\n"
        else:
            if name.reading == 1:
                out += shown(text) + b"\n"
            more = b": more readings may follow" if name.context & _lib.PARSE_CONTEXT_MASK else b""
            out += b"  reading %d%s%s  (shape 0x%x, context 0x%x%s)\n" % (
                name.reading, b": " if words else b"", words, name.shape & 0xFFFFFFFF, name.context, more)
            for v in values:
                info = _INFO.get(v.id)
                label = raw(f"{info.name} ({v.id})") if info else shown(v.name)
                out += b"    %-6s %-26s " % (raw(info.tag) if info else b"", label) + shown(v.value) + b"\n"
            for key, value in extra:
                out += b"    %-10s" % (key.encode() + b":") + shown(value) + b"\n"

    def _output(name: hvcn.Name) -> bytes:
        try:
            return raw(name.format(output_format))
        except hvcn.Error:
            return b""

    def make() -> Optional[Handler]:
        ready = _ready_format(io, format_string)
        if ready is None:
            return None
        form = ready
        explainer = Explainer(format_string, complete, prefer_teletex)

        def handle(text: bytes, line: int, out: bytearray, err: bytearray) -> bool:
            context, reading = 0, 1
            while True:
                try:
                    name = form.parse(text, complete=complete, prefer_teletex=prefer_teletex, context=context)
                except hvcn.Error as error:
                    if error.status == hvcn.Status.NO_MORE_INTERPRETATIONS and reading > 1:
                        return True
                    why = explainer.explain(form, text, error.status)
                    if mode == "json":
                        out += b'{' + json_field("name", text, True) + b',"status":%d' % int(error.status) + \
                            json_field("error", _status_text(error.status)) + json_field("detail", raw(error.detail)) \
                            + (json_field("explanation", why) if why else b"") + b"}\n"
                        return False
                    if mode == "lines":
                        out += shown(text) + b"\terror %d\t" % int(error.status) + _status_text(error.status) + b"\n"
                    err += io.prefix() + _failure_line(line, text, error, why) + b"\n"
                    return False
                name.reading = reading
                show(text, name, out)
                if not every or not name.context & _lib.PARSE_CONTEXT_MASK:
                    return True
                context, reading = name.context, reading + 1
        return handle

    return run_inputs(args, make)


_DOMAIN = re.compile(rb"[A-Za-z0-9_-]+(?:\.[A-Za-z0-9_-]+)*")
_FORMS = ("auto", "annexf", "stdor", "rfc822", "typed")


def _addr_spec(text: bytes) -> bytes:
    """Of "phrase <address>", the part between the brackets."""
    return text[text.rfind(b"<") + 1:-1] if text.endswith(b">") and b"<" in text else text


def looks_like_rfc822(text: bytes) -> bool:
    """An RFC 822 address rather than an O/R address: an '@' followed by a
    domain alone, and before it a quoted local part, an O/R address in the
    "/" form or a text without '='."""
    text = _addr_spec(text)
    at = text.rfind(b"@")
    if at <= 0 or re.search(rb"[/=;]", text[at + 1:]):
        return False
    return text[:1] in (b'"', b"/") or b"=" not in text[:at]


def gateway_domain_of(text: bytes) -> bytes:
    """The domain of an RFC 822 address whose local part is an O/R address
    in the "/" form, which is then plainly the gateway; b"" otherwise."""
    text = _addr_spec(text)
    at = text.rfind(b"@")
    local = text[:at]
    if len(local) >= 2 and local[:1] == local[-1:] == b'"':
        local = local[1:-1]
    return text[at + 1:] if 0 <= at < len(text) - 1 and local[:1] == b"/" else b""


def _load_table(io: _IO, path: bytes) -> Optional[hvcn.ORTable]:
    """A mapping table file; None after the message when it cannot be read."""
    try:
        with open(path, "rb") as file:
            data = file.read()
    except IsADirectoryError:
        io.error(f"cannot read the table file '{_text(path)}'")
        return None
    except OSError as error:
        io.error(f"cannot read the table file '{_text(path)}': {error.strerror}")
        return None
    try:
        return hvcn.ORTable(data.split(b"\0")[0])
    except hvcn.Error as error:
        io.error(f"table {_text(path)}, line {error.line}: {int(error.status)}: {error.text}")
        return None


def _orname(args: Invocation) -> int:
    io = args.io
    given_from, given_to, labels = args.text("--from"), args.text("--to"), args.text("--labels")
    source = "auto" if given_from is None else given_from
    target = "stdor" if given_to is None else given_to
    gateway, table_path = args.value("--gateway"), args.value("--table")
    refusal = (f"--from takes auto, annexf, stdor, rfc822 or typed, not '{source}'" if source not in _FORMS else
               f"--to takes stdor, annexf, typed or rfc822, not '{target}'" if target not in _FORMS[1:] else
               f"--labels takes short or long, not '{labels}'" if labels not in (None, "short", "long") else
               "--gateway takes a domain (letters, digits, '-' and '_' in labels separated by dots), not "
               f"'{_text(shown(gateway))}'" if gateway is not None and not _DOMAIN.fullmatch(gateway) else
               "the RFC 822 form needs --gateway DOMAIN, --table FILE or both"
               if "rfc822" in (source, target) and gateway is None and table_path is None else None)
    if refusal:
        io.error(refusal)
        return _USAGE
    format_string, json = args.text("--format"), args.has("--json")
    table = None if table_path is None else _load_table(io, table_path)
    if table_path is not None and table is None:
        return _FAILED
    mapping = gateway is not None or table is not None

    def make() -> Optional[Handler]:
        ready = _ready_format(io, format_string)
        if ready is None:
            return None
        form = ready
        explainer = Explainer(format_string, True, False)

        def read(text: bytes) -> Tuple[Optional[hvcn.Name], Optional[hvcn.Error], bytes]:
            """The name read, or the refusal and what more it says."""
            kind = "rfc822" if source == "auto" and mapping and looks_like_rfc822(text) else source
            domain = gateway_domain_of(text) if kind == "auto" and looks_like_rfc822(text) else b""
            try:
                if kind == "rfc822":
                    return form.from_rfc822(text, gateway, table), None, b""
                if domain and _DOMAIN.fullmatch(domain) and not mapping:
                    return form.from_rfc822(text, domain), None, b""
                if kind == "typed":
                    return form.parse(text), None, b""
                return form.orname(text, form=kind), None, b""
            except hvcn.Error as error:
                why = explainer.explain(form, text, error.status) if kind == "typed" else \
                    b"This looks like an RFC 822 address; read it with --gateway DOMAIN or --table FILE." \
                    if kind == "auto" and looks_like_rfc822(text) else b""
                return None, error, why

        def write(name: hvcn.Name) -> str:
            if target == "typed":
                return name.format()
            if target == "rfc822":
                return name.rfc822(gateway, table, labels=labels if labels == "short" else None)
            return name.orname(target, labels=labels)

        def handle(text: bytes, line: int, out: bytearray, err: bytearray) -> bool:
            name, failure, why = read(text)
            output = b""
            if name is not None:
                try:
                    output = raw(write(name))
                except hvcn.Error as error:
                    failure = error
            if json:
                out += b'{' + json_field("input", text, True) + b',"status":%d' % (failure.status if failure else 0) \
                    + json_field("error", _status_text(failure.status) if failure else b"") \
                    + json_field("detail", raw(failure.detail) if failure else b"") \
                    + (json_field("explanation", why) if why else b"") + json_field("output", output) \
                    + b',"attributes":' + attributes_json(held_values(name)) + b"}\n"
            elif failure is None:
                out += shown(output) + b"\n"
            else:
                detail = raw(failure.detail)
                out += b"error %d: " % failure.status + _status_text(failure.status) + \
                    (b" " + detail if detail else b"") + b"\n"
                err += io.prefix() + _failure_line(line, text, failure, why) + b"\n"
            return failure is None
        return handle

    return run_inputs(args, make)


def _internet(args: Invocation) -> int:
    json = args.has("--json")

    def handle(text: bytes, line: int, out: bytearray, err: bytearray) -> bool:
        normalised = hvcn.internet(text)
        if json:
            out += b"{" + json_field("name", text, True) + (b',"internet":false,"normalised":null}\n' if normalised
                                                           is None else b',"internet":true' +
                                                           json_field("normalised", raw(normalised)) + b"}\n")
        elif normalised is not None:
            out += b"yes  " + shown(raw(normalised), True) + b"\n"
        else:
            out += b"no   " + shown(text, True) + b"\n"
        return normalised is not None
    return run_inputs(args, lambda: handle)


def _versions() -> Tuple[str, str, int]:
    """The library's version text, the package version it stands for
    ("X.05.20.01" is 5.20.1; "" for another form) and its interface."""
    version = hvcn.version()
    match = re.fullmatch(r"X\.(\d\d)\.(\d\d)\.(\d\d)", version.text)
    return version.text, ".".join(str(int(n)) for n in match.groups()) if match else "", version.interface


def version_line() -> str:
    library, package, interface = _versions()
    that = package if package == hvcn.__version__ else f"{package or 'unknown'}, not the tool's"
    return f"hvcn {hvcn.__version__} (library {library}, that is package {that}; interface {interface}; " \
           f"{_lib._FILE_NAMES[0]})"


def _version(args: Invocation) -> int:
    if not args.has("--json"):
        args.io.out.write(raw(version_line()) + b"\n")
        return _OK
    library, package, interface = _versions()
    args.io.out.write(b"{" + json_field("version", raw(library), True) + b',"interface":%d' % interface
                      + json_field("package", raw(package)) + json_field("tool", raw(hvcn.__version__))
                      + json_field("library", raw(_lib._FILE_NAMES[0])) + b"}\n")
    return _OK


_COMMANDS = {command.name: command for command in (
    Command("parse", "Read typed names: their attributes, the reading chosen and the readings left.", "[NAME...]", (
        Option("--format", "F", "input format string (default: the configured one)"),
        Option("--open", None, "the name is still being typed (default: complete)"),
        Option("--prefer-teletex", None, "store values in their teletex variants"),
        Option("--internal", "T", "also show the name in internal type 1, 2 or 3"),
        Option("--output-format", "F", "also write the name under this format"),
        Option("--all", None, "show every reading of an ambiguous name"),
        Option("--lines", None, "one line per name (or reading), tab-separated; the default for standard input"),
        _JSON, _JOBS, _ENCODING), _parse),
    Command("orname", "Read and write O/R addresses in their standard forms (RFC 1685, RFC 2156) and as RFC 822 "
            "addresses.", "[TEXT...]", (
                Option("--from", "FORM", "auto (the default), annexf, stdor, rfc822 or typed"),
                Option("--to", "FORM", "stdor (the default), annexf, typed or rfc822"),
                Option("--gateway", "DOMAIN", "the gateway domain of the RFC 822 mapping"),
                Option("--table", "FILE", "an RFC 2156 domain mapping table"),
                Option("--labels", "KIND", "short (A=, P=, Q=) or long (ADMD=, PRMD=, GQ=) labels"),
                Option("--format", "F", "format string of typed names (default: the configured one)"),
                _JSON, _JOBS, _ENCODING), _orname),
    Command("internet", "Tell whether names are internet (RFC 822) mailboxes and print them normalised.",
            "[NAME...]", (_JSON, _JOBS, _ENCODING), _internet),
    Command("version", "Print the versions of the package and the library (also: --version).", "",
            (Option("--json", None, "print one JSON object"),), _version),
)}

_USAGE_TEXT = f"""usage: {_PROGRAM} COMMAND [OPTIONS] [ARGUMENTS]

Reads, checks and writes X.400 recipient names: the hvcn tool's common
commands over the Python package.

commands:
""" + "".join(f"  {c.name:<10} {c.summary}\n" for c in _COMMANDS.values()) + f"""
'{_PROGRAM} COMMAND --help' shows a command's options.
"""


def main(arguments: Optional[Sequence[object]] = None, stdin: Optional[BinaryIO] = None,
         stdout: Optional[BinaryIO] = None, stderr: Optional[BinaryIO] = None) -> int:
    """Runs one command; returns the exit status."""
    given = [a if isinstance(a, bytes) else os.fsencode(str(a))
             for a in (sys.argv[1:] if arguments is None else arguments)]
    io = _IO(stdin or sys.stdin.buffer, stdout or sys.stdout.buffer, stderr or sys.stderr.buffer)
    first = _text(given[0]) if given else None
    if first is None:
        terminal = io.stdin.isatty()
        (io.out if terminal else io.err).write(_USAGE_TEXT.encode())
        return _OK if terminal else _USAGE
    if first in ("--version", "-V"):
        io.out.write(raw(version_line()) + b"\n")
        return _OK
    if first in ("--help", "-h", "help"):
        wanted = _COMMANDS.get(_text(given[1])) if len(given) > 1 else None
        if len(given) > 1 and wanted is None:
            io.error(f"unknown command '{_text(given[1])}' (see '{_PROGRAM} --help')")
            return _USAGE
        io.out.write(_help(wanted) if wanted else _USAGE_TEXT.encode())
        return _OK
    command = _COMMANDS.get(first)
    if command is None:
        io.error(f"unknown command '{first}' (see '{_PROGRAM} --help')")
        return _USAGE
    io.command = command.name
    args = Invocation(io)
    status = _parse_options(command, given[1:], args)
    if status:
        return status
    if args.has("--help"):
        io.out.write(_help(command))
        return _OK
    if command.name != "version":
        _resource_warning(io)
    try:
        return command.run(args)
    finally:
        io.out.flush()


if __name__ == "__main__":
    sys.exit(main())
