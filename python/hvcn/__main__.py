"""python -m hvcn: the common commands of the hvcn tool, over the package.

    python -m hvcn parse [--format F] [--open] [--prefer-teletex] [--internal T]
                         [--output-format F] [--all] [--lines] [--json] [NAME...]
    python -m hvcn orname [--from auto|annexf|stdor|typed] [--to stdor|annexf|typed]
                          [--labels short|long] [--format F] [--json] [TEXT...]
    python -m hvcn internet [--json] [NAME...]
    python -m hvcn version [--json]

Their output is the tool's, byte for byte (see docs/tool.md): the readable
form for names given as arguments, one tab-separated line per name for
standard input (or --lines), one JSON object per name with --json. Exit
status: 0 when every name was read, 1 when some name failed, 2 on a usage
error.
"""

from __future__ import annotations

import argparse
import sys
from typing import BinaryIO, Iterator, List, Optional, Sequence

import hvcn

# The names of the personal-name parts in the tool's words.
_WORDS = {"surname": "surname", "given-name": "given name", "initials": "initials",
          "generation": "generation qualifier"}
_FAILED, _USAGE = 1, 2


def _raw(text: str) -> bytes:
    return text.encode("utf-8", "surrogateescape")


def show_controls(text: str) -> str:
    """Control characters (below 0x20, and 0x7F) as \\xHH, as the tool shows them."""
    return "".join(f"\\x{ord(c):02x}" if ord(c) < 0x20 or c == "\x7f" else c for c in text)


def json_string(text: str) -> str:
    """A JSON string literal as the tool writes it: control characters as
    \\u00HH, other text as it is."""
    out = ['"']
    for c in text:
        if c == '"':
            out.append('\\"')
        elif c == "\\":
            out.append("\\\\")
        elif c == "\n":
            out.append("\\n")
        elif c == "\r":
            out.append("\\r")
        elif c == "\t":
            out.append("\\t")
        elif ord(c) < 0x20 or c == "\x7f":
            out.append(f"\\u{ord(c):04x}")
        else:
            out.append(c)
    out.append('"')
    return "".join(out)


def _inputs(names: Sequence[str], stdin: BinaryIO) -> Iterator[str]:
    """The names given, else the lines of standard input (without CR/LF)."""
    if names:
        yield from names
        return
    for line in stdin:
        if line.endswith(b"\n"):
            line = line[:-1]
        if line.endswith(b"\r"):
            line = line[:-1]
        yield line.decode("utf-8", "surrogateescape")


class _Output:
    def __init__(self, out: BinaryIO, err: BinaryIO) -> None:
        self.out, self.err = out, err

    def line(self, text: str) -> None:
        self.out.write(_raw(text) + b"\n")

    def error(self, text: str) -> None:
        self.out.flush()
        self.err.write(b"hvcn: " + _raw(text) + b"\n")
        self.err.flush()


def _info(attribute_id: int) -> Optional[hvcn.AttributeInfo]:
    try:
        return hvcn.attribute_info(attribute_id) if attribute_id > 0 else None
    except hvcn.Error:
        return None


def _is_teletex(info: Optional[hvcn.AttributeInfo]) -> bool:
    # As the tool marks them: the teletex twins of the attributes that typed
    # names hold (surname to common name), not ff nor the postal twins.
    return info is not None and info.teletex and 0 < info.twin_id < info.id and info.twin_id <= 24


def _is_dda_type(info: Optional[hvcn.AttributeInfo]) -> bool:
    if info is None:
        return False
    if info.label == "DDA":
        return True
    twin = _info(info.twin_id) if info.teletex else None
    return twin is not None and twin.label == "DDA"


