"""The binary O/R address through the package: the golden rows of ber.txt
(from_der, Name.der, certificate_addresses), a certificate that
pyasn1-modules writes here, and the malformed vector of Debian's
python3-cryptography-vectors."""

from __future__ import annotations

import base64
import pathlib
import pickle

import hvcn
import pytest
from conftest import detail, golden, rendered, text
from pyasn1.codec.der import encoder
from pyasn1.type import univ, useful
from pyasn1_modules import rfc5280

SHA256_WITH_RSA, RSA = univ.ObjectIdentifier("1.2.840.113549.1.1.11"), univ.ObjectIdentifier("1.2.840.113549.1.1.1")
VECTOR = pathlib.Path("/usr/lib/python3/dist-packages/cryptography_vectors/x509/san_x400address.der")
# The outer form of an encoding by its first octet, and the golden flags.
FORMS = {0x30: "oraddress", 0x60: "orname", 0xA3: "x400address"}
ENCODE_FORMS = {b"-": "oraddress", b"orname": "orname", b"x400": "x400address"}
EXTENSIONS = {b"1": "subjectAltName", b"2": "issuerAltName"}
SOURCES = {b"text": hvcn.orname, b"typed": hvcn.parse, b"type3": lambda source: hvcn.from_internal(source, 3)}
ROWS = golden("ber.txt")


def rows(operation):
    return [row for row in ROWS if row.values[0][0] == operation]


# The package has no `used` (bytes after the address are refused) and does
# not tell of a skipped directory name: those rows are the C driver's.
@pytest.mark.parametrize("row", [row for row in rows(b"decode") if row.values[0][1] != b"used"])
def test_decode(row):
    _, flags, data, status, values = row[:5]
    data = bytes.fromhex(text(data))
    options = dict(der_only=flags == b"der", latin1=flags == b"latin1")
    try:
        name = hvcn.from_der(data, **options)
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status), detail(error, values))
        return
    form = FORMS[data[0]]
    assert (status, rendered(name), name.der(form).hex(), name.orname()) == \
        (b"0", text(values).replace(" [directory name]", ""), text(row[5]), text(row[6]))
    # The round trip, in each outer form, under DER (teletex written in T.61).
    for form in FORMS.values():
        assert hvcn.from_der(name.der(form), der_only=True) == name
    assert (name.source, name.extension) == (data.hex(), None)


@pytest.mark.parametrize("row", rows(b"encode"))
def test_encode(row):
    _, flags, source, status, result = row[:5]
    kind, _, source = source.partition(b":")
    name = SOURCES[kind](text(source))
    try:
        der = name.der(ENCODE_FORMS[flags])
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status), text(result))
        return
    assert (status, der.hex(), rendered(hvcn.from_der(der))) == (b"0", text(result), text(row[5]))


# A certificate holding a refused entry raises for the whole certificate,
# and the package reads PEM itself: those rows are the C driver's.
REFUSED = {row.values[0][2] for row in rows(b"cert") if row.values[0][3] not in (b"0", b"21")}


@pytest.mark.parametrize("row", [row for row in rows(b"cert")
                                 if not row.values[0][2].startswith(b"2d2d2d2d2d")
                                 and (row.values[0][2] not in REFUSED or row.values[0][3] != b"21")])
def test_certificate(row):
    _, argument, data, status, values, extension = row[:6]
    index, _, flags = argument.partition(b",")
    try:
        names = hvcn.certificate_addresses(bytes.fromhex(text(data)), latin1=flags == b"latin1")
    except hvcn.Error as error:
        assert (error.status, error.detail) == (int(status), text(values))
        return
    if status == b"21":  # no entry of that index: the list ends before it
        assert len(names) == int(index)
        return
    name = names[int(index)]
    assert (status, rendered(name), name.extension) == (b"0", text(values), EXTENSIONS[extension])


def x400_address(surname, given, organization, country, admd):
    """An x400Address GeneralName written by pyasn1-modules."""
    general_name = rfc5280.GeneralName()
    standard = general_name["x400Address"]["built-in-standard-attributes"]
    standard["country-name"]["iso-3166-alpha2-code"] = country
    standard["administration-domain-name"]["printable"] = admd
    standard["organization-name"] = organization
    standard["personal-name"]["surname"] = surname
    standard["personal-name"]["given-name"] = given
    return general_name


