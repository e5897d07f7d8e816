"""The interface around the golden rows: lookups, the Name's views, texts
and encodings, errors, formats, threads, and how the library is found."""

from __future__ import annotations

import doctest
import os
import pickle
import re
import subprocess
import sys
import threading

import hvcn
import pytest
from conftest import ROOT

TYPED = "Smith, John (ext-42) /o=Org/c=US"


def fresh_and_compacted(text, form=None):
    """A Name read straight from its records, and one whose mapping was built."""
    compacted = hvcn.parse(text, form)
    compacted.attributes
    return [hvcn.parse(text, form), compacted]


@pytest.mark.parametrize("form, text, key, expected", [
    (None, TYPED, "surname", "Smith"), (None, TYPED, 1, "Smith"), (None, TYPED, "1", "Smith"),
    (None, TYPED, "Given-Name", "John"), (None, TYPED, "initials", ""), (None, TYPED, "ddat1", "RFC-822"),
    (None, TYPED, "ddav1", "ext-42"), (None, TYPED, "admd", None), (None, TYPED, 11, None),
    (None, TYPED, "no-such", None), (None, TYPED, True, None), (None, TYPED, 0, None),
    ("%(Dept)/%(116)", "Sales/x", "dept", "Sales"), ("%(Dept)/%(116)", "Sales/x", 116, "x"),
    ("%(Dept)/%(116)", "Sales/x", "116", "x"), ("%(Dept)/%(116)", "Sales/x", "Room", None),
])
def test_lookup(form, text, key, expected):
    for name in fresh_and_compacted(text, form):
        assert name.get(key) == expected
        assert (key in name) == (expected is not None)


def test_views_of_a_name():
    for name in fresh_and_compacted(TYPED):
        assert name.attributes == {"surname": "Smith", "given-name": "John", "initials": "", "generation": "",
                                   "organization": "Org", "country": "US", "ddat1": "RFC-822", "ddav1": "ext-42"}
        assert list(name) == list(name.attributes) and len(name) == 8
        assert name.records[0] == hvcn.AttributeValue(1, "surname", "Smith") and name.records[-1].id == 17
        assert (name.parts, name.shape, name.context, name.reading) == (("surname", "given-name"), 0x4A, 0x30, 1)
        assert (str(name), name.source, name.format_string) == (TYPED, TYPED, None)
        assert name.format("%(NONCANON)") == "John Smith"
        assert name.internal(1) == "Smith\x1dJohn\x1d\x1d\x1d\x1d\x1d\x1d\x1dOrg\x1dUS\x1d\x1d\x1d\x1d\x1d\x1dRFC-822\x1dext-42"
        copy = pickle.loads(pickle.dumps(name))
        assert copy == name and str(copy) == TYPED and copy.internal(3) == name.internal(3)
    users = hvcn.parse("Sales/x", "%(Dept)/%(116)")
    assert [(r.id, r.name) for r in users.records] == [(-99, "Dept"), (116, "116")]
    assert hvcn.parse("John A. Smith", "%(NONCANON)").parts == ("given-name", "initials", "surname")


def test_teletex_values():
    name = hvcn.parse("M\u00fcller, John")
    assert (name.get("surname"), name["surname-tx"], name.value("surname"), name.value(1)) == \
        (None, "M\u00fcller", "M\u00fcller", "M\u00fcller")
    assert (name.value("given-name"), name.value("organization", "-"), name.value("no-such")) == ("John", "-", None)
    name.attributes
    assert (name.value("surname"), name.value("initials"), name.value("admd", "-")) == ("M\u00fcller", "", "-")


@pytest.mark.parametrize("call, expected", [
    (lambda: hvcn.parse(b"M\xfcller, J.", encoding="cp1252").value("surname"), "M\u00fcller"),
    (lambda: hvcn.parse(b"M\xfcller, J.", encoding="cp1252").internal(1), "M\u00fcller\x1d\x1dJ"),
    (lambda: hvcn.parse(b"M\xc3\xbcller, J.")["initials"], "J."),
    (lambda: hvcn.parse("M\u00fcller, J.", encoding="cp1252").value("surname"), "M\u00fcller"),
    (lambda: hvcn.parse(b"M\xfcller").value("surname").encode("utf-8", "surrogateescape"), b"M\xfcller"),
    (lambda: hvcn.from_internal(b"1\x1dM\xfcller", 3, encoding="latin-1").value("surname"), "M\u00fcller"),
    (lambda: hvcn.readings(b"Smith, J.", encoding="ascii")[2]["generation"], "J."),
    (lambda: hvcn.internet(b"Ann <a@b>"), "Ann <a@b>"),
    (lambda: hvcn.validate("surname-tx", b"M\xfcller", encoding="cp1252"), None),
])
def test_texts_and_encodings(call, expected):
    assert call() == expected


