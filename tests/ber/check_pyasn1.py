#!/usr/bin/python3
"""The binary O/R address against an implementation nobody here wrote:
Debian's python3-pyasn1 and python3-pyasn1-modules (RFC 5280's ORAddress,
with X.411's universal-* extension attributes added in pyasn1 types), and
glibc's iconv for T.61.

  1. pyasn1 encodes addresses (DER, and BER with indefinite lengths and,
     where pyasn1 can cut them, strings in pieces); the library decodes them
     to the values each case lists, and encodes them again to pyasn1's DER,
     byte for byte.
  2. The library encodes addresses read from the "/" form; pyasn1 decodes
     them (DER, strict), writes them again to the same bytes, and holds the
     values the library reads from them (read off pyasn1's objects by this
     script's own walk of the structure).

    check_pyasn1.py LIBRARY
"""
import subprocess
import sys

from pyasn1.codec.ber import encoder as ber_encoder
from pyasn1.codec.der import decoder as der_decoder
from pyasn1.codec.der import encoder as der_encoder
from pyasn1.type import char, namedtype, tag, univ
from pyasn1_modules import rfc5280 as x509

from library import DER_ONLY, Checks, Library

# ---------------------------------------------------------------------------
# X.411 (1999)'s universal attributes, which RFC 5280 does not have.


class UniversalOrBMPString(univ.Set):
    componentType = namedtype.NamedTypes(
        namedtype.NamedType("character-encoding", univ.Choice(componentType=namedtype.NamedTypes(
            namedtype.NamedType("two-octets", char.BMPString()),
            namedtype.NamedType("four-octets", char.UniversalString())))),
        namedtype.OptionalNamedType("iso-639-language-code", char.PrintableString()))


def context(n):
    return tag.Tag(tag.tagClassContext, tag.tagFormatConstructed, n)


class UniversalPersonalName(univ.Set):
    componentType = namedtype.NamedTypes(
        namedtype.NamedType("surname", UniversalOrBMPString().subtype(implicitTag=context(0))),
        namedtype.OptionalNamedType("given-name", UniversalOrBMPString().subtype(implicitTag=context(1))),
        namedtype.OptionalNamedType("initials", UniversalOrBMPString().subtype(implicitTag=context(2))),
        namedtype.OptionalNamedType("generation-qualifier", UniversalOrBMPString().subtype(implicitTag=context(3))))


class UniversalOrganizationalUnitNames(univ.SequenceOf):
    componentType = UniversalOrBMPString()


class UniversalDomainDefinedAttribute(univ.Sequence):
    componentType = namedtype.NamedTypes(
        namedtype.NamedType("type", UniversalOrBMPString()),
        namedtype.NamedType("value", UniversalOrBMPString()))


class UniversalDomainDefinedAttributes(univ.SequenceOf):
    componentType = UniversalDomainDefinedAttribute()


UNIVERSAL_SPECS = {24: UniversalOrBMPString(), 25: UniversalOrBMPString(), 26: UniversalPersonalName(),
                   27: UniversalOrganizationalUnitNames(), 28: UniversalDomainDefinedAttributes()}
UNIVERSAL_SPECS.update({t: UniversalOrBMPString() for t in range(29, 41)})
x509.oraddressExtensionAttributeMap.update(UNIVERSAL_SPECS)

# ---------------------------------------------------------------------------
# Building addresses


def t61(text):
    """T.61 bytes of a text, as glibc writes them."""
    return subprocess.run(["iconv", "-f", "UTF-8", "-t", "T.61-8BIT"], input=text.encode(), capture_output=True,
                          check=True).stdout


def teletex(text, template=None):
    value = (template if template is not None else char.TeletexString()).clone(t61(text))
    return value


def universal(text, template=None):
    value = (template if template is not None else UniversalOrBMPString()).clone()
    four = any(ord(c) > 0xFFFF for c in text)
    value["character-encoding"]["four-octets" if four else "two-octets"] = text
    return value


