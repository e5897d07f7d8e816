"""Shared pieces of the package's tests: the golden data of the C tests
(tests/data/*.txt), read as their own driver reads them."""

from __future__ import annotations

import os
import pathlib
import re
from typing import List, Tuple

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
# HVCN_TEST_DATA: another tree's golden data (with the library built from it).
DATA = pathlib.Path(os.environ.get("HVCN_TEST_DATA") or ROOT / "tests" / "data")
_ESCAPE = re.compile(rb"\\(?:([tnr\\])|x([0-9A-Fa-f]{2}))")
_LETTERS = {b"t": b"\t", b"n": b"\n", b"r": b"\r", b"\\": b"\\"}


def unescape(field: bytes) -> bytes:
    """\\t \\n \\r \\\\ and \\xHH are escapes; any other backslash stays (a typed name's)."""
    return _ESCAPE.sub(lambda m: _LETTERS[m.group(1)] if m.group(1) else bytes([int(m.group(2), 16)]), field)


def text(field: bytes) -> str:
    return field.decode("utf-8", "surrogateescape")


def golden(file_name: str, optional: bool = False) -> List[Tuple[bytes, ...]]:
    """The rows of a golden file as pytest parameters named file:line (none
    for an optional file that is missing)."""
    rows = []
    if optional and not (DATA / file_name).exists():
        return rows
    for number, line in enumerate((DATA / file_name).read_bytes().split(b"\n"), 1):
        line = line.rstrip(b"\r")
        if line and not line.startswith(b"#"):
            fields = tuple(unescape(field) for field in line.split(b"\t"))
            rows.append(pytest.param(fields, id=f"{file_name}:{number}"))
    return rows


def format_of(field: bytes):  # type: ignore[no-untyped-def]
    """A golden format column: "-" is the default format string."""
    return None if field == b"-" else text(field)


def rendered(name) -> str:  # type: ignore[no-untyped-def]
    """A name's values as the golden files list them: ID (or a user
    attribute's name) = value, in catalogue order, joined by '|'."""
    return "|".join(f"{record.name if record.id < 0 else record.id}={record.value}"
                    for record in name.records)


def detail(error, golden_detail: bytes) -> str:
    """What hvcn.Error.detail holds for a golden row's errorDetail: that
    detail, then the library's explanation when it says more."""
    return " ".join(part for part in dict.fromkeys((text(golden_detail), error.explanation)) if part)