def _print_reading(out: _Output, mode: str, source: str, reading: int, name: hvcn.Name,
                   internal: Optional[str], output: Optional[str]) -> None:
    words = ", ".join(_WORDS[part] for part in name.parts)
    values = [(record, _info(record.id)) for record in name.records if record.value]
    if mode == "json":
        text = (f'{{"name":{json_string(source)},"status":0,"reading":{reading},"shape":{name.shape},'
                f'"context":{name.context},"words":{json_string(words)},"attributes":{_attributes_json(name)}')
        if internal is not None:
            text += f',"internal":{json_string(internal)}'
        if output is not None:
            text += f',"output":{json_string(output)}'
        out.line(text + "}")
    elif mode == "lines":
        pairs: List[str] = []
        index = 0
        while index < len(values):
            record, info = values[index]
            if _is_dda_type(info):
                # A domain-defined pair as X.400 writes it: dd.type=value.
                item = f"dd.{record.value}="
                if index + 1 < len(values) and values[index + 1][0].id == record.id + 1:
                    index += 1
                    item += values[index][0].value
            elif info is not None:
                item = f"{info.tag or '#' + str(record.id)}={record.value}"
            else:
                item = f"{record.name}={record.value}"
            pairs.append(item)
            index += 1
        text = f"{source}\t{reading}\t{words}\t{' '.join(pairs)}"
        if internal is not None:
            text += "\t" + show_controls(internal)
        if output is not None:
            text += "\t" + output
        out.line(text)
    else:
        if reading == 1:
            out.line(source)
        more = ": more readings may follow" if name.context & hvcn._lib.PARSE_CONTEXT_MASK else ""
        out.line(f"  reading {reading}{': ' if words else ''}{words}  "
                 f"(shape {name.shape:#x}, context {name.context:#x}{more})")
        for record, info in values:
            label = f"{info.name} ({record.id})" if info else record.name
            out.line(f"    {(info.tag if info else ''):<6} {label:<26} {record.value}")
        if internal is not None:
            out.line(f"    internal: {show_controls(internal)}")
        if output is not None:
            out.line(f"    output:   {output}")


def _parse(options: argparse.Namespace, out: _Output, stdin: BinaryIO) -> int:
    try:
        internal_type = int(options.internal or 0)
    except ValueError:
        internal_type = -1
    if not 0 <= internal_type <= 3:
        out.error("parse: --internal takes 1, 2 or 3")
        return _USAGE
    mode = "json" if options.json else "lines" if options.lines or not options.names else "readable"
    try:
        form = hvcn.Format(options.format)
    except hvcn.Error as error:
        out.error(f"format: {int(error.status)}: {error.text} {error.detail}")
        return _FAILED
    exit_status = 0
    for source in _inputs(options.names, stdin):
        context, reading = 0, 1
        while True:
            try:
                name = form.parse(source, complete=not options.open, prefer_teletex=options.prefer_teletex,
                                  context=context)
            except hvcn.Error as error:
                if error.status == hvcn.Status.NO_MORE_INTERPRETATIONS and reading > 1:
                    break  # the last reading was shown
                exit_status = _FAILED
                _print_failure(out, mode, source, error)
                break
            internal = name.internal(internal_type) if internal_type else None
            output = None
            if options.output_format is not None:
                try:
                    output = name.format(options.output_format)
                except hvcn.Error:
                    output = ""
            _print_reading(out, mode, source, reading, name, internal, output)
            if not options.all or not name.context & hvcn._lib.PARSE_CONTEXT_MASK:
                break
            context, reading = name.context, reading + 1
    return exit_status


def _print_failure(out: _Output, mode: str, source: str, error: hvcn.Error) -> None:
    if mode == "json":
        out.line(f'{{"name":{json_string(source)},"status":{int(error.status)},'
                 f'"error":{json_string(error.text)},"detail":{json_string(error.detail)}}}')
        return
    out.error(f"{source}: {error}")
    if mode == "lines":
        out.line(f"{source}\terror {int(error.status)}\t{error.text}")


def _attributes_json(name: Optional[hvcn.Name]) -> str:
    """The attributes array of parse --json."""
    items = []
    for record in name.records if name is not None else ():
        if not record.value:
            continue
        info = _info(record.id)
        items.append("{" + f'"id":{record.id},"name":{json_string(info.name if info else record.name)},'
                     f'"tag":{json_string(info.tag if info else "")},'
                     f'"teletex":{"true" if _is_teletex(info) else "false"},"value":{json_string(record.value)}' + "}")
    return "[" + ",".join(items) + "]"


