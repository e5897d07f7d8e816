#!/usr/bin/python3
"""Inputs of the wire benchmarks (scripts/bench.sh wire), and pyasn1's side
of the DER one. Needs Debian's python3-pyasn1-modules.

    wire_inputs.py der N FILE        N ORAddresses in DER, one hex line each
                                     (pyasn1's encoder: a personal name, O,
                                     one or two OUs, PRMD, ADMD, C, some with
                                     a common name)
    wire_inputs.py pyasn1 FILE       decodes every line of FILE with pyasn1
                                     (rfc5280.ORAddress), in one run; prints
                                     the seconds it took
    wire_inputs.py amhs ROWS N DIR   DIR/tables.tsv: ROWS rows (MD keys of the
                                     four levels, CAAS and USER rows) and
                                     DIR/aftn.txt: N AF-Addresses that convert
"""
import random
import string
import sys
import time

from pyasn1.codec.der import decoder as der_decoder
from pyasn1.codec.der import encoder as der_encoder
from pyasn1_modules import rfc5280 as x509

GIVEN = ["John", "Ann", "Maria", "Jean", "Ole", "Kim", "Ravi", "Lena"]
SURNAMES = ["Smith", "Lee", "Rossi", "Dupont", "Hansen", "Park", "Iyer", "Novak"]
ORGS = ["Acme", "Example", "Salford", "Globex", "Initech", "Umbrella"]
UNITS = ["Sales", "North", "R-D", "Ops", "Legal", "Finance"]
ADMDS = ["ATTMAIL", "GOLD 400", " ", "TELEMAIL", "BT"]
COUNTRIES = ["US", "GB", "DE", "IT", "FR", "NO"]


def oraddress(rng):
    a = x509.ORAddress()
    bsa = a["built-in-standard-attributes"]
    bsa["country-name"]["iso-3166-alpha2-code"] = rng.choice(COUNTRIES)
    bsa["administration-domain-name"]["printable"] = rng.choice(ADMDS)
    bsa["private-domain-name"]["printable"] = rng.choice(ORGS)
    bsa["organization-name"] = rng.choice(ORGS) + str(rng.randrange(100))
    pn = bsa["personal-name"]
    pn["surname"] = rng.choice(SURNAMES)
    pn["given-name"] = rng.choice(GIVEN)
    units = bsa["organizational-unit-names"]
    for i in range(rng.choice((1, 2, 2))):
        units.append(rng.choice(UNITS))
    if rng.random() < 0.2:
        attribute = x509.ExtensionAttribute()
        attribute["extension-attribute-type"] = 1
        attribute["extension-attribute-value"] = x509.CommonName(rng.choice(GIVEN) + " " + rng.choice(SURNAMES))
        a["extension-attributes"].append(attribute)
    return der_encoder.encode(a)


def der(count, path):
    rng = random.Random(1)
    with open(path, "w") as f:
        for _ in range(count):
            f.write(oraddress(rng).hex() + "\n")


def pyasn1(path):
    with open(path) as f:
        lines = f.read().split()
    start = time.perf_counter()
    for line in lines:
        der_decoder.decode(bytes.fromhex(line), asn1Spec=x509.ORAddress())
    print("%.3f" % (time.perf_counter() - start))


def amhs(rows, count, folder):
    """MD rows of 2-letter nationality keys (CAAS or XF), 4-letter location
    keys and 7-letter keys; CAAS rows for the locations of CAAS domains;
    USER rows; then AF-Addresses of those locations."""
    rng = random.Random(2)
    letters = string.ascii_uppercase
    lines, locations = [], []
    nationalities = [a + b for a in letters for b in letters][:400]
    scheme = {n: rng.choice(("CAAS", "XF")) for n in nationalities}
    for n in nationalities:
        lines.append("MD\t%s\tXX\tICAO\tP%s\t%s" % (n, n, scheme[n]))
    seen = set()
    while len(lines) < rows * 0.6:
        n = rng.choice(nationalities)
        location = n + rng.choice(letters) + rng.choice(letters)
        if location in seen:
            continue
        seen.add(location)
        locations.append(location)
        if scheme[n] == "CAAS":
            lines.append("CAAS\t%s\tXX\tICAO\tP%s\t%s" % (location, n, location))
        elif rng.random() < 0.3:
            lines.append("MD\t%s\tXX\tICAO\tQ%s\tXF" % (location, location))
    users = set()
    while len(lines) < rows:
        kind = rng.random()
        location = rng.choice(locations)
        if kind < 0.5:
            key = location + "".join(rng.choice(letters) for _ in range(3))
            if key in seen:
                continue
            seen.add(key)
            lines.append("MD\t%s\tXX\tICAO\tR%s\tXF" % (key, key))
        else:
            af = location + "".join(rng.choice(letters) for _ in range(4))
            if af in users:
                continue
            users.add(af)
            lines.append("USER\t%s\t/C=XX/ADMD=ICAO/PRMD=USERS/O=U%s/CN=%s/" % (af, location, af))
    with open(folder + "/tables.tsv", "w") as f:
        f.write("\n".join(lines) + "\n")
    users = sorted(users)
    with open(folder + "/aftn.txt", "w") as f:
        for i in range(count):
            if i % 10 == 0:
                f.write(rng.choice(users) + "\n")
            else:
                f.write(rng.choice(locations) + "".join(rng.choice(letters) for _ in range(4)) + "\n")


if __name__ == "__main__":
    if sys.argv[1] == "der":
        der(int(sys.argv[2]), sys.argv[3])
    elif sys.argv[1] == "pyasn1":
        pyasn1(sys.argv[2])
    else:
        amhs(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