# call, status, the library's errorDetail, its explanation, the column.
@pytest.mark.parametrize("call, status, detail, explanation, column", [
    (lambda: hvcn.Format("%x"), 2, "Illegal character after '%'.", "", 0),
    (lambda: hvcn.parse("Smith", "%(NAME"), 2, "Closing parenthesis missing at the end of the token name.", "", 0),
    (lambda: hvcn.parse("Smith, a b c d e"), 18, "The recipient name has too many parts.",
     "5 words were read after the comma; at most 4 fit.", 16),
    (lambda: hvcn.parse("Smith (foo) bar"), 18, "",
     "The text 'bar' at column 13 fits no token of the format: there it expects a token that starts with '/'.", 13),
    (lambda: hvcn.parse("Smith/c=GBRX"), 22, "",
     "The value of country (c) at column 9 is not a country: two letters or three digits.", 9),
    (lambda: hvcn.parse("x" * 1025), 17, "", "", 0),
    (lambda: hvcn.readings("Smith, J./Sales"), 27, "", "", 0),
    (lambda: hvcn.from_internal("10\x1dGBRX", 3), 22, "",
     "The value of country (c) is not a country: two letters or three digits.", 0),
    (lambda: hvcn.orname("/G=John/G=Jim/C=US/"), 25,
     "The label 'G' at column 9 gives an attribute that the address holds already.",
     "The label 'G' at column 9 gives an attribute that the address holds already.", 9),
    (lambda: hvcn.parse("Smith").format("%x"), 2, "Illegal character after '%'.", "", 0),
    (lambda: hvcn.parse("Smith").format(x400_mask=0), 3, "", "", 0),
    (lambda: hvcn.validate("country", "GBR"), 22, "", "", 0),
    (lambda: hvcn.validate(28, "x"), 16, "", "", 0),
    (lambda: hvcn.validate("no-such", "x"), 16, "No attribute is named 'no-such'.", "", 0),
    (lambda: hvcn.attribute_info(45), 16, "45 is no standard attribute ID.", "", 0),
])
def test_errors(call, status, detail, explanation, column):
    with pytest.raises(hvcn.Error) as failure:
        call()
    error = failure.value
    assert (error.status, error.explanation, error.column, error.text) == \
        (status, explanation, column, hvcn.error_text(status))
    # detail: what the tool prints after the status text.
    assert error.detail == " ".join(part for part in dict.fromkeys((detail, explanation)) if part)
    assert str(error) == f"{status}: {error.text}" + (f" {error.detail}" if error.detail else "")


@pytest.mark.parametrize("call, kind", [
    (lambda: hvcn.parse("a\0b"), ValueError), (lambda: hvcn.parse(42), TypeError),
    (lambda: hvcn.parse("Smith", 42), TypeError), (lambda: hvcn.Format(b"%(1)"), TypeError),
    (lambda: hvcn.parse("Smith").internal(4), ValueError), (lambda: hvcn.from_internal("1\x1da", 0), ValueError),
    (lambda: hvcn.validate(1.5, "x"), TypeError), (lambda: hvcn.parse(b"\x81", encoding="cp1252"), ValueError),
])
def test_argument_errors(call, kind):
    with pytest.raises(kind):
        call()


# Integers the library takes in 32 bits are never cut: out of range is an
# error, and so is another type, named in the message.
@pytest.mark.parametrize("call, kind, named", [
    (lambda: hvcn.error_text(2 ** 40), OverflowError, "status"),
    (lambda: hvcn.error_text(-2 ** 31 - 1), OverflowError, "status"),
    (lambda: hvcn.error_text("3"), TypeError, "status"),
    (lambda: hvcn.parse("Smith, J.", context=2 ** 40), OverflowError, "context"),
    (lambda: hvcn.parse("Smith, J.", context=-1), OverflowError, "context"),
    (lambda: hvcn.parse("Smith, J.", context="0x60"), TypeError, "context"),
    (lambda: hvcn.parse("Smith, J.", context=True), TypeError, "context"),
    (lambda: hvcn.Format().parse("Smith", context=2 ** 32), OverflowError, "context"),
    (lambda: hvcn.validate("surname", "Smith", max_length=2 ** 40), OverflowError, "max_length"),
    (lambda: hvcn.validate("teletex", "Smith", max_length=2 ** 31), OverflowError, "max_length"),
    (lambda: hvcn.validate("surname", "Smith", max_length="5"), TypeError, "max_length"),
    (lambda: hvcn.validate(2 ** 32 + 1, "Smith"), OverflowError, "attribute"),
    (lambda: hvcn.attribute_info(2 ** 32 + 1), OverflowError, "attribute"),
    (lambda: hvcn.parse("Smith").format(x400_mask=2 ** 40), OverflowError, "x400_mask"),
    (lambda: hvcn.from_internal("1\x1da", 2 ** 32 + 3), ValueError, "type"),
])
def test_integer_arguments(call, kind, named):
    with pytest.raises(kind, match=named):
        call()


def test_long_texts_have_the_room_they_need():
    # The writers tell the size they need: a long text is written whole,
    # never refused as too long for the package's buffers.
    name = hvcn.orname("/S=Smith/C=US/")
    long_gateway = ".".join(["a" * 60] * 170000)  # 10 MB
    try:
        written = name.rfc822(gateway=long_gateway)
        assert written.endswith(long_gateway)
    except hvcn.Error as error:
        assert error.status != hvcn.Status.BUFFER_TOO_SMALL
    units = hvcn.from_internal("5\x1d" + "a" * 32 + "\x1e6\x1d" + "b" * 32 + "\x1e1\x1d" + "S" * 40, 3)
    assert len(units.format("%(1)%(1)%(1)%(1)%(1)%(1)%(1)%(1)%(1)%(X400)", escape=True)) > 360


