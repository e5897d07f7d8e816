"""Times hvcn against python-nameparser on personal names and against
email.utils.parseaddr on mailboxes, in one run.

    python bench/bench.py [--rounds N] [--seconds S]

Each contender runs over its corpus for about S seconds of processor time
per round, the contenders taking turns, N rounds; the median round gives the
figure in microseconds per name. Processor time (not wall time) keeps the
figures steady on a machine that other work shares. Personal names are read alone (hvcn.parse against
nameparser.HumanName) and then with their surname and given name taken,
which is what a caller of either library does; the names are the
surname-first forms both read alike. Prints a Markdown table and fails
unless hvcn.parse stays at least 10 times as fast as nameparser.
"""

from __future__ import annotations

import argparse
import os
import platform
import statistics
import sys
import time
from email.utils import parseaddr
from typing import Any, Callable, Dict, List, Sequence, Tuple

import hvcn

HumanName: Any = None  # nameparser's, imported in main()

PERSONAL_NAMES = [
    "Smith, John",
    "Lee, Ann",
    "Smith, J.R. Jr.",
    "Doe, Jane A. Jr.",
    "Garcia Lopez, Ana B.",
    "Rossi, Maria",
    "M\u00fcller, J\u00fcrgen",
    "Dupont, Jean-Pierre",
]
MAILBOXES = [
    "a@b",
    "john.smith@example.com",
    "John Smith <john.smith@example.com>",
    '"Lee, Ann" <ann.lee@mail.example.org>',
    "user.name+tag@sub.domain.example",
    "Ann <@relay1.example,@relay2.example:ann@example.org>",
    "ann (Sales) @ example . org",
    "ops@[192.168.0.1]",
]
REQUIRED_RATIO = 10.0


def hvcn_parse(name: str) -> object:
    return hvcn.parse(name)


def hvcn_parse_parts(name: str) -> Tuple[object, object]:
    parsed = hvcn.parse(name)
    return parsed.value("surname"), parsed.value("given-name")


def hvcn_parse_text(name: str) -> str:
    return str(hvcn.parse(name))


def hvcn_readings(name: str) -> int:
    return len(hvcn.readings(name))


def nameparser_parse(name: str) -> object:
    return HumanName(name)


def nameparser_parse_parts(name: str) -> Tuple[str, str]:
    parsed = HumanName(name)
    return parsed.last, parsed.first


def hvcn_internet(mailbox: str) -> object:
    return hvcn.internet(mailbox)


def email_parseaddr(mailbox: str) -> object:
    return parseaddr(mailbox)


def time_round(function: Callable[[str], object], corpus: Sequence[str], seconds: float) -> float:
    """Microseconds of processor time per name, over a round of about `seconds`."""
    loops, elapsed = 0, 0.0
    start = time.process_time()
    while elapsed < seconds:
        for item in corpus:
            function(item)
        loops += 1
        elapsed = time.process_time() - start
    return elapsed / (loops * len(corpus)) * 1e6


def main(arguments: List[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--seconds", type=float, default=0.3)
    options = parser.parse_args(arguments)
    global HumanName
    try:
        import nameparser
        from nameparser import HumanName
    except ImportError:
        print("python-nameparser is missing: apt-get install python3-nameparser", file=sys.stderr)
        return 2
    contenders = {
        "hvcn.parse": (hvcn_parse, PERSONAL_NAMES),
        "nameparser.HumanName": (nameparser_parse, PERSONAL_NAMES),
        "hvcn.parse, then surname and given name (Name.value)": (hvcn_parse_parts, PERSONAL_NAMES),
        "nameparser.HumanName, then last and first": (nameparser_parse_parts, PERSONAL_NAMES),
        "hvcn.parse, then str()": (hvcn_parse_text, PERSONAL_NAMES),
        "hvcn.readings (every reading)": (hvcn_readings, PERSONAL_NAMES),
        "hvcn.internet": (hvcn_internet, MAILBOXES),
        "email.utils.parseaddr": (email_parseaddr, MAILBOXES),
    }
    for function, corpus in contenders.values():  # warm up: imports, caches, formats
        time_round(function, corpus, 0.05)
    rounds: Dict[str, List[float]] = {label: [] for label in contenders}
    for _ in range(options.rounds):
        for label, (function, corpus) in contenders.items():
            rounds[label].append(time_round(function, corpus, options.seconds))
    medians = {label: statistics.median(values) for label, values in rounds.items()}

    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")),
               platform.processor()) if os.path.exists("/proc/cpuinfo") else platform.processor()
    print(f"Python {platform.python_version()}, hvcn {hvcn.version()}, nameparser {nameparser.__version__}, "
          f"{cpu}, {os.cpu_count()} processors, load {os.getloadavg()[0]:.1f}; "
          f"median of {options.rounds} rounds of {options.seconds} s of processor time\n")
    print("| Operation | µs/name | names/s |")
    print("|---|---:|---:|")
    for label, median in medians.items():
        print(f"| {label} | {median:.1f} | {1e6 / median:,.0f} |")
    personal = medians["nameparser.HumanName"] / medians["hvcn.parse"]
    parts = (medians["nameparser.HumanName, then last and first"]
             / medians["hvcn.parse, then surname and given name (Name.value)"])
    mailbox = medians["email.utils.parseaddr"] / medians["hvcn.internet"]
    print(f"\nhvcn.parse is {personal:.1f} times as fast as nameparser ({parts:.1f} times with the surname and "
          f"given name taken); hvcn.internet {mailbox:.1f} times as fast as parseaddr.")
    if personal < REQUIRED_RATIO:
        print(f"FAIL: hvcn.parse must stay at least {REQUIRED_RATIO:.0f} times as fast as nameparser.")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
