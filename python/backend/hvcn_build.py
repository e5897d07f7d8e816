"""The build backend of the hvcn Python package (PEP 517 and PEP 660).

A wheel holds the package and, inside it, what it runs on: the C library
(hvcn/lib/libhvcn.so.1), the two language resource libraries beside it and
the hvcn tool (hvcn/bin/hvcn, which finds the library through its RUNPATH
$ORIGIN/../lib), and hvcn/_header.py, the constants and structure layouts of
api/hvcn.h written out for ctypes. The natives come from a CMake build of
the source tree above this folder (or, in an sdist, of c-source/): the one
named by HVCN_BUILD_DIR when it is set, else one made here in a scratch
folder with cmake (and Ninja when it is there), nothing but Debian's
compilers and CMake needed. The wheel is tagged for this platform
(py3-none-linux_x86_64): it installs where no compiler is.

The archives are written with the standard library (zipfile, tarfile,
hashlib), so that pip's isolated build environment has nothing to install
from an index.
"""

from __future__ import annotations

import base64
import hashlib
import io
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tarfile
import tempfile
import zipfile
from typing import Dict, Iterator, List, Optional, Tuple

_HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_PACKAGE = "hvcn"
_PACKAGE_FILES = ("__init__.py", "_lib.py", "__main__.py", "py.typed")
_SDIST_FILES = ("pyproject.toml", "backend/hvcn_build.py")
_FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # reproducible archives
_WINDOWS = sys.platform == "win32"
# The natives a wheel carries: (folder in the package, file name in the build tree's folder).
_NATIVES = (
    (("bin", "hvcn.dll"), ("bin", "tarnres.dll"), ("bin", "tarnresIT.dll"), ("bin", "hvcn.exe"))
    if _WINDOWS else
    (("lib", "libhvcn.so.1"), ("lib", "tarnres.so"), ("lib", "tarnresIT.so"), ("bin", "hvcn")))
# The CMake targets that make them.
_TARGETS = ("hvcn", "tarnres", "tarnresIT", "hvcn_cli")


def _project() -> Dict[str, str]:
    """The [project] table's plain string values from pyproject.toml."""
    path = os.path.join(_HERE, "pyproject.toml")
    try:
        import tomllib
    except ImportError:  # Python before 3.11: the few lines this file uses
        table: Dict[str, str] = {}
        section = ""
        with open(path, encoding="utf-8") as source:
            for line in source:
                line = line.split("#", 1)[0].strip()
                if line.startswith("["):
                    section = line
                elif section == "[project]" and "=" in line:
                    key, value = (part.strip() for part in line.split("=", 1))
                    if value.startswith('"'):
                        table[key] = value.strip('"')
        return table
    with open(path, "rb") as source:
        return {key: value for key, value in tomllib.load(source)["project"].items() if isinstance(value, str)}


def _names() -> Tuple[str, str, str]:
    project = _project()
    name, version = project["name"], project["version"]
    return name, version, f"{re.sub(r'[-_.]+', '_', name)}-{version}"


def _metadata() -> bytes:
    project = _project()
    lines = [
        "Metadata-Version: 2.1",
        f"Name: {project['name']}",
        f"Version: {project['version']}",
        f"Summary: {project.get('description', '')}",
        f"Requires-Python: {project.get('requires-python', '>=3')}",
        "License: MIT",
    ]
    return ("\n".join(lines) + "\n").encode()


def _platform_tag() -> str:
    """This platform's wheel tag: linux_x86_64, win_amd64 ..."""
    return re.sub(r"[-.]", "_", sysconfig.get_platform())


def _wheel_file(tag: str) -> bytes:
    return (f"Wheel-Version: 1.0\nGenerator: hvcn_build\nRoot-Is-Purelib: false\nTag: {tag}\n").encode()