def choice(component, text, numeric, printable):
    component[numeric if text.isdigit() else printable] = text


def address(standard=(), ddas=(), extensions=()):
    """An ORAddress: standard attributes as (name, value) pairs, DDAs as
    (type, value), extension attributes as (type, pyasn1 value)."""
    a = x509.ORAddress()
    std = a["built-in-standard-attributes"]
    for name, value in standard:
        if name == "country-name":
            choice(std[name], value, "x121-dcc-code", "iso-3166-alpha2-code")
        elif name in ("administration-domain-name", "private-domain-name"):
            choice(std[name], value, "numeric", "printable")
        elif name == "personal-name":
            for part, text in value.items():
                std[name][part] = text
        elif name == "organizational-unit-names":
            for unit in value:
                std[name].append(unit)
        else:
            std[name] = value
    for dtype, dvalue in ddas:
        pair = x509.BuiltInDomainDefinedAttribute()
        pair["type"], pair["value"] = dtype, dvalue
        a["built-in-domain-defined-attributes"].append(pair)
    for number, value in extensions:
        attribute = x509.ExtensionAttribute()
        attribute["extension-attribute-type"] = number
        attribute["extension-attribute-value"] = der_encoder.encode(value)
        a["extension-attributes"].append(attribute)
    return a


def pds(printable=None, tele=None):
    p = x509.PDSParameter()
    if printable:
        p["printable-string"] = printable
    if tele:
        p["teletex-string"] = t61(tele)
    return p


def teletex_personal_name(**parts):
    p = x509.TeletexPersonalName()
    for part, text in parts.items():
        p[part.replace("_", "-")] = t61(text)
    return p


def universal_personal_name(**parts):
    p = UniversalPersonalName()
    for part, text in parts.items():
        name = part.replace("_", "-")
        p[name] = universal(text, p.componentType[name].asn1Object)
    return p


def sequence_of(template, items):
    s = template.clone()
    for item in items:
        s.append(item)
    return s


def teletex_ddas(pairs):
    s = x509.TeletexDomainDefinedAttributes()
    for dtype, dvalue in pairs:
        p = x509.TeletexDomainDefinedAttribute()
        p["type"], p["value"] = t61(dtype), t61(dvalue)
        s.append(p)
    return s


def universal_ddas(pairs):
    s = UniversalDomainDefinedAttributes()
    for dtype, dvalue in pairs:
        p = UniversalDomainDefinedAttribute()
        p["type"], p["value"] = universal(dtype), universal(dvalue)
        s.append(p)
    return s


def unformatted(lines, tele=None):
    u = x509.UnformattedPostalAddress()
    for line in lines:
        u["printable-address"].append(line)
    if tele:
        u["teletex-string"] = t61(tele)
    return u


def network(number, sub=None):
    n = x509.ExtendedNetworkAddress()
    n["e163-4-address"]["number"] = number
    if sub:
        n["e163-4-address"]["sub-address"] = sub
    return n


def pd_country(code):
    c = x509.PhysicalDeliveryCountryName()
    choice(c, code, "x121-dcc-code", "iso-3166-alpha2-code")
    return c


def postal_code(code):
    c = x509.PostalCode()
    choice(c, code, "numeric-code", "printable-code")
    return c


CAN = "\x18"

