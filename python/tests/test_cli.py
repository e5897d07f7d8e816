"""python -m hvcn against the C tool: the same command lines and standard
input give the same output, byte for byte, and the same exit status."""

from __future__ import annotations

import os
import subprocess
import sys

import hvcn
import pytest

TOOL = os.environ.get("HVCN_TOOL") or os.path.join(os.path.dirname(os.path.dirname(hvcn._lib.path)), "bin", "hvcn")
BATCH = b"".join(line + b"\n" for line in [
    b"/o=Org/c=US", b"Smith (foo) bar", b"Smith, John (ext-42) /o=Org/c=US",
    b"M\xc3\xbcller, J\xc3\xbcrgen (a\x01b) /dd.x=y", b"Lee, Ann /Sales,Dev/o=Example/c=GB/a=ADMD\r",
    b"M\xfcller, J", b"Smith\0, J"])
# Names refused, each with its explanation.
REFUSED = b"".join(line + b"\n" for line in [
    b"Smith, a b c d e", b"Smith, John /o=Org/c=US/xx=1", b"Smith, John /o=Org//c=US", b"Smith, John /o=Org/=x",
    b"Smith, John /o=Org/novalue", b"Smith, John /c=USA", b"/G=O'Brien/S=Smith/OU1=Sales/C=US/"])
MAILBOXES = b"Ann  Lee <ann@example.com> (home)\n<ann@example.com>\nann @ example.com\n"


def run(command, arguments, stdin, tmp_path):
    environment = dict(os.environ, LANG="C.UTF-8", LC_ALL="", HVCN_PROFILE_DIR=str(tmp_path))
    done = subprocess.run(command + arguments, input=stdin, capture_output=True, env=environment, cwd=tmp_path)
    return done.returncode, done.stdout, done.stderr


@pytest.mark.skipif(not os.access(TOOL, os.X_OK), reason=f"the C tool is not built ({TOOL})")
@pytest.mark.parametrize("arguments, stdin", [
    (["parse", "Smith, John (ext-42) /o=Org/c=US"], b""),
    (["parse", "--all", "Smith, J.", "Smith, J./Sales"], b""),
    (["parse", "--internal", "1", "--output-format", "%(NONCANON)%(X400)", "Smith, John/o=Org"], b""),
    (["parse", "--json", "--all", "Smith, J.", "Smith (foo) bar", "Smith, a b c d e"], b""),
    (["parse", "--format=%(Dept)/%(116)", "Sales/x", "--json"], b""),
    (["parse", "--format", "%x", "Smith"], b""),
    (["parse", "--open", "--prefer-teletex", "--all", "Smith, Jo"], b""),
    (["parse"], BATCH), (["parse", "--json", "--internal", "3", "--output-format", "%(X400)"], BATCH),
    (["parse", "--all", "--internal", "2", "--lines"], BATCH),
    (["internet", "Ann  Lee <ann@example.com> (home)", "<ann@example.com>"], b""), (["internet", "--json"], MAILBOXES),
    (["version"], b""), (["version", "--json"], b""), (["--version"], b""),
    (["parse"], REFUSED), (["parse", "--json"], REFUSED),
    (["parse", "--format", "%(NONCANON)", "a b c d e f g Smith"], b""),
    (["parse", "--input-encoding", "cp1252", "--jobs", "2"], b"M\xfcller, J\x81\n"),
    (["parse", "--internal", "5", "Smith"], b""), (["parse", "--format"], b""), (["parse", "--open=1"], b""),
    (["internet", "--jobs", "x"], b""), (["parse", "--input-encoding", "ebcdic"], b""),
])
def test_same_as_the_tool(arguments, stdin, tmp_path):
    assert run([sys.executable, "-m", "hvcn"], arguments, stdin, tmp_path) == run([TOOL], arguments, stdin, tmp_path)


# Where python -m hvcn names itself.
@pytest.mark.parametrize("arguments, status, message", [
    (["frobnicate"], 2, b"hvcn: unknown command 'frobnicate' (see 'python -m hvcn --help')\n"),
    (["parse", "--bogus", "Smith"], 2, b"hvcn: parse: unknown option '--bogus' (see 'python -m hvcn parse --help')\n"),
    ([], 2, b"usage: python -m hvcn COMMAND"),
])
def test_own_usage_errors(arguments, status, message, tmp_path):
    code, _, error = run([sys.executable, "-m", "hvcn"], arguments, b"", tmp_path)
    assert code == status and message in error
