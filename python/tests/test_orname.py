"""The standard O/R address forms through the package, where the library
has them: the golden rows of orname.txt, and python -m hvcn orname against
the C tool."""

from __future__ import annotations

import os
import sys

import hvcn
import pytest
from conftest import format_of, golden, rendered, text
from test_cli import TOOL, run

pytestmark = pytest.mark.skipif(not hasattr(hvcn._lib.lib, "hvcnParseORAddress"),
                                reason="the library has no standard O/R address forms")
LABELS = {b"short": "short", b"long": "long"}


@pytest.mark.parametrize("row", [row for row in golden("orname.txt", optional=True)
                                 if row.values[0][0] in (b"read", b"write", b"typed")])
def test_golden(row):
    operation, argument, source, status, values = row[:5]
    try:
        if operation == b"typed":
            name = hvcn.parse(source, format_of(argument))
            written = name.orname()
            again = hvcn.orname(written, format_of(argument))
            result = (rendered(name), written, str(again))
        elif operation == b"write":
            flags = argument.split(b"+")
            written = hvcn.orname(source).orname("annexf" if b"annexf" in flags else "stdor",
                                                 labels=next((LABELS[f] for f in flags if f in LABELS), None),
                                                 teletex_escapes=b"escapes" in flags)
            result = ("-", written)
        else:
            name = hvcn.orname(source, form=text(argument))
            result = (rendered(name), name.orname(), name.orname("annexf"))
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status), text(values))
        return
    assert status == b"0" and result == tuple(text(field) for field in row[4:4 + len(result)])


def test_interface():
    name = hvcn.Format("%(NONCANON)").orname("G=John;I=J.R.;S=Smith;C=GB", form="annexf")
    assert (name["initials"], str(name), name.format_string) == ("JR", "John J.R. Smith", "%(NONCANON)")
    assert name.internal(3) == "1\x1dSmith\x1e2\x1dJohn\x1e3\x1dJR\x1e10\x1dGB\x1e11\x1d "
    assert name.orname(labels="short") == "/G=John/I=JR/S=Smith/A= /C=GB/"
    assert hvcn.orname(b"S=M\xfcller", encoding="cp1252").value("surname") == "M\u00fcller"
    with pytest.raises(hvcn.Error) as failure:
        hvcn.orname("/G=John/XYZ=1/", form="stdor")
    assert failure.value.status == 24 and "'XYZ'" in failure.value.detail
    for call in (lambda: hvcn.orname("S=x", form="x400"), lambda: name.orname("rfc822"),
                 lambda: name.orname(labels="tiny")):
        with pytest.raises(ValueError):
            call()


@pytest.mark.skipif(not os.access(TOOL, os.X_OK), reason=f"the C tool is not built ({TOOL})")
@pytest.mark.parametrize("arguments, stdin", [
    (["orname", "G=john; S=smith; O=a bank ltd; P=abl; A=snomail; C=aq"], b""),
    (["orname", "--to", "annexf", "--labels", "long", "/c=US/a=TELENET/p=ABC/o=P$/Q/g=JOHN/s=STEEL"], b""),
    (["orname", "--from", "typed", "--to", "stdor", "Smith, John /o=Acme"], b""),
    (["orname", "--to", "typed", "--format", "%(NONCANON)%(X400)", "S=Smith;G=John;O=Acme;C=US"], b""),
    (["orname"], b"G=john; S=smith; C=aq\n/G=John/S=Smith/O=Acme/XYZ=1/\nS=M\xc3\xbcller;C=DE\n"),
    (["orname", "--json", "--from", "stdor"], b"/c=US/a=TELENET/p=ABC/o=P$/Q/g=JOHN/s=STEEL\n/S=x/OU5=y/\n"),
    (["orname", "--to", "smtp", "S=x"], b""),
])
def test_same_as_the_tool(arguments, stdin, tmp_path):
    assert run([sys.executable, "-m", "hvcn"], arguments, stdin, tmp_path) == run([TOOL], arguments, stdin, tmp_path)