# (what, the address, the values the library holds: attribute ID -> text)
CASES = [
    ("the public vector of pyasn1-modules' RFC 5280 tests",
     address([("country-name", "GB"), ("administration-domain-name", "GOLD 400"), ("private-domain-name", "UK.AC"),
              ("organization-name", "Salford"), ("organizational-unit-names", ["R-D"])],
             extensions=[(1, x509.CommonName("Steve Kille"))]),
     {5: "R-D", 9: "Salford", 10: "GB", 11: "GOLD 400", 12: "UK.AC", 24: "Steve Kille"}),
    ("every built-in standard attribute and domain-defined attribute",
     address([("country-name", "276"), ("administration-domain-name", " "), ("network-address", "20395004"),
              ("terminal-identifier", "T42"), ("private-domain-name", "ACME"), ("organization-name", "Acme GmbH"),
              ("numeric-user-identifier", "12345"),
              ("personal-name", {"surname": "Mueller", "given-name": "Hans", "initials": "JR", "generation-qualifier": "Jr"}),
              ("organizational-unit-names", ["Sales", "Dev", "Ops", "Labs"])],
             ddas=[("FAX", "+49 30 1234"), ("RFC-822", "j.smith(a)example.com"), ("ROOM", "12"), ("X", "y")]),
     {1: "Mueller", 2: "Hans", 3: "JR", 4: "Jr", 5: "Sales", 6: "Dev", 7: "Ops", 8: "Labs", 9: "Acme GmbH", 10: "276",
      11: " ", 12: "ACME", 13: "20395004", 14: "12345", 15: "T42", 16: "FAX", 17: "+49 30 1234", 18: "RFC-822",
      19: "j.smith@example.com", 20: "ROOM", 21: "12", 22: "X", 23: "y"}),
    ("the teletex attributes, in T.61",
     address([("country-name", "FR"), ("personal-name", {"surname": "Lefevre"}),
              ("organizational-unit-names", ["Ventes", "Ingenierie"])],
             ddas=[("FAX", "+33")],
             extensions=[(2, teletex("Bureau d'études")), (3, teletex("Société Générale")),
                         (4, teletex_personal_name(surname="Lefèvre", given_name="Renée", initials="M", generation_qualifier="III")),
                         (5, sequence_of(x509.TeletexOrganizationalUnitNames(), [t61("Ventes"), t61("Ingénierie")])),
                         (6, teletex_ddas([("FAX", "+33 1 ½")]))]),
     {1: "Lefevre", 5: "Ventes", 6: "Ingenierie", 10: "FR", 16: "FAX", 17: "+33", 51: "Lefèvre", 52: "Renée", 53: "M",
      54: "III", 55: "Ventes", 56: "Ingénierie", 59: "Société Générale", 60: "FAX", 61: "+33 1 ½",
      68: "Bureau d'études"}),
    ("the postal and network attributes, printable and teletex",
     address([("country-name", "AT")],
             extensions=[(7, x509.PDSName("POSTE")), (8, pd_country("AT")), (9, postal_code("1030")),
                         (10, pds("Wien", "Wien Mitte")), (11, pds("1030")), (12, pds("Stiege 2")),
                         (13, pds("Hans Huber")), (14, pds("Huber KG")), (15, pds("Top 7")),
                         (16, unformatted(["Hauptstrasse 1", "1030 Wien"], "Hauptstraße 1")),
                         (17, pds(tele="Grünbergstraße 5")), (18, pds("Postfach 12")), (19, pds("Schalter 3")),
                         (20, pds("HUBER")), (21, pds("Hof 2")), (22, network("43123456", "42")),
                         (23, x509.TerminalType(8))]),
     {10: "AT", 26: "43123456", 27: "42", 29: "8", 30: "POSTE", 31: "AT", 32: "1030", 33: "Wien", 34: "1030",
      35: "Hans Huber", 36: "Huber KG", 38: "Postfach 12", 39: "HUBER", 40: "Hof 2",
      41: "Hauptstrasse 1" + CAN + "1030 Wien", 42: "Schalter 3", 43: "Stiege 2", 44: "Top 7", 70: "Wien Mitte",
      74: "Hauptstraße 1", 75: "Grünbergstraße 5"}),
    ("the universal attributes, in BMPString and UniversalString",
     address([("country-name", "RU"), ("personal-name", {"surname": "Ivanov"})],
             extensions=[(24, universal("Справка")), (25, universal("Газпром")),
                         (26, universal_personal_name(surname="Иванов", given_name="Пётр")),
                         (27, sequence_of(UniversalOrganizationalUnitNames(), [universal("Продажи"), universal("Отдел 𝄞")])),
                         (28, universal_ddas([("ТИП", "значение")])),
                         (29, universal("Москва")), (36, universal("Тверская 1")), (40, universal("Подъезд 2"))]),
     {1: "Ivanov", 10: "RU", 51: "Иванов", 52: "Пётр", 55: "Продажи", 56: "Отдел 𝄞", 59: "Газпром", 60: "ТИП",
      61: "значение", 68: "Справка", 70: "Москва", 75: "Тверская 1", 78: "Подъезд 2"}),
]

