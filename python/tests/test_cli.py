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
    b"M\xc3\xbcller, J\xc3\xbcrgen (a\x01b) /dd.x=y", b"Lee, Ann /Sales,Dev/o=Example/c=GB/a=ADMD\r"])
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
    (["version"], b""), (["version", "--json"], b""),
])
def test_same_as_the_tool(arguments, stdin, tmp_path):
    assert run([sys.executable, "-m", "hvcn"], arguments, stdin, tmp_path) == run([TOOL], arguments, stdin, tmp_path)


@pytest.mark.parametrize("arguments, status, message", [
    (["parse", "--internal", "5", "Smith"], 2, b"hvcn: parse: --internal takes 1, 2 or 3\n"),
    (["frobnicate"], 2, b"hvcn: unknown command 'frobnicate' (see 'python -m hvcn --help')\n"),
    (["parse", "--bogus", "Smith"], 2, b"unrecognized arguments: --bogus"),
    ([], 2, b"usage: python -m hvcn COMMAND"),
])
def test_usage_errors(arguments, status, message, tmp_path):
    code, _, error = run([sys.executable, "-m", "hvcn"], arguments, b"", tmp_path)
    assert code == status and message in error
