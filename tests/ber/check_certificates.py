#!/usr/bin/python3
"""The x400Address entries of certificates made by `openssl req` at test
time, read through hvcnGetCertificateORAddress; and the malformed vector
x509/san_x400address.der of Debian's python3-cryptography-vectors, refused
with a detail that says why.

The certificates carry the addresses among other names: the
subjectAltName a DNS name, an x400Address, an email address, a directory
name, a second x400Address (a teletex surname) and a URI; the
issuerAltName a DNS name and an x400Address (its teletex value Latin-1, as
many certificate writers put it). pyasn1 writes the extension values;
openssl signs the certificates.

    check_certificates.py LIBRARY WORKDIR
    check_certificates.py --make FOLDER

--make only writes the certificates into FOLDER, for the tool's golden
cases (tests/data/tool_cases.txt): x400.der and x400.pem (the one above),
plain.der (no alternative names), chain.pem (x400 and plain), mixed.der
(two malformed x400Address entries before the Salford one) and, when
python3-cryptography-vectors is installed, san_x400address.der.
"""
import base64
import os
import shutil
import subprocess
import sys

from pyasn1.codec.der import encoder as der_encoder
from pyasn1.type import char
from pyasn1_modules import rfc5280 as x509

from check_pyasn1 import address, t61, teletex_personal_name
from library import TELETEX_LATIN1, Checks, Library

VECTOR = "/usr/lib/python3/dist-packages/cryptography_vectors/x509/san_x400address.der"
SUBJECT, ISSUER = 1, 2


def length(n):
    if n < 0x80:
        return bytes([n])
    octets = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(octets)]) + octets


def general_name(kind, value):
    name = x509.GeneralName()
    name[kind] = value
    return der_encoder.encode(name)


def x400_address(oraddress):
    """The x400Address GeneralName: [3] IMPLICIT ORAddress."""
    der = der_encoder.encode(oraddress)
    return b"\xa3" + der[1:]


def general_names(*names):
    contents = b"".join(names)
    return b"\x30" + length(len(contents)) + contents


def directory_name():
    rdn = x509.RelativeDistinguishedName()
    atv = x509.AttributeTypeAndValue()
    atv["type"] = x509.id_at_commonName
    atv["value"] = der_encoder.encode(char.UTF8String("Steve Kille"))
    rdn.append(atv)
    name = x509.GeneralName()
    name["directoryName"]["rdnSequence"].append(rdn)
    return der_encoder.encode(name)


def latin1_common_name(text):
    value = x509.TeletexCommonName(text.encode("latin-1"))
    return value


SALFORD = address([("country-name", "GB"), ("administration-domain-name", "GOLD 400"), ("private-domain-name", "UK.AC"),
                   ("organization-name", "Salford"), ("organizational-unit-names", ["R-D"])],
                  extensions=[(1, x509.CommonName("Steve Kille"))])
MULLER = address([("country-name", "DE"), ("administration-domain-name", " "), ("personal-name", {"surname": "Muller"})],
                 extensions=[(4, teletex_personal_name(surname="Müller"))])
ISSUER_ADDRESS = address([("country-name", "US"), ("administration-domain-name", "ATTMAIL"), ("organization-name", "CA")],
                         extensions=[(2, latin1_common_name("Zertifizierungsstelle Köln"))])

SUBJECT_NAMES = general_names(general_name("dNSName", "mail.example"), x400_address(SALFORD),
                              general_name("rfc822Name", "steve@example.org"), directory_name(),
                              x400_address(MULLER), general_name("uniformResourceIdentifier", "https://example.org/"))
ISSUER_NAMES = general_names(general_name("dNSName", "ca.example"), x400_address(ISSUER_ADDRESS))

SALFORD_VALUES = {5: "R-D", 9: "Salford", 10: "GB", 11: "GOLD 400", 12: "UK.AC", 24: "Steve Kille"}
MULLER_VALUES = {1: "Muller", 10: "DE", 11: " ", 51: "Müller"}


def openssl_certificate(folder, name, extensions):
    """A self-signed certificate from `openssl req`, in DER."""
    key, out = os.path.join(folder, name + ".key"), os.path.join(folder, name + ".der")
    command = ["openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
               "-keyout", key, "-subj", "/CN=" + name, "-days", "1", "-outform", "DER", "-out", out]
    for ext, value in extensions:
        command += ["-addext", "%s=DER:%s" % (ext, value.hex())]
    subprocess.run(command, check=True, capture_output=True)
    with open(out, "rb") as f:
        return f.read()