# Addresses the library reads from the "/" form and writes; pyasn1 reads
# them back.
TEXTS = [
    "/G=John/I=E/S=Smith/GQ=Jr/O=Acme/OU1=Sales/OU2=North/PRMD=Acme/ADMD=ATTMAIL/C=US/",
    "/CN=Steve Kille/O=Salford/OU1=R-D/PRMD=UK.AC/ADMD=GOLD 400/C=GB/",
    "/S=Muller*Müller/G=Jurgen*Jürgen/O=Firma*Straße & Söhne/C=DE/",
    "/S=Ivanov*Иванов/OU1=Sales*Продажи/CN=x*𝄞/C=RU/",
    "/RFC-822=j.smith(a)example.com/DD.FAX=+1 555/O=Gateway/ADMD=Relay/C=GB/",
    "/DD.x=*ä/DD.y=*б/C=DE/",
    "/S=x/PD-ADDRESS=1 Main St|Springfield/PD-CODE=12345/PD-C=US/PD-STREET=Elm*Ulmenstraße/PD-BOX=*Ящик 5/"
    "T-TY=3/NET-NUM=123/NET-SUB=45/X121=2039/UA-ID=77/T-ID=T1/ADMD= /C=840/",
]

# ---------------------------------------------------------------------------
# Reading pyasn1's objects: the values each component holds, by attribute ID
# (this script's own walk, after X.411's structure).

PERSONAL = {"surname": 0, "given-name": 1, "initials": 2, "generation-qualifier": 3}
PDS_BASE_IDS = {10: 33, 11: 34, 12: 43, 13: 35, 14: 36, 15: 44, 17: 37, 18: 38, 19: 42, 20: 39, 21: 40}
TELETEX_OF = {33: 70, 34: 71, 35: 72, 36: 73, 41: 74, 37: 75, 38: 76, 39: 77, 40: 78, 42: 80, 43: 81, 44: 82}
UNIVERSAL_POSTAL = {29: 70, 30: 71, 31: 81, 32: 72, 33: 73, 34: 82, 35: 74, 36: 75, 37: 76, 38: 80, 39: 77, 40: 78}


def text_of(value):
    """A string component as text: T.61 through glibc, the rest by its type."""
    if isinstance(value, char.TeletexString):
        return subprocess.run(["iconv", "-f", "T.61-8BIT", "-t", "UTF-8"], input=value.asOctets(),
                              capture_output=True, check=True).stdout.decode()
    if isinstance(value, UniversalOrBMPString):
        encoding = value["character-encoding"]
        return str(encoding.getComponent())
    if isinstance(value, univ.Choice):
        return str(value.getComponent())
    return str(value)


