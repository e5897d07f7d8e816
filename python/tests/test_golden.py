"""The package against the golden data of the C tests: the same rows, read
through the Python interface."""

from __future__ import annotations

import hvcn
import pytest
from conftest import detail as detail_of
from conftest import format_of, golden, rendered, text

CONTEXT_MASK = 0x337FF0
# The personal-name parts and their teletex variants as readings.txt shows
# them: the part's tag, "-tx" added for the variant (from the catalogue).
PERSONAL = [(info.id, hvcn.attribute_info(info.twin_id if info.teletex else info.id).tag + ("-tx" if info.teletex else ""))
            for info in sorted(hvcn.catalogue(), key=lambda info: info.teletex) if info.personal]
CLASSES = {b"N": "numeric", b"P": "printable", b"S": "string", b"T": "teletex"}


@pytest.mark.parametrize("row", golden("parse_names.txt"))
def test_parse(row):
    form, flags, context, name, status, context_out, shape, values, detail = row
    options = dict(complete=b"C" in flags, prefer_teletex=b"T" in flags, context=int(context, 16))
    if status == b"0":
        parsed = hvcn.parse(name, format_of(form), **options)
        assert (hex(parsed.context), hex(parsed.shape), rendered(parsed)) == (text(context_out), text(shape),
                                                                             text(values))
    else:
        with pytest.raises(hvcn.Error) as failure:
            hvcn.parse(name, format_of(form), **options)
        assert (failure.value.status, failure.value.detail) == (int(status), detail_of(failure.value, detail))


@pytest.mark.parametrize("row", golden("readings.txt"))
def test_readings(row):
    form, flags, name, calls = row
    try:
        readings = hvcn.readings(name, format_of(form), complete=b"C" in flags, prefer_teletex=b"T" in flags)
        end = 21 if readings[-1].context & CONTEXT_MASK else 0
    except hvcn.Error as error:
        readings, end = [], error.status
    seen = [" ".join([f"{n.shape:#x}/{n.context:#x}"] + [f"{tag}={n[i]}" for i, tag in PERSONAL if i in n])
            for n in readings]
    assert [reading.reading for reading in readings] == list(range(1, len(readings) + 1))
    assert " ; ".join(seen) + (" " if seen else "") + f"=> {end}" == text(calls)


@pytest.mark.parametrize("row", golden("internal_names.txt"))
def test_internal_forms(row):
    kind, source, values, type1, type2, type3 = row[:6]
    name = hvcn.from_internal(source, int(kind))
    assert rendered(name) == text(values)
    assert [name.internal(t) for t in (1, 2, 3)] == [text(type1), text(type2), text(type3)]


FORMATTABLE = [row for row in golden("format_names.txt")
               if row.values[0][0] != b"none" and row.values[0][6] == b"0" and not row.values[0][5].startswith(b"reconf")
               and b"escapes" not in row.values[0][5] and (row.values[0][0] != b"typed" or row.values[0][4])]


@pytest.mark.parametrize("row", FORMATTABLE)
def test_format(row):
    source, form, name_text, output, flags, settings, _, result = row[:8]
    settings = dict(s.partition(b"=")[::2] for s in settings.split(b",") if s)
    if source == b"typed":
        name = hvcn.parse(name_text, format_of(form), complete=b"open" not in settings)
    else:
        name = hvcn.from_internal(name_text, int(source), format_of(form))
    written = name.format(format_of(output), escape=b"E" in flags, ou_tags=b"outags" in settings,
                          x400_personal=b"personal" in settings, no_foreign=b"noforeign" in settings,
                          seven_bit=b"7bit" in settings, x400_mask=int(settings.get(b"mask", 43)))
    assert written == text(result)


@pytest.mark.parametrize("row", golden("validate.txt"))
def test_validate(row):
    check, maximum, value, result = row[:4]
    attribute = CLASSES.get(check) or int(check)
    if int(result) <= 0:
        assert hvcn.validate(attribute, value, int(maximum)) is None
    else:
        with pytest.raises(hvcn.Error) as failure:
            hvcn.validate(attribute, value, int(maximum))
        assert failure.value.status == int(result)


@pytest.mark.parametrize("row", golden("internet_names.txt"))
def test_internet(row):
    name, answer = row[:2]
    assert hvcn.internet(name) == (text(row[2]) if answer == b"1" else None)
