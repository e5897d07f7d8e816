"""The standard O/R address forms through the package: the golden rows of
orname.txt."""

from __future__ import annotations

import pickle

import hvcn
import pytest
from conftest import detail, format_of, golden, rendered, text

LABELS = {b"short": "short", b"long": "long"}


# (Write rows of typed or decoded names, or through a gateway, are the C
# driver's: their sources are not O/R addresses.)
@pytest.mark.parametrize("row", [row for row in golden("orname.txt", optional=True)
                                 if row.values[0][0] in (b"read", b"write", b"typed")
                                 and not any(word in row.values[0][1] for word in (b"typed", b"decoded", b"gateway"))])
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
    """The table rows, and the to822 and from822 rows, each with its own
    table (gateway, table text or "-", address, status, results)."""
    for row in golden("orname.txt", optional=True):
        fields = row.values[0]
        operation = fields[0]
        try:
            if operation == b"table":
                source, status, values = fields[2:5]
                try:
                    table = hvcn.ORTable(source)
                except hvcn.Error as error:
                    assert (error.status, error.line) == (int(status), int(values)), row.id
                    continue
                assert (status, len(table._memory)) == (b"0", int(values)), row.id
            elif operation in (b"to822", b"from822"):
                gateway = None if fields[1] == b"-" else text(fields[1])
                table = None if fields[2] == b"-" else hvcn.ORTable(fields[2])
                source, status, values = fields[3:6]
                if operation == b"to822":
                    name = hvcn.orname(source)
                    written = name.rfc822(gateway, table)
                    back = hvcn.from_rfc822(written, gateway, table)
                    assert (status, written) == (b"0", text(values)), row.id
                    assert [r.value.lower() for r in back.records if r.value] == \
                        [r.value.lower() for r in name.records if r.value], row.id
                else:
                    name = hvcn.from_rfc822(source, gateway, table)
                    assert (status, rendered(name), name.orname()) == (b"0", text(values), text(fields[6])), row.id
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
