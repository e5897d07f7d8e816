"""The hvcn shared library through ctypes: finding it (in the package, where
the wheel put it), the structures of ``hvcn.h`` and the exports with their
argument types, and the bundled ``hvcn`` tool.

The constants and the structure layouts come from ``_header.py``, which the
package's build backend writes from ``api/hvcn.h``. Nothing here is public;
``hvcn`` builds its interface on top of it.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
import warnings
from ctypes import POINTER, Structure, c_char, c_char_p, c_int32, c_uint8, c_uint16, c_uint32, c_void_p
from typing import Any, Dict, List, Tuple

from . import _header
from ._header import *  # noqa: F401,F403  (ERR_BAD_VALUE, PARSE_COMPLETE, ...)

_HERE = os.path.dirname(os.path.abspath(__file__))
_WINDOWS = sys.platform == "win32"

# The C types of hvcn.h's structure fields.
_C_TYPES: Dict[str, Any] = {
    "char": c_char, "uint8_t": c_uint8, "uint16_t": c_uint16, "int32_t": c_int32, "uint32_t": c_uint32,
    "const char*": c_void_p,
}


def _structure(name: str, doc: str) -> Any:
    """A ctypes Structure with the fields hvcn.h gives the structure."""
    fields: List[Tuple[str, Any]] = []
    for field, kind, count in _header.STRUCTS[name]:
        c_type = _C_TYPES.get(kind) or _STRUCTURES[kind]
        fields.append((field, c_type * count if count > 1 else c_type))
    return type(name, (Structure,), {"_fields_": fields, "__doc__": doc})


_STRUCTURES: Dict[str, Any] = {}
for _name, _doc in (("hvcnAttribute", "hvcnAttribute: one value, located in the format's nameBuffer."),
                    ("hvcnToken", "hvcnToken: one token of a parsed format string."),
                    ("hvcnAttributeInfo", "hvcnAttributeInfo, filled by hvcnGetAttributeInfo."),
                    ("hvcnFormat", "hvcnFormat, the caller-allocated format. Only errorDetail is for "
                                   "callers to read; the package also reads nameShape and the attribute "
                                   "records (which attributes hold a value, and where).")):
    _STRUCTURES[_name] = _structure(_name, _doc)
Attribute = _STRUCTURES["hvcnAttribute"]
Token = _STRUCTURES["hvcnToken"]
AttributeInfoStruct = _STRUCTURES["hvcnAttributeInfo"]
FormatStruct = _STRUCTURES["hvcnFormat"]

# sizeof(hvcnFormat): hvcnFORMAT_SIZE_WIN32 on every 32-bit platform, 7488
# where pointers have 8 bytes.
FORMAT_SIZE = FORMAT_SIZE_WIN32 if ctypes.sizeof(c_void_p) == 4 else 7488  # noqa: F405
if ctypes.sizeof(FormatStruct) != FORMAT_SIZE:
    raise ImportError(f"hvcn: the hvcnFormat of _header.py has {ctypes.sizeof(FormatStruct)} bytes, "
                      f"the library's has {FORMAT_SIZE}")
ATTRIBUTES_OFFSET: int = FormatStruct.attributes.offset

# The 32-bit Windows DLL uses __stdcall; every other build has one convention.
_LOADER: Any = ctypes.WinDLL if _WINDOWS and ctypes.sizeof(c_void_p) == 4 else ctypes.CDLL  # type: ignore[attr-defined]
_FILE_NAMES: Tuple[str, ...] = ("hvcn.dll",) if _WINDOWS else ("libhvcn.so.1", "libhvcn.so")
# Where the wheel puts the library and the tool.
_BUNDLED_LIBRARY = os.path.join(_HERE, "bin" if _WINDOWS else "lib", _FILE_NAMES[0])
_BUNDLED_TOOL = os.path.join(_HERE, "bin", "hvcn.exe" if _WINDOWS else "hvcn")

# Every export: name, result type, argument types. Pointers to formats and
# output buffers are passed as addresses (c_void_p), which is what ctypes
# converts fastest.
_i32, _u32, _u16, _ptr = c_int32, c_uint32, c_uint16, c_void_p
_size = POINTER(c_uint32)
_EXPORTS = (
    ("hvcnGetErrorText", _i32, (_i32, _ptr, _u32)),
    ("hvcnVersion", _i32, (_ptr, _u32, POINTER(c_uint16))),
    ("hvcnGetResourceLibrary", _i32, (_ptr, _u32, _ptr, _u32)),
    ("hvcnValidateAttribute", _i32, (c_char_p, _i32, _i32)),
    ("hvcnValidateNString", _i32, (c_char_p, _i32)),
    ("hvcnValidatePString", _i32, (c_char_p, _i32)),
    ("hvcnValidateString", _i32, (c_char_p, _i32, POINTER(c_int32))),
    ("hvcnValidateTeletexOrPString", _i32, (c_char_p, _i32, POINTER(c_int32))),
    ("hvcnGetAttributeInfo", _i32, (_i32, _ptr, _u32)),
    ("hvcnParseFormatString", _i32, (c_char_p, _ptr)),
    ("hvcnChangeInputFormat", _i32, (c_char_p, _ptr)),
    ("hvcnChangeOutputFormat", _i32, (c_char_p, _ptr)),
    ("hvcnGetFormatInfo", _i32, (_ptr, _ptr, _u16, _u16)),
    ("hvcnSetFormatInfo", _i32, (_ptr, _ptr, _u16)),
    ("hvcnParseName", _i32, (c_char_p, _ptr, _i32, _ptr, _u32, POINTER(c_uint32), _u32)),
    ("hvcnFormatName", _i32, (_ptr, _ptr, _u32, _u16)),
    ("hvcnFormatNameEx", _i32, (_ptr, _ptr, _u32, _size, _u16)),
    ("hvcnTranslateInternalFormat", _i32, (_ptr, _i32, c_char_p, _i32, _ptr, _u32, _u32)),
    ("hvcnTranslateInternalFormatEx", _i32, (_ptr, _i32, c_char_p, _i32, _ptr, _u32, _size, _u32)),
    ("hvcnGetAttributeValue", _i32, (_ptr, _i32, _ptr, _u16)),
    ("hvcnGetRSList", _i32, (_ptr, _ptr, _u32)),
    ("hvcnParseInternetName", _u32, (c_char_p, _ptr)),
    ("hvcnIsGSETBInternetName", _u32, (c_char_p,)),
    ("hvcnParseORAddress", _i32, (c_char_p, _ptr, _u32)),
    ("hvcnFormatORAddress", _i32, (_ptr, _ptr, _u32, _size, _u32)),
    ("hvcnParseORTable", _i32, (c_char_p, _ptr, _u32, _size, _size)),
    ("hvcnORAddressToRFC822", _i32, (_ptr, c_char_p, _ptr, _u32, _ptr, _u32, _size, _u32)),
    ("hvcnRFC822ToORAddress", _i32, (c_char_p, _ptr, c_char_p, _ptr, _u32)),
    ("hvcnExplainStatus", _i32, (_ptr, _i32, _u32, _u32, c_char_p, _ptr, _u32, _size, _size)),
)


def _places() -> List[Tuple[str, str]]:
    """Where the library is looked for, in order: (what, path or name)."""
    places: List[Tuple[str, str]] = [("in the package", _BUNDLED_LIBRARY)]
    for file_name in _FILE_NAMES:
        places.append(("beside the package", os.path.join(_HERE, file_name)))
    if _WINDOWS:
        # Python loads a bare DLL name only from the safe folders, not PATH.
        found = ctypes.util.find_library("hvcn")
        if found:
            places.append(("on PATH", found))
    for file_name in _FILE_NAMES:
        places.append(("the system loader", file_name))
    return places


def load() -> Tuple[Any, str]:
    """Loads the library: HVCN_LIBRARY when set (a file, or a folder holding
    it), else the one in the package, else beside it, else through the
    system loader. Returns the library and where it came from; raises
    ImportError naming every place tried and why each failed."""
    tried: List[str] = []
    explicit = os.environ.get("HVCN_LIBRARY")
    if explicit:
        paths = [explicit]
        if os.path.isdir(explicit):
            paths = [os.path.join(explicit, name) for name in _FILE_NAMES]
        for path in paths:
            try:
                return _declare(_LOADER(path)), path
            except OSError as error:
                tried.append(f"  HVCN_LIBRARY: {path}: {error}")
        # A library named on purpose is never replaced by another one.
        raise ImportError(
            "hvcn: the library named by HVCN_LIBRARY could not be loaded:\n" + "\n".join(tried)
            + "\nSet HVCN_LIBRARY to the path of libhvcn.so (hvcn.dll on Windows), or unset it to use "
            "the library installed with the package.")
    tried.append("  HVCN_LIBRARY: not set")
    for what, path in _places():
        if os.path.isabs(path) and not os.path.exists(path):
            tried.append(f"  {what}: {path}: no such file")
            continue
        try:
            return _declare(_LOADER(path)), path
        except OSError as error:
            tried.append(f"  {what}: {error}" if str(error).startswith(path) else f"  {what}: {path}: {error}")
    raise ImportError(
        "hvcn: the hvcn library was not found. Looked in:\n" + "\n".join(tried)
        + "\nInstall the package with pip (pip install ./python builds the library into it), or set "
        "HVCN_LIBRARY to a libhvcn.so of your own (hvcn.dll on Windows).")


def _declare(lib: Any) -> Any:
    """Gives every export its types; refuses a library that lacks one or
    whose interface is older than this package's."""
    missing = [name for name, _, _ in _EXPORTS if not hasattr(lib, name)]
    if missing:
        raise OSError(f"not an hvcn library this package can use: no {', '.join(missing)}")
    for name, result, arguments in _EXPORTS:
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    interface = c_uint16(0)
    lib.hvcnVersion(None, 0, ctypes.byref(interface))
    if interface.value < INTERFACE_NUMBER:  # noqa: F405
        raise OSError(f"interface {interface.value}; this package needs {INTERFACE_NUMBER} or later")  # noqa: F405
    return lib