def _orname(options: argparse.Namespace, out: _Output, stdin: BinaryIO) -> int:
    if options.gateway is not None or options.table is not None or "rfc822" in (options.from_form, options.to_form):
        out.error("orname: the RFC 822 forms (--gateway, --table, rfc822) are the hvcn tool's")
        return _USAGE
    if options.from_form not in ("auto", "annexf", "stdor", "typed") or \
            options.to_form not in ("stdor", "annexf", "typed"):
        out.error("orname: --from takes auto, annexf, stdor, rfc822 or typed; --to stdor, annexf, typed or rfc822")
        return _USAGE
    if options.labels not in (None, "short", "long"):
        out.error("orname: --labels takes short or long")
        return _USAGE
    try:
        form = hvcn.Format(options.format)
    except hvcn.Error as error:
        out.error(f"format: {int(error.status)}: {error.text} {error.detail}")
        return _FAILED
    exit_status = 0
    for source in _inputs(options.names, stdin):
        name: Optional[hvcn.Name] = None
        output, failure = "", None
        try:
            if options.from_form == "typed":
                name = form.parse(source)
            else:
                name = form.orname(source, form=options.from_form)
            if options.to_form == "typed":
                output = name.format()
            else:
                output = name.orname(options.to_form, labels=options.labels)
        except hvcn.Error as error:
            failure, exit_status = error, _FAILED
        if options.json:
            status = int(failure.status) if failure else 0
            out.line(f'{{"input":{json_string(source)},"status":{status},'
                     f'"error":{json_string(failure.text if failure else "")},'
                     f'"detail":{json_string(failure.detail if failure else "")},"output":{json_string(output)},'
                     f'"attributes":{_attributes_json(name)}}}')
        elif failure is None:
            out.line(output)
        else:
            out.line(f"error {failure}")
    return exit_status


def _internet(options: argparse.Namespace, out: _Output, stdin: BinaryIO) -> int:
    exit_status = 0
    for source in _inputs(options.names, stdin):
        normalised = hvcn.internet(source)
        if normalised is None:
            exit_status = _FAILED
        if options.json:
            value = "null" if normalised is None else json_string(normalised)
            out.line(f'{{"name":{json_string(source)},"internet":{"false" if normalised is None else "true"},'
                     f'"normalised":{value}}}')
        elif normalised is not None:
            out.line(f"yes  {show_controls(normalised)}")
        else:
            out.line(f"no   {show_controls(source)}")
    return exit_status


def _version(options: argparse.Namespace, out: _Output, stdin: BinaryIO) -> int:
    version = hvcn.version()
    if options.json:
        out.line(f'{{"version":{json_string(version.text)},"interface":{version.interface}}}')
    else:
        out.line(f"hvcn {version.text} (interface {version.interface})")
    return 0


_USAGE_TEXT = """usage: python -m hvcn COMMAND [OPTIONS] [ARGUMENTS]

Reads, checks and writes X.400 recipient names: the hvcn tool's common
commands over the Python package.

commands:
  parse      Read typed names: their attributes, the reading chosen and the readings left.
  orname     Read and write O/R addresses in their standard forms (RFC 1685, RFC 2156).
  internet   Tell whether names are internet (RFC 822) mailboxes and print them normalised.
  version    Print the library's version text and interface number.

'python -m hvcn COMMAND --help' shows a command's options.
"""


