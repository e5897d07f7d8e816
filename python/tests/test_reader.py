"""The reader of pasted text through the package: the golden rows of
reader.txt, read by hvcn.classify and hvcn.read."""

from __future__ import annotations

import pickle

import hvcn
import pytest
from conftest import detail, golden, rendered, text


@pytest.mark.parametrize("row", golden("reader.txt"))
def test_golden(row):
    flags, source, classified, kind, status, values = row
    strict, kind = flags == b"strict", text(kind)
    try:
        assert (classified, hvcn.classify(source, strict=strict)) == (b"0", kind)
    except hvcn.Error as error:
        assert (error.status, error.kind, error.detail) == (int(classified), kind, text(values))
    try:
        name = hvcn.read(source, strict=strict)
    except hvcn.Error as error:
        assert (error.status, error.kind, error.detail) == (int(status), kind, detail(error, values))
        return
    assert (status, name.kind, rendered(name)) == (b"0", kind, text(values))
    # Held again by the format after it read another text, and after a pickle.
    hvcn.read("G=x;C=US")
    copy = pickle.loads(pickle.dumps(name))
    assert (copy.kind, rendered(hvcn.from_internal(copy.internal(3), 3))) == (kind, text(values))


def test_interface():
    # A typed name is read under the format given; the explanation of a
    # refused typed name is the parser's, with its column.
    natural = hvcn.read("John Smith", "%(NONCANON)")
    assert (natural["surname"], natural.format_string, natural.kind, natural.scheme) == \
        ("Smith", "%(NONCANON)", "typed", None)
    with pytest.raises(hvcn.Error) as failure:
        hvcn.read("Smith, a b c d e")
    assert (failure.value.kind, failure.value.column) == ("typed", 16) and "5 words" in failure.value.detail
    with pytest.raises(hvcn.Error) as failure:
        hvcn.read("/G=John/XYZ=1/")
    assert (failure.value.status, failure.value.kind, failure.value.column) == (24, "stdor", 9)
    assert hvcn.Format("%(NONCANON)").classify(b"M\xfcller=1", encoding="latin-1") == "typed"
    with pytest.raises(hvcn.Error) as failure:
        hvcn.classify("x" * 1025)
    assert (failure.value.status, failure.value.kind) == (17, "none")
    assert hvcn.parse("Smith, John").kind is None
