"""The standard O/R address forms through the package: the golden rows of
orname.txt."""

from __future__ import annotations

import pickle

import hvcn
import pytest
from conftest import detail, format_of, golden, rendered, text

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
        assert (error.status, error.detail) == (int(status), detail(error, values))
        return
    assert status == b"0" and result == tuple(text(field) for field in row[4:4 + len(result)])


def test_golden_rfc822():
    """The table, to822 and from822 rows in order: each uses the last good table."""
    table = None
    for row in golden("orname.txt", optional=True):
        operation, argument, source, status, values = row.values[0][:5]
        gateway = None if argument == b"-" else text(argument)
        try:
            if operation == b"table":
                try:
                    table = hvcn.ORTable(source)
                except hvcn.Error as error:
                    assert (error.status, error.line) == (int(status), int(values)), row.id
                    continue
                assert (status, len(table._memory)) == (b"0", int(values)), row.id
            elif operation == b"to822":
                name = hvcn.orname(source)
                written = name.rfc822(gateway, table)
                back = hvcn.from_rfc822(written, gateway, table)
                assert (status, written) == (b"0", text(values)), row.id
                assert [r for r in back.records if r.value] == [r for r in name.records if r.value], row.id
            elif operation == b"from822":
                name = hvcn.from_rfc822(source, gateway, table)
                assert (status, rendered(name), name.orname()) == (b"0", text(values), text(row.values[0][5])), row.id
        except hvcn.Error as error:
            assert (error.status, error.detail) == (int(status), detail(error, values)), row.id


def test_interface():
    name = hvcn.Format("%(NONCANON)").orname("G=John;I=J.R.;S=Smith;C=GB", form="annexf")
    assert (name["initials"], str(name), name.format_string) == ("JR", "John J.R. Smith", "%(NONCANON)")
    assert name.internal(3) == "1\x1dSmith\x1e2\x1dJohn\x1e3\x1dJR\x1e10\x1dGB\x1e11\x1d "
    assert name.orname(labels="short") == "/G=John/I=JR/S=Smith/A= /C=GB/"
    assert hvcn.orname(b"S=M\xfcller", encoding="cp1252").value("surname") == "M\u00fcller"
    with pytest.raises(hvcn.Error) as failure:
        hvcn.orname("/G=John/XYZ=1/", form="stdor")
    assert failure.value.status == 24 and "'XYZ'" in failure.value.detail
    assert name.rfc822("gw.example", labels="short") == '"/G=John/I=JR/S=Smith/A= /C=GB/"@gw.example'
    mapped = hvcn.from_rfc822("John.Smith@gb.example", table="gb.example#C=GB$ADMD= #", format="%(NONCANON)")
    assert (str(mapped), mapped.format_string) == ("John Smith", "%(NONCANON)")
    assert mapped.rfc822(table="gb.example#C=GB$ADMD= #", personal_local=False) == "/G=John/S=Smith/@gb.example"
    assert pickle.loads(pickle.dumps(mapped)).orname() == "/G=John/S=Smith/ADMD= /C=GB/"
    for call in (lambda: hvcn.orname("S=x", form="x400"), lambda: name.orname("rfc822"),
                 lambda: name.orname(labels="tiny"), lambda: name.rfc822(), lambda: hvcn.from_rfc822("x@y")):
        with pytest.raises(ValueError):
            call()