def _command_parsers() -> dict:  # type: ignore[type-arg]
    parse = argparse.ArgumentParser(
        prog="python -m hvcn parse",
        description="Read typed names. Without NAME, names are read from standard input, one a line, and "
        "each result is one line (tab-separated: name, reading, its words, tag=value pairs) or, with --json, "
        "one JSON object, in the order of the input. The exit status is 1 when a name cannot be read.")
    parse.add_argument("--format", metavar="F", help="input format string (default: the configured one)")
    parse.add_argument("--open", action="store_true", help="the name is still being typed (default: complete)")
    parse.add_argument("--prefer-teletex", action="store_true", help="store values in their teletex variants")
    parse.add_argument("--internal", metavar="T", help="also show the name in internal type 1, 2 or 3")
    parse.add_argument("--output-format", metavar="F", help="also write the name under this format")
    parse.add_argument("--all", action="store_true", help="show every reading of an ambiguous name")
    parse.add_argument("--lines", action="store_true",
                       help="one line per name (or reading), tab-separated; the default for standard input")
    parse.add_argument("--json", action="store_true", help="one JSON object per name (per reading with --all)")
    parse.add_argument("names", nargs="*", metavar="NAME")
    parse.set_defaults(run=_parse)
    orname = argparse.ArgumentParser(
        prog="python -m hvcn orname",
        description="Reads each address in the form --from says (auto: the \"/\" form when it starts with '/', "
        "else the \";\" form; typed: a typed name under --format) and writes it in the form --to says. Without "
        "TEXT, addresses are read from standard input, one a line; each gives one line (the written form, or "
        "error N: text detail) or one JSON object. The RFC 822 forms are the hvcn tool's.")
    orname.add_argument("--from", dest="from_form", metavar="FORM", default="auto",
                        help="auto (the default), annexf, stdor or typed")
    orname.add_argument("--to", dest="to_form", metavar="FORM", default="stdor",
                        help="stdor (the default), annexf or typed")
    orname.add_argument("--labels", metavar="KIND", help="short (A=, P=, Q=) or long (ADMD=, PRMD=, GQ=) labels")
    orname.add_argument("--format", metavar="F", help="format string of typed names (default: the configured one)")
    orname.add_argument("--gateway", metavar="DOMAIN", help=argparse.SUPPRESS)
    orname.add_argument("--table", metavar="FILE", help=argparse.SUPPRESS)
    orname.add_argument("--json", action="store_true", help="one JSON object per address")
    orname.add_argument("names", nargs="*", metavar="TEXT")
    orname.set_defaults(run=_orname)
    internet = argparse.ArgumentParser(
        prog="python -m hvcn internet",
        description="Tell whether names are internet (RFC 822) mailboxes: prints yes and the mailbox "
        "normalised, or no and the name as given. The exit status is 1 when some name is not a mailbox.")
    internet.add_argument("--json", action="store_true", help="one JSON object per name")
    internet.add_argument("names", nargs="*", metavar="NAME")
    internet.set_defaults(run=_internet)
    version = argparse.ArgumentParser(prog="python -m hvcn version",
                                      description="Print the library's version text and interface number.")
    version.add_argument("--json", action="store_true", help="one JSON object")
    version.set_defaults(run=_version)
    return {"parse": parse, "orname": orname, "internet": internet, "version": version}


def main(arguments: Optional[Sequence[str]] = None, stdin: Optional[BinaryIO] = None,
         stdout: Optional[BinaryIO] = None, stderr: Optional[BinaryIO] = None) -> int:
    """Runs one command; returns the exit status."""
    arguments = list(sys.argv[1:] if arguments is None else arguments)
    out = _Output(stdout or sys.stdout.buffer, stderr or sys.stderr.buffer)
    if not arguments or arguments[0] in ("-h", "--help", "help"):
        interactive = bool(arguments) or sys.stdin.isatty()
        (out.out if interactive else out.err).write(_USAGE_TEXT.encode())
        return 0 if interactive else _USAGE
    parsers = _command_parsers()
    parser = parsers.get(arguments[0])
    if parser is None:
        out.error(f"unknown command '{arguments[0]}' (see 'python -m hvcn --help')")
        return _USAGE
    try:
        options = parser.parse_intermixed_args(arguments[1:])
    except SystemExit as stop:  # a usage error (2), or --help (0)
        return int(stop.code or 0)
    try:
        return options.run(options, out, stdin or sys.stdin.buffer)  # type: ignore[no-any-return]
    finally:
        out.out.flush()


if __name__ == "__main__":
    sys.exit(main())