def test_formats_and_library_facts():
    natural = hvcn.Format("%(NONCANON)/%(X400)")
    assert (natural.format_string, repr(natural)) == ("%(NONCANON)/%(X400)", "hvcn.Format('%(NONCANON)/%(X400)')")
    assert natural.parse("John Smith/o=Org")["organization"] == "Org"
    assert hvcn.parse("John Smith/c=US", natural).format_string == "%(NONCANON)/%(X400)"
    assert [n["surname"] for n in natural.readings("John Smith")] == ["Smith", "", "John Smith"]
    assert natural.from_internal("1\x1dSmith\x1e2\x1dJohn", 3).format() == "John Smith"
    assert natural.parse("Smith", context=0xd0, complete=True).get("given-name") == "Smith"
    assert hvcn.parse("Smith", complete=False).attributes == {"surname": "Smith"}
    assert hvcn.parse("Smith, John", prefer_teletex=True).get("surname-tx") == "Smith"
    users = hvcn.Format("%(Dept)%(116)%(CANON)")
    assert users.rs_list()[:3] == ["Dept", "116", "1"]
    assert users.rs_list(user_only=True) == ["@X400-ATTR@", "Dept", "116"]
    assert hvcn.version() == ("X.05.20.01", 104) and str(hvcn.version()) == "X.05.20.01"
    assert hvcn.error_text(0) == "No problem was found." and hvcn.Status(22) is hvcn.Status.BAD_COUNTRY
    catalogue = hvcn.catalogue()
    assert len(catalogue) == 74 and catalogue[0] == hvcn.attribute_info("surname") == hvcn.attribute_info(1)
    assert hvcn.attribute_info("admd")[:5] == (11, "admd", "a", "ADMD", "A")
    cmake = re.search(r"VERSION (\d+\.\d+\.\d+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
    pyproject = re.search(r'version = "(.*)"', (ROOT / "python" / "pyproject.toml").read_text()).group(1)
    assert hvcn.__version__ == cmake == pyproject


def test_threads_each_use_formats_of_their_own():
    names = [TYPED, "Smith, J.", "Lee, Ann /Sales/o=Example/c=GB", "M\u00fcller, J\u00fcrgen", "Smith (foo) bar"]

    def work(text):
        try:
            return [(str(n), n.attributes, n.internal(2), n.format("%(NONCANON)")) for n in hvcn.readings(text)]
        except hvcn.Error as error:
            return error.status

    expected = [work(text) for text in names]
    seen, failures = [], []

    def run():
        try:
            for _ in range(200):
                seen.append([work(text) for text in names])
        except Exception as error:  # pragma: no cover - reported below
            failures.append(error)

    threads = [threading.Thread(target=run) for _ in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not failures and len(seen) == 800 and all(result == expected for result in seen)


def test_docstring_examples():
    runner = doctest.DocTestRunner()
    for example in doctest.DocTestFinder().find(hvcn, extraglobs={"hvcn": hvcn}):
        runner.run(example)
    assert runner.tries > 20 and runner.failures == 0


def run_python(code, **environment):
    env = {key: value for key, value in os.environ.items() if key not in ("HVCN_LIBRARY", "LD_LIBRARY_PATH")}
    env.update(environment)
    return subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, env=env, cwd="/")


def test_the_library_is_found(tmp_path):
    # The package's own library, with no variable set.
    bundled = os.path.join(os.path.dirname(hvcn.__file__), "lib", "libhvcn.so.1")
    found = run_python("import hvcn; print(hvcn._lib.path); print(hvcn.parse('Lee, Ann'))")
    assert (found.stdout, found.stderr) == (f"{bundled}\nLee, Ann\n", "")
    # HVCN_LIBRARY still decides: a file, or a folder holding it.
    folder = os.path.dirname(hvcn._lib.path)
    assert run_python("import hvcn; print(hvcn.parse('Lee, Ann'))", HVCN_LIBRARY=folder).stdout == "Lee, Ann\n"
    wrong = run_python("import hvcn", HVCN_LIBRARY="/no/such/libhvcn.so")
    assert "ImportError: hvcn: the library named by HVCN_LIBRARY" in wrong.stderr
    assert "/no/such/libhvcn.so" in wrong.stderr
    # A library without its resource libraries is said, never a silent change of language.
    alone = tmp_path / "libhvcn.so.1"
    alone.write_bytes(open(hvcn._lib.path, "rb").read())
    italian = run_python("import hvcn; print(hvcn.error_text(0))", HVCN_LIBRARY=str(alone))
    assert italian.stdout == "Non si \u00e8 riscontrato alcun problema.\n"
    assert "RuntimeWarning: hvcn: no language resource library was found (looked for tarnres.so in " \
           f"{tmp_path}/)" in italian.stderr
