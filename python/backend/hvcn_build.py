"""The build backend of the hvcn Python package (PEP 517 and PEP 660).

It writes the wheel itself with the standard library (zipfile, hashlib), so
that building needs no package from an index: pip's isolated build
environment has nothing to install. The package is pure Python; the wheel
is py3-none-any and holds hvcn/ as it is in the source tree.
"""

from __future__ import annotations

import base64
import hashlib
import io
import os
import re
import tarfile
import zipfile
from typing import Dict, List, Optional, Tuple

_HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
_PACKAGE = "hvcn"
_PACKAGE_FILES = ("__init__.py", "_lib.py", "__main__.py", "py.typed")
_SDIST_FILES = ("pyproject.toml", "backend/hvcn_build.py")
_FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # reproducible archives


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
    ]
    return ("\n".join(lines) + "\n").encode()


_WHEEL = b"Wheel-Version: 1.0\nGenerator: hvcn_build\nRoot-Is-Purelib: true\nTag: py3-none-any\n"


def _record_line(path: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{path},sha256={digest},{len(data)}"


def _write_wheel(directory: str, files: List[Tuple[str, bytes]]) -> str:
    _, _, stem = _names()
    info = f"{stem}.dist-info"
    files = files + [(f"{info}/METADATA", _metadata()), (f"{info}/WHEEL", _WHEEL),
                     (f"{info}/top_level.txt", f"{_PACKAGE}\n".encode())]
    record = "\n".join(_record_line(path, data) for path, data in files) + f"\n{info}/RECORD,,\n"
    files.append((f"{info}/RECORD", record.encode()))
    wheel_name = f"{stem}-py3-none-any.whl"
    with zipfile.ZipFile(os.path.join(directory, wheel_name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for path, data in files:
            entry = zipfile.ZipInfo(path, _FIXED_TIME)
            entry.external_attr = 0o644 << 16
            entry.compress_type = zipfile.ZIP_DEFLATED
            wheel.writestr(entry, data)
    return wheel_name


def _package_files() -> List[Tuple[str, bytes]]:
    files = []
    for file_name in _PACKAGE_FILES:
        with open(os.path.join(_HERE, _PACKAGE, file_name), "rb") as source:
            files.append((f"{_PACKAGE}/{file_name}", source.read()))
    return files


def _write_metadata(directory: str) -> str:
    _, _, stem = _names()
    info = os.path.join(directory, f"{stem}.dist-info")
    os.makedirs(info, exist_ok=True)
    for file_name, data in (("METADATA", _metadata()), ("WHEEL", _WHEEL)):
        with open(os.path.join(info, file_name), "wb") as target:
            target.write(data)
    return f"{stem}.dist-info"


# PEP 517 -----------------------------------------------------------------

def get_requires_for_build_wheel(config_settings: Optional[dict] = None) -> List[str]:
    return []


def get_requires_for_build_sdist(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_wheel(metadata_directory: str, config_settings: Optional[dict] = None) -> str:
    return _write_metadata(metadata_directory)


def build_wheel(wheel_directory: str, config_settings: Optional[dict] = None,
                metadata_directory: Optional[str] = None) -> str:
    return _write_wheel(wheel_directory, _package_files())


def build_sdist(sdist_directory: str, config_settings: Optional[dict] = None) -> str:
    _, _, stem = _names()
    archive_name = f"{stem}.tar.gz"
    members = [(name, os.path.join(_HERE, name)) for name in _SDIST_FILES]
    members += [(f"{_PACKAGE}/{name}", os.path.join(_HERE, _PACKAGE, name)) for name in _PACKAGE_FILES]
    with tarfile.open(os.path.join(sdist_directory, archive_name), "w:gz", format=tarfile.PAX_FORMAT) as archive:
        def add(name: str, data: bytes) -> None:
            entry = tarfile.TarInfo(f"{stem}/{name}")
            entry.size, entry.mode, entry.mtime = len(data), 0o644, 315532800
            archive.addfile(entry, io.BytesIO(data))
        add("PKG-INFO", _metadata())
        for name, path in members:
            with open(path, "rb") as source:
                add(name, source.read())
    return archive_name


# PEP 660: an editable install points the interpreter at the source tree.

def get_requires_for_build_editable(config_settings: Optional[dict] = None) -> List[str]:
    return []


def prepare_metadata_for_build_editable(metadata_directory: str, config_settings: Optional[dict] = None) -> str:
    return _write_metadata(metadata_directory)


def build_editable(wheel_directory: str, config_settings: Optional[dict] = None,
                   metadata_directory: Optional[str] = None) -> str:
    return _write_wheel(wheel_directory, [(f"_{_PACKAGE}_editable.pth", (_HERE + "\n").encode())])