def _warn_about_resources(lib: Any) -> None:
    """A missing language resource library is said, never a silent change of
    language: the library's own texts are Italian."""
    names, folder = ctypes.create_string_buffer(1024), ctypes.create_string_buffer(1024)
    status = lib.hvcnGetResourceLibrary(names, len(names), folder, len(folder))
    tried = [name for name in names.value.decode("utf-8", "replace").split(":") if name]
    where = folder.value.decode("utf-8", "replace")
    if status == ERR_NO_VALUE:  # noqa: F405
        warnings.warn(f"hvcn: no language resource library was found (looked for {', '.join(dict.fromkeys(tried))} "
                      f"in {where}): the texts are the library's built-in Italian ones", RuntimeWarning, stacklevel=3)
    elif status == SUCCESS and tried and tried[0] != tried[-1]:  # noqa: F405
        warnings.warn(f"hvcn: {tried[0]} was not found in {where}; the texts come from {tried[-1]}",
                      RuntimeWarning, stacklevel=3)


def tool() -> str:
    """The hvcn tool that came with the package."""
    if not os.path.exists(_BUNDLED_TOOL):
        raise FileNotFoundError(f"hvcn: the package has no hvcn tool ({_BUNDLED_TOOL}): install it with pip, "
                                "which builds the tool into it")
    return _BUNDLED_TOOL


lib, path = load()
_warn_about_resources(lib)


# hvcnParseName on the path of every parse: the same export without a
# prototype, so that ctypes converts nothing (its arguments are always the
# name's bytes, the format's address as a c_void_p, ints below 2**31, None
# and a byref of a c_uint32), and called keeping the GIL, which a call of a
# few hundred nanoseconds is cheaper without letting go.
class _KeepingTheGil(ctypes.CDLL):
    _func_flags_ = (ctypes._FUNCFLAG_STDCALL if _LOADER is not ctypes.CDLL  # type: ignore[attr-defined]
                    else ctypes._FUNCFLAG_CDECL) | ctypes._FUNCFLAG_PYTHONAPI  # type: ignore[attr-defined]


parse_name = _KeepingTheGil(path).hvcnParseName
