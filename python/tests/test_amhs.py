"""The AMHS address conversion through the package: the golden rows of
amhs.txt (each with its own tables), round trips over generated tables, and
the tables as a file."""

from __future__ import annotations

import itertools
import pickle

import hvcn
import pytest
from conftest import ROOT, detail, golden, text


def tables_text(field):
    """A golden tables column: rows separated by ';' and fields by '|', or
    '=' and the text itself."""
    if field.startswith(b"="):
        return text(field[1:])
    return "".join(row.replace("|", "\t") + "\n" for row in text(field).split(";") if row)


def conversion(result):
    """An AFTNAddress as the golden result column writes it."""
    return " ".join([result.scheme] + ["inconsistent"] * (not result.consistent) + ["no-reverse"] * (result.reverse is None))


def rows(operation):
    return [row for row in golden("amhs.txt") if row.values[0][0] == operation]


@pytest.mark.parametrize("row", rows(b"table"))
def test_tables(row):
    _, source, _, _, status, line, result = row[:7]
    try:
        tables = hvcn.AMHSTables(tables_text(source))
    except hvcn.Error as error:
        assert (error.status, error.line, error.detail) == (int(status), int(line), text(result))
        return
    assert (status, len(tables._memory)) == (b"0", int(result))


@pytest.mark.parametrize("row", rows(b"amhs"))
def test_to_amhs(row):
    _, source, aftn, _, status, output, scheme, back = row[:8]
    tables = hvcn.AMHSTables(tables_text(source))
    try:
        name = tables.to_amhs(aftn)
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status), text(output))
        return
    result = tables.to_aftn(name)
    assert (status, name.orname(), name.scheme, f"{result.aftn} {conversion(result)}") == \
        (b"0", text(output), text(scheme), text(back))


@pytest.mark.parametrize("row", rows(b"aftn"))
def test_to_aftn(row):
    _, source, address, flags, status, output, result, held = row[:8]
    tables = hvcn.AMHSTables(tables_text(source))
    try:
        converted = tables.to_aftn(address, originator=b"orig" in flags)
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status.replace(b"read ", b"")), detail(error, output))
        return
    # The held name after the call: the reverse conversion under "keep",
    # else the address as it was read.
    reverse = converted.reverse.orname() if converted.reverse is not None else "-"
    assert (status, converted.aftn, conversion(converted)) == (b"0", text(output), text(result))
    assert (reverse if b"keep" in flags else hvcn.orname(address).orname()) == text(held)


def test_round_trips():
    """Generated tables: XF domains by two-letter key, CAAS domains by
    location with their CAAS rows, USER rows; every AF-Address converts
    and converts back to itself, consistently."""
    letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
    rows, addresses = [], []
    for number, (a, b) in enumerate(itertools.islice(itertools.product(letters, repeat=2), 300)):
        if number % 3:
            rows.append(f"MD\t{a}{b}\tXX\tICAO\tP{a}{b}\tXF")
            addresses.append((f"{a}{b}QQYTYX", "XF"))
        else:
            rows += [f"MD\t{a}{b}\tXX\tICAO\tC{a}{b}\tCAAS", f"CAAS\t{a}{b}QQ\tXX\tICAO\tC{a}{b}\tO{a}{b}"]
            addresses.append((f"{a}{b}QQZPZX", "CAAS"))
        if number % 7 == 0:
            rows.append(f"USER\t{a}{b}QQUSER\t/C=XX/ADMD=ICAO/PRMD=P{a}{b}/O=Users/CN=User {a}{b}/")
            addresses.append((f"{a}{b}QQUSER", "USER"))
    tables = hvcn.AMHSTables("\n".join(rows))
    for aftn, scheme in addresses:
        name = tables.to_amhs(aftn.lower())
        assert name.scheme == scheme
        back = tables.to_aftn(name)
        assert back[:3] == (aftn, scheme, True) and back.reverse == name


def test_interface(tmp_path):
    sample = ROOT / "docs" / "amhs-sample.tsv"
    tables = hvcn.AMHSTables(sample)
    assert hvcn.AMHSTables(str(sample)).text == tables.text == sample.read_text()
    caas = tables.to_amhs("VVTSOPTA", "%(NONCANON)%(X400)")
    assert (caas.format_string, caas.scheme, caas.orname()) == \
        ("%(NONCANON)%(X400)", "CAAS", "/CN=VVTSOPTA/OU=VVTS/O=VVTS/PRMD=VIETNAM/ADMD=ICAO/C=XX/")
    assert tables.to_aftn("C=XX;A=ICAO;P=VIETNAM;O=VVTS;OU1=VVTS;CN=VVTSOPTA")[:3] == ("VVTSOPTA", "CAAS", True)
    assert tables.to_aftn(caas).reverse.format_string == "%(NONCANON)%(X400)"
    copy = pickle.loads(pickle.dumps(caas))
    assert (copy.scheme, copy.orname()) == ("CAAS", caas.orname())
    # Memory of the exact size; a table whose text lacks a TAB and a line
    # break is a file name.
    one = tmp_path / "one.tsv"
    one.write_text("# no rows")
    assert len(hvcn.AMHSTables(str(one))._memory) == len(pickle.loads(pickle.dumps(hvcn.AMHSTables(one)))._memory)
    with pytest.raises(hvcn.Error) as failure:
        hvcn.AMHSTables("no-such-tables.tsv")
    assert (failure.value.status, failure.value.line) == (27, 1) and "'no-such-tables.tsv'" in failure.value.detail
    with pytest.raises(FileNotFoundError):
        hvcn.AMHSTables(tmp_path / "no-such-tables.tsv")
    with pytest.raises(hvcn.Error) as failure:
        hvcn.AMHSTables(b"MD\tAY\tXX\tICAO\tSITA\tXF\nMD\tay\tXX\tICAO\tARINC\tXF\n")
    assert (failure.value.status, failure.value.line) == (25, 2) and "line 1" in failure.value.detail