def pem(der):
    text = base64.b64encode(der).decode()
    lines = [text[i:i + 64] for i in range(0, len(text), 64)]
    return "-----BEGIN CERTIFICATE-----\n" + "\n".join(lines) + "\n-----END CERTIFICATE-----\n"


def make(folder):
    """The certificates of the tool's golden cases."""
    os.makedirs(folder, exist_ok=True)
    cert = openssl_certificate(folder, "x400", [("subjectAltName", SUBJECT_NAMES), ("issuerAltName", ISSUER_NAMES)])
    plain = openssl_certificate(folder, "plain", [])
    # Two malformed entries (the vector's bare PrintableString, then an
    # ORAddress cut short) before a good one.
    openssl_certificate(folder, "mixed", [("subjectAltName", general_names(
        b"\xa3\x03\x13\x01\x61", b"\xa3\x02\x30\x05", x400_address(SALFORD)))])
    for name in ("x400.key", "plain.key", "mixed.key"):
        os.remove(os.path.join(folder, name))
    with open(os.path.join(folder, "x400.pem"), "w") as f:
        f.write(pem(cert))
    with open(os.path.join(folder, "chain.pem"), "w") as f:
        f.write("a chain of two\n" + pem(cert) + pem(plain))
    if os.path.exists(VECTOR):
        shutil.copyfile(VECTOR, os.path.join(folder, os.path.basename(VECTOR)))


def main():
    if sys.argv[1] == "--make":
        make(sys.argv[2])
        return 0
    library = Library(sys.argv[1])
    folder = sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    checks = Checks()

    cert = openssl_certificate(folder, "x400", [("subjectAltName", SUBJECT_NAMES), ("issuerAltName", ISSUER_NAMES)])
    expected = [(SUBJECT, SALFORD_VALUES), (SUBJECT, MULLER_VALUES)]
    for index, (extension, values) in enumerate(expected):
        status, f, where = library.certificate(cert, index)
        checks.equal("entry %d" % index, (status, where, library.detail(f)), (0, extension, ""))
        checks.equal("entry %d values" % index, library.values(f), values)
    # The issuer's teletex value is Latin-1: read as such on request.
    status, f, where = library.certificate(cert, 2, TELETEX_LATIN1)
    checks.equal("entry 2", (status, where), (0, ISSUER))
    checks.equal("entry 2 values", library.values(f),
                 {9: "CA", 10: "US", 11: "ATTMAIL", 68: "Zertifizierungsstelle Köln"})
    status, f, where = library.certificate(cert, 2)
    checks.equal("entry 2 read as T.61 (0xF6 is the ligature ij)", library.values(f).get(68),
                 "Zertifizierungsstelle Kĳln")
    status, f, where = library.certificate(cert, 3)
    checks.equal("no entry 3", (status, where, library.detail(f)),
                 (21, 0, "The certificate holds 3 x400Address entries in its subjectAltName and issuerAltName; "
                         "none has the index 3."))

    plain = openssl_certificate(folder, "plain", [])
    status, f, where = library.certificate(plain, 0)
    checks.equal("a certificate without alternative names", (status, library.detail(f)),
                 (21, "The certificate holds 0 x400Address entries in its subjectAltName and issuerAltName; "
                      "none has the index 0."))

    # The malformed vector: its x400Address [3] holds `13 01 61`, a bare
    # PrintableString where the ORAddress's SEQUENCE must stand.
    if os.path.exists(VECTOR):
        with open(VECTOR, "rb") as f:
            vector = f.read()
        offset = vector.index(bytes.fromhex("a303130161")) + 2
        status, f, where = library.certificate(vector, 0)
        checks.equal("the malformed vector", (status, where, library.detail(f)),
                     (27, 0, "The built-in-standard-attributes at byte %d has the tag 0x13 (PrintableString), "
                             "not 0x30 (SEQUENCE)." % offset))
        status, f, where = library.certificate(vector, 1)
        checks.equal("the malformed vector has one entry", status, 21)
    else:
        print("note: %s is not installed (python3-cryptography-vectors)" % VECTOR)
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