def _record_line(path: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{path},sha256={digest},{len(data)}"


# A file of a wheel: its path in the archive, its bytes, whether it runs.
_Entry = Tuple[str, bytes, bool]


def _write_wheel(directory: str, files: List[_Entry], tag: str) -> str:
    _, _, stem = _names()
    info = f"{stem}.dist-info"
    files = files + [(f"{info}/METADATA", _metadata(), False), (f"{info}/WHEEL", _wheel_file(tag), False),
                     (f"{info}/top_level.txt", f"{_PACKAGE}\n".encode(), False)]
    license_path = os.path.join(_source_root(required=False) or _HERE, "LICENSE")
    if os.path.exists(license_path):
        with open(license_path, "rb") as source:
            files.append((f"{info}/LICENSE", source.read(), False))
    record = "\n".join(_record_line(path, data) for path, data, _ in files) + f"\n{info}/RECORD,,\n"
    files.append((f"{info}/RECORD", record.encode(), False))
    wheel_name = f"{stem}-{tag}.whl"
    with zipfile.ZipFile(os.path.join(directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data, runs in files:
            entry = zipfile.ZipInfo(path, _FIXED_TIME)
            entry.external_attr = (0o100755 if runs else 0o100644) << 16  # a regular file, and its mode
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    return wheel_name


def _package_files() -> List[_Entry]:
    files = []
    for file_name in _PACKAGE_FILES:
        with open(os.path.join(_HERE, _PACKAGE, file_name), "rb") as source:
            files.append((f"{_PACKAGE}/{file_name}", source.read(), False))
    return files


def _write_metadata(directory: str) -> str:
    _, _, stem = _names()
    info = os.path.join(directory, f"{stem}.dist-info")
    os.makedirs(info, exist_ok=True)
    for file_name, data in (("METADATA", _metadata()), ("WHEEL", _wheel_file(f"py3-none-{_platform_tag()}"))):
        with open(os.path.join(info, file_name), "wb") as target:
            target.write(data)
    return f"{stem}.dist-info"


# The C side ---------------------------------------------------------------

def _source_root(required: bool = True) -> Optional[str]:
    """The C sources: the tree above python/, or c-source/ of an sdist."""
    for candidate in (os.path.dirname(_HERE), os.path.join(_HERE, "c-source")):
        if os.path.exists(os.path.join(candidate, "api", "hvcn.h")) and \
                os.path.exists(os.path.join(candidate, "CMakeLists.txt")):
            return candidate
    if required:
        raise RuntimeError(f"hvcn: no C sources (api/hvcn.h, CMakeLists.txt) above {_HERE} or in c-source/")
    return None


def _run(command: List[str]) -> None:
    print("hvcn_build: " + " ".join(command), file=sys.stderr, flush=True)
    subprocess.run(command, check=True, stdout=sys.stderr)


def _build_tree(scratch: str) -> str:
    """The CMake build tree the natives come from: HVCN_BUILD_DIR, or one
    made in the scratch folder."""
    given = os.environ.get("HVCN_BUILD_DIR")
    if given:
        missing = [os.path.join(given, *native) for native in _NATIVES
                   if not os.path.exists(os.path.join(given, *native))]
        if missing:
            raise RuntimeError("hvcn: HVCN_BUILD_DIR lacks " + ", ".join(missing) +
                               " (build the library, tarnres, tarnresIT and hvcn_cli there first)")
        return given
    cmake = shutil.which("cmake")
    if not cmake:
        raise RuntimeError("hvcn: building the C library needs CMake 3.25 or later and a C++20 compiler "
                           "(Debian: apt-get install cmake ninja-build g++ python3), or set HVCN_BUILD_DIR "
                           "to a build tree of the library")
    build = os.path.join(scratch, "build")
    # Optimised as the presets the tests run (-O2), without debug information.
    configure = [cmake, "-S", _source_root(), "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                 "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG", "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG",
                 "-DHVCN_BUILD_TESTS=OFF", "-DHVCN_BUILD_BENCHMARKS=OFF", "-DHVCN_BUILD_FUZZERS=OFF"]
    if shutil.which("ninja"):
        configure += ["-G", "Ninja"]
    _run(configure)
    _run([cmake, "--build", build, "--parallel", "--target", *_TARGETS])
    return build


def _native_files(build: str) -> List[_Entry]:
    files = []
    for folder, name in _NATIVES:
        with open(os.path.join(build, folder, name), "rb") as source:  # a link is followed
            files.append((f"{_PACKAGE}/{folder}/{name}", source.read(), folder == "bin" and not name.endswith(".dll")))
    return files


def header_module(header: str) -> str:
    """hvcn/_header.py from the text of api/hvcn.h: every numeric #define
    and enum member without its "hvcn" prefix (hvcnERR_BAD_VALUE is
    ERR_BAD_VALUE), and the fields of each structure as (name, C type,
    count)."""
    text = re.sub(r"/\*.*?\*/", " ", header, flags=re.S)
    values: Dict[str, int] = {}

    def number(word: str) -> Optional[int]:
        word = word.strip().strip("()")
        if word in values:
            return values[word]
        char = re.fullmatch(r"'\\x([0-9A-Fa-f]{2})'", word)
        if char:
            return int(char.group(1), 16)
        match = re.fullmatch(r"(-?(?:0[xX][0-9A-Fa-f]+|\d+))[uUlL]*", word)
        return int(match.group(1), 0) if match else None

    for name, value in re.findall(r"^\s*#\s*define\s+hvcn(\w+)\s+(\S+)\s*$", text, re.M):
        parsed = number(value)
        if parsed is not None and not name.endswith("_H"):
            values[name] = parsed
    for body in re.findall(r"\benum\s+\w+\s*\{(.*?)\}", text, re.S):
        for name, value in re.findall(r"hvcn(\w+)\s*=\s*([^,}\s]+)", body):
            parsed = number(value)
            if parsed is not None:
                values[name] = parsed
    structs: Dict[str, List[Tuple[str, str, int]]] = {}
    for body, name in re.findall(r"typedef\s+struct\s+\w+\s*\{(.*?)\}\s*(\w+)\s*;", text, re.S):
        fields = []
        for kind, pointer, field, count in re.findall(
                r"((?:const\s+)?\w+)\s*(\*?)\s*(\w+)\s*(?:\[\s*(\w+)\s*\])?\s*;", body):
            size = number(count.replace("hvcn", "", 1)) if count else 1
            if size is None:
                raise RuntimeError(f"hvcn: {name}.{field}: no size for {count}")
            fields.append((field, kind + pointer, size))
        structs[name] = fields
    lines = ['"""The constants and structure layouts of api/hvcn.h, for ctypes.',
             "", "Made by python/backend/hvcn_build.py from the header; not to be edited.", '"""', "",
             "from typing import Dict, List, Tuple", ""]
    lines += [f"{name} = {value}" for name, value in values.items()]
    lines += ["", "# The fields of each structure: name, C type, count.",
              "STRUCTS: Dict[str, List[Tuple[str, str, int]]] = {"]
    for name, fields in structs.items():
        lines.append(f"    {name!r}: {fields!r},")
    lines += ["}", ""]
    return "\n".join(lines)


def _header_file() -> _Entry:
    with open(os.path.join(_source_root(), "api", "hvcn.h"), encoding="utf-8") as source:
        return f"{_PACKAGE}/_header.py", header_module(source.read()).encode(), False


# PEP 517 -----------------------------------------------------------------

def get_requires_for_build_wheel(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_wheel(metadata_directory: str, config_settings: Optional[dict] = None) -> str:
    return _write_metadata(metadata_directory)


def build_wheel(wheel_directory: str, config_settings: Optional[dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    with tempfile.TemporaryDirectory(prefix="hvcn-build-") as scratch:
        files = _package_files() + [_header_file()] + _native_files(_build_tree(scratch))
    return _write_wheel(wheel_directory, files, f"py3-none-{_platform_tag()}")


def _sdist_sources() -> Iterator[Tuple[str, str]]:
    """The C tree for an sdist's c-source/: everything but builds, this
    folder and version control."""
    root = _source_root()
    for folder, subfolders, names in os.walk(root):
        relative = os.path.relpath(folder, root)
        subfolders[:] = sorted(d for d in subfolders if not (relative == "." and d in ("build", "python", ".git"))
                               and not d.startswith(("build-", "__pycache__", ".")))
        for name in sorted(names):
            if not name.endswith((".pyc", ".log")):
                yield os.path.normpath(os.path.join(relative, name)), os.path.join(folder, name)


def build_sdist(sdist_directory: str, config_settings: Optional[dict] = None) -> str:
    _, _, stem = _names()
    archive_name = f"{stem}.tar.gz"
    members = [(name, os.path.join(_HERE, name)) for name in _SDIST_FILES]
    members += [(f"{_PACKAGE}/{name}", os.path.join(_HERE, _PACKAGE, name)) for name in _PACKAGE_FILES]
    members += [(f"c-source/{name}", path) for name, path in _sdist_sources()]
    with tarfile.open(os.path.join(sdist_directory, archive_name), "w:gz", format=tarfile.PAX_FORMAT) as archive:
        def add(name: str, data: bytes, mode: int = 0o644) -> None:
            entry = tarfile.TarInfo(f"{stem}/{name}")
            entry.size, entry.mode, entry.mtime = len(data), mode, 315532800
            archive.addfile(entry, io.BytesIO(data))
        add("PKG-INFO", _metadata())
        for name, path in members:
            with open(path, "rb") as source:
                add(name, source.read(), 0o755 if os.access(path, os.X_OK) else 0o644)
    return archive_name


# PEP 660: an editable install points the interpreter at the source tree,
# and puts the natives and _header.py there, beside the package's sources
# (python/hvcn/lib, bin and _header.py, which git ignores).

def get_requires_for_build_editable(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_editable(metadata_directory: str, config_settings: Optional[dict] = None) -> str:
    return _write_metadata(metadata_directory)


def build_editable(wheel_directory: str, config_settings: Optional[dict] = None,
                   metadata_directory: Optional[str] = None) -> str:
    with tempfile.TemporaryDirectory(prefix="hvcn-build-") as scratch:
        for path, data, runs in [_header_file()] + _native_files(_build_tree(scratch)):
            target = os.path.join(_HERE, *path.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as out:
                out.write(data)
            os.chmod(target, 0o755 if runs else 0o644)
    return _write_wheel(wheel_directory, [(f"_{_PACKAGE}_editable.pth", (_HERE + "\n").encode(), False)],
                        f"py3-none-{_platform_tag()}")
