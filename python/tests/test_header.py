"""The package's constants and structure layouts against api/hvcn.h: the
module the build wrote from the header is the one the header gives now, and
the ctypes structures have the byte offsets the header's table documents."""

from __future__ import annotations

import ctypes
import re
import runpy

import hvcn
from conftest import ROOT

HEADER = (ROOT / "api" / "hvcn.h").read_text()


def test_the_constants_are_the_headers():
    backend = runpy.run_path(str(ROOT / "python" / "backend" / "hvcn_build.py"))
    written = open(hvcn._lib._header.__file__).read()
    assert written == backend["header_module"](HEADER)
    # Spot checks of the reading itself.
    header = hvcn._lib._header
    assert (header.ERR_BAD_TERMINAL_TYPE, header.PARSE_CONTEXT_MASK, header.CHAR_RS, header.TOKEN_CANON) == \
        (30, 0x337FF0, 0x1E, -2)
    assert [member.name for member in hvcn.Status][:3] == ["SUCCESS", "BUFFER_TOO_SMALL", "BAD_FORMAT_STRING"]
    assert len(hvcn.Status) == 31


def test_the_layouts_are_the_headers():
    column = 1 if ctypes.sizeof(ctypes.c_void_p) == 4 else 2
    table = re.findall(r"^ \*   (\w+)\s+(\d+)\s+(\d+)\s+", HEADER, re.M)
    offsets = {name: int((bits32, bits64)[column - 1]) for name, bits32, bits64 in table}
    assert len(offsets) == 16  # every field
    for name, offset in offsets.items():
        if name == "sizeof":
            continue
        assert getattr(hvcn._lib.FormatStruct, name).offset == offset, name
    assert ctypes.sizeof(hvcn._lib.FormatStruct) == int(re.search(r"sizeof\(hvcnFormat\)\s+(\d+)\s+(\d+)",
                                                                   HEADER).group(column))
    info = re.search(r"hvcnAttributeInfo \(88 bytes on both\): (.*?)\.", HEADER, re.S).group(1)
    for name, offset in re.findall(r"(\w+) (\d+)", info):
        assert getattr(hvcn._lib.AttributeInfoStruct, name).offset == int(offset), name
    assert ctypes.sizeof(hvcn._lib.AttributeInfoStruct) == 88