def extension(oid, *names):
    general_names = rfc5280.GeneralNames()
    general_names.extend(names)
    value = rfc5280.Extension()
    value["extnID"] = oid
    value["extnValue"] = encoder.encode(general_names)
    return value


def certificate(*extensions):
    """A certificate as pyasn1-modules writes it (its signature a dummy:
    the library reads, it does not verify)."""
    tbs = rfc5280.TBSCertificate()
    tbs["version"] = "v3"
    tbs["serialNumber"] = 7
    tbs["signature"]["algorithm"] = SHA256_WITH_RSA
    tbs["issuer"]["rdnSequence"] = rfc5280.RDNSequence()
    tbs["subject"]["rdnSequence"] = rfc5280.RDNSequence()
    tbs["validity"]["notBefore"]["utcTime"] = useful.UTCTime("260101000000Z")
    tbs["validity"]["notAfter"]["utcTime"] = useful.UTCTime("360101000000Z")
    tbs["subjectPublicKeyInfo"]["algorithm"]["algorithm"] = RSA
    tbs["subjectPublicKeyInfo"]["subjectPublicKey"] = univ.BitString(hexValue="00")
    tbs["extensions"].extend(extensions)
    signed = rfc5280.Certificate()
    signed["tbsCertificate"] = tbs
    signed["signatureAlgorithm"]["algorithm"] = SHA256_WITH_RSA
    signed["signature"] = univ.BitString(hexValue="00")
    return encoder.encode(signed)


def test_a_certificate_pyasn1_writes():
    dns = rfc5280.GeneralName()
    dns["dNSName"] = "mail.example"
    first, second = x400_address("Kille", "Steve", "Isode", "GB", "GOLD 400"), x400_address("Lee", "Ann", "Acme",
                                                                                            "US", " ")
    issuer = x400_address("CA", "Root", "Acme", "US", "ATTMAIL")
    der = certificate(extension(rfc5280.id_ce_subjectAltName, dns, first, second),
                      extension(rfc5280.id_ce_issuerAltName, issuer))
    pem = b"-----BEGIN CERTIFICATE-----\n" + base64.encodebytes(der) + b"-----END CERTIFICATE-----\n"
    for data in (der, pem, b"junk before\n" + pem + pem):
        names = hvcn.certificate_addresses(data)
        assert [(name.extension, name.orname()) for name in names] == [
            ("subjectAltName", "/G=Steve/S=Kille/O=Isode/ADMD=GOLD 400/C=GB/"),
            ("subjectAltName", "/G=Ann/S=Lee/O=Acme/ADMD= /C=US/"),
            ("issuerAltName", "/G=Root/S=CA/O=Acme/ADMD=ATTMAIL/C=US/")]
    # Each entry byte for byte as pyasn1 writes it (DER), and held again
    # after the format read another certificate.
    hvcn.certificate_addresses(certificate())
    for name, general_name in zip(names, (first, second, issuer)):
        assert name.der("x400address") == encoder.encode(general_name)
        assert pickle.loads(pickle.dumps(name)).der("x400address") == encoder.encode(general_name)
    assert hvcn.certificate_addresses(certificate(extension(rfc5280.id_ce_subjectAltName, dns))) == []


def test_the_malformed_vector():
    # Its x400Address [3] holds a bare PrintableString, not an ORAddress.
    with pytest.raises(hvcn.Error) as failure:
        hvcn.certificate_addresses(VECTOR.read_bytes())
    assert (failure.value.status, failure.value.detail) == (
        27, "The built-in-standard-attributes at byte 626 has the tag 0x13 (PrintableString), not 0x30 (SEQUENCE).")


@pytest.mark.parametrize("call, error", [
    (lambda: hvcn.certificate_addresses(b"-----BEGIN CERTIFICATE-----\nMIIB\n"), ValueError),
    (lambda: hvcn.certificate_addresses(b"-----BEGIN CERTIFICATE-----\nMII!BAAAA\n-----END CERTIFICATE-----"), ValueError),
    (lambda: hvcn.from_der("300d"), TypeError),
    (lambda: hvcn.orname("/O=x/C=GB/").der("ber"), ValueError),
])
def test_arguments(call, error):
    with pytest.raises(error):
        call()