def walk(a):
    out = {}
    std = a["built-in-standard-attributes"]
    simple = {"country-name": 10, "administration-domain-name": 11, "network-address": 13, "terminal-identifier": 15,
              "private-domain-name": 12, "organization-name": 9, "numeric-user-identifier": 14}
    for name, ident in simple.items():
        if std[name].isValue:
            out[ident] = text_of(std[name])
    if std["personal-name"].isValue:
        for part, k in PERSONAL.items():
            if std["personal-name"][part].isValue:
                out[1 + k] = str(std["personal-name"][part])
    if std["organizational-unit-names"].isValue:
        for k, unit in enumerate(std["organizational-unit-names"]):
            out[5 + k] = str(unit)
    if a["built-in-domain-defined-attributes"].isValue:
        for k, pair in enumerate(a["built-in-domain-defined-attributes"]):
            out[16 + 2 * k], value = str(pair["type"]), str(pair["value"])
            if out[16 + 2 * k].upper() == "RFC-822":
                value = value.replace("(a)", "@")
            out[17 + 2 * k] = value
    if not a["extension-attributes"].isValue:
        return out
    for attribute in a["extension-attributes"]:
        number, value = int(attribute["extension-attribute-type"]), attribute["extension-attribute-value"]
        if number == 1:
            out[24] = str(value)
        elif number in (2, 24):
            out[68] = text_of(value)
        elif number in (3, 25):
            out[59] = text_of(value)
        elif number in (4, 26):
            for part, k in PERSONAL.items():
                if value[part].isValue:
                    out[51 + k] = text_of(value[part])
        elif number in (5, 27):
            for k, unit in enumerate(value):
                out[55 + k] = text_of(unit)
        elif number in (6, 28):
            for k, pair in enumerate(value):
                out[60 + 2 * k], out[61 + 2 * k] = text_of(pair["type"]), text_of(pair["value"])
        elif number == 7:
            out[30] = str(value)
        elif number == 8:
            out[31] = text_of(value)
        elif number == 9:
            out[32] = text_of(value)
        elif number in PDS_BASE_IDS:
            base = PDS_BASE_IDS[number]
            if value["printable-string"].isValue:
                out[base] = str(value["printable-string"])
            if value["teletex-string"].isValue:
                out[TELETEX_OF[base]] = text_of(value["teletex-string"])
        elif number == 16:
            if value["printable-address"].isValue:
                out[41] = CAN.join(str(line) for line in value["printable-address"])
            if value["teletex-string"].isValue:
                out[74] = text_of(value["teletex-string"])
        elif number == 22:
            address = value["e163-4-address"]
            out[26] = str(address["number"])
            if address["sub-address"].isValue:
                out[27] = str(address["sub-address"])
        elif number == 23:
            out[29] = str(int(value))
        elif number in UNIVERSAL_POSTAL:
            out[UNIVERSAL_POSTAL[number]] = text_of(value)
    return out


def main():
    library = Library(sys.argv[1])
    checks = Checks()
    for what, a, expected in CASES:
        der = der_encoder.encode(a)
        forms = [("DER", der, DER_ONLY), ("BER", ber_encoder.encode(a, defMode=False), 0)]
        try:  # pyasn1 refuses to cut strings of constrained types into pieces
            forms.append(("BER in pieces", ber_encoder.encode(a, defMode=False, maxChunkSize=3), 0))
        except Exception:  # noqa: BLE001
            pass
        for form, data, flags in forms:
            status, f, used = library.decode(data, flags)
            checks.equal("%s: %s decoded" % (what, form), (status, used, library.detail(f)), (0, len(data), ""))
            checks.equal("%s: %s values" % (what, form), library.values(f), expected)
            if form == "DER":
                checks.equal("%s: encoded as pyasn1 encodes it" % what, library.encode(f), (0, der))
    for text in TEXTS:
        f = library.read(text)
        status, der = library.encode(f)
        checks.equal("%s: encoded" % text, status, 0)
        if status != 0:
            continue
        a, rest = der_decoder.decode(der, asn1Spec=x509.ORAddress(), decodeOpenTypes=True)
        checks.equal("%s: pyasn1 reads the whole encoding" % text, bytes(rest), b"")
        checks.equal("%s: pyasn1 writes the same DER" % text, der_encoder.encode(a).hex(), der.hex())
        # The values of the encoding: the held name's (a teletex value
        # alone takes its printable type along into the teletex list).
        status, g, used = library.decode(der, DER_ONLY)
        checks.equal("%s: pyasn1 holds the values the library reads" % text, walk(a), library.values(g))
    return checks.finish()


if __name__ == "__main__":
    sys.exit(main())
