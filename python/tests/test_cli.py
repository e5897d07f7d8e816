"""python -m hvcn: the hvcn tool that came with the package, run with the
same arguments and standard streams: the same bytes and exit status."""

from __future__ import annotations

import os
import subprocess
import sys

import hvcn
import pytest

BATCH = b"Smith, John (ext-42) /o=Org/c=US\nSmith (foo) bar\nM\xfcller, J\n"


def run(command, arguments, stdin, tmp_path):
    environment = dict(os.environ, LANG="C.UTF-8", LC_ALL="", HVCN_PROFILE_DIR=str(tmp_path),
                       HVCN_LOG_DIR=str(tmp_path))
    done = subprocess.run(command + arguments, input=stdin, capture_output=True, env=environment, cwd=tmp_path)
    return done.returncode, done.stdout, done.stderr


@pytest.mark.parametrize("arguments, stdin", [
    (["--help"], b""), (["--version"], b""), (["parse", "--json", "Smith, John"], b""),
    (["parse"], BATCH), (["parse", "--json", "--all"], BATCH), (["frobnicate"], b""),
    (["validate", "country", "GB", "GBR"], b""), (["orname", "--json", "/G=John/G=Jim/C=US/"], b""),
])
def test_the_bundled_tool(arguments, stdin, tmp_path):
    bundled = run([hvcn._lib.tool()], arguments, stdin, tmp_path)
    assert run([sys.executable, "-m", "hvcn"], arguments, stdin, tmp_path) == bundled
    assert bundled[1] or bundled[2]


def test_a_launcher_of_a_few_lines():
    source = open(os.path.join(os.path.dirname(hvcn.__file__), "__main__.py")).read()
    code = [line for line in source.split('"""')[2].splitlines() if line.strip()]
    assert len(code) <= 10 and "tool()" in source
