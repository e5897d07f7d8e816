"""python -m hvcn: the hvcn tool that came with the package, with the same
arguments, standard streams and exit status (hvcn --help tells its
commands)."""

import os
import subprocess
import sys

from hvcn._lib import tool

if __name__ == "__main__":
    command = [tool()] + sys.argv[1:]
    if os.name == "posix":
        os.execv(command[0], command)
    sys.exit(subprocess.call(command))
