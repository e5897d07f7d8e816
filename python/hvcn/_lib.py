"""The hvcn shared library through ctypes: finding it, the structures of
``hvcn.h`` and the exports with their argument types.

Nothing here is public; ``hvcn`` builds its interface on top of it.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
from ctypes import (
    POINTER,
    Structure,
    c_char,
    c_char_p,
    c_int32,
    c_uint8,
    c_uint16,
    c_uint32,
    c_void_p,
)
from typing import Any, List, Tuple

# Constants of hvcn.h that the package uses.
INTERFACE_NUMBER = 104
ATTRIBUTE_COUNT = 138
TOKEN_COUNT = 10
VALUE_ABSENT = 0xFFFE
LAST_ATTRIBUTE_ID = 82
PARSE_REINTERPRET = 0x01
PARSE_COMPLETE = 0x08
PARSE_PREFER_TELETEX = 0x10
PARSE_CONTEXT_MASK = 0x337FF0
FN_REFORMAT = 0x0002
FN_ESCAPE = 0x0004
TIF_ALWAYS_ENCODE = 0x02
TIF_SKIP_EMPTY = 0x20
INFO_X400_MASK = 3
INFO_7BIT_ONLY = 8
INFO_RS_USER_ONLY = 9
INFO_OU_TAGS = 12
INFO_X400_PERSONAL = 13
INFO_NO_FOREIGN = 17
OR_FROM_AUTO = 0x00
OR_FROM_ANNEXF = 0x01
OR_FROM_STDOR = 0x02
OR_ANNEXF = 0x01
OR_LONG_LABELS = 0x02
OR_SHORT_LABELS = 0x04
OR_TELETEX_ESCAPES = 0x08
OR_NO_PERSONAL_LOCAL = 0x10
AINFO_ASCII_ONLY = 0x0001
AINFO_TELETEX = 0x0002
CLASS_PRINTABLE = 5000
CLASS_NUMERIC = 5001
CLASS_STRING = 5002
CLASS_TELETEX_OR_PRINTABLE = 5003
ERR_BUFFER_TOO_SMALL = 1
ERR_UNKNOWN_ATTRIBUTE = 16
ERR_NO_MORE_INTERPRETATIONS = 21
ERR_NO_VALUE = 29


class Attribute(Structure):
    """hvcnAttribute: one value, located in the format's nameBuffer."""

    _fields_ = [
        ("valueOffset", c_uint32),
        ("valueLength", c_uint32),
        ("id", c_int32),
        ("name", c_char * 28),
    ]


class Token(Structure):
    """hvcnToken: one token of a parsed format string."""

    _fields_ = [
        ("name", c_void_p),
        ("valueOffset", c_uint32),
        ("valueLength", c_uint32),
        ("leadSep", c_uint8),
        ("trailSep", c_uint8),
        ("id", c_int32),
        ("slot", c_uint32),
        ("tokenFlags", c_uint16),
    ]


class FormatStruct(Structure):
    """hvcnFormat, the caller-allocated format. Only errorDetail is for
    callers to read; the package also reads nameShape and the attribute
    records (which attributes hold a value, and where)."""

    _fields_ = [
        ("formatString", c_char * 257),
        ("nameBuffer", c_char * 1025),
        ("nameType", c_int32),
        ("tokens", Token * TOKEN_COUNT),
        ("outputTokenIds", c_int32 * TOKEN_COUNT),
        ("attributes", Attribute * ATTRIBUTE_COUNT),
        ("reconfigured", c_int32 * 4),
        ("x400Mask", c_int32),
        ("errorDetail", c_char * 256),
        ("flags", c_uint16),
        ("slashChar", c_char),
        ("commaChar", c_char),
        ("wildcardChar", c_char * 4),
        ("escapeList", c_char * 16),
        ("nameShape", c_int32),
        ("reserved", c_uint8 * 12),
    ]


class AttributeInfoStruct(Structure):
    """hvcnAttributeInfo, filled by hvcnGetAttributeInfo."""

    _fields_ = [
        ("id", c_int32),
        ("valueClass", c_int32),
        ("maxLength", c_int32),
        ("twinId", c_int32),
        ("flags", c_uint32),
        ("name", c_char * 32),
        ("tag", c_char * 12),
        ("label", c_char * 16),
        ("shortLabel", c_char * 8),
    ]


# sizeof(hvcnFormat): hvcnFORMAT_SIZE_WIN32 on every 32-bit platform, 7488
# where pointers have 8 bytes. A mismatch means the mirror above is wrong.
FORMAT_SIZE = 7444 if ctypes.sizeof(c_void_p) == 4 else 7488
if ctypes.sizeof(FormatStruct) != FORMAT_SIZE:  # a broken mirror
    raise ImportError(
        f"hvcn: the hvcnFormat mirror has {ctypes.sizeof(FormatStruct)} bytes, "
        f"the library's has {FORMAT_SIZE}"
    )
ATTRIBUTES_OFFSET: int = FormatStruct.attributes.offset

_WINDOWS = sys.platform == "win32"
# The 32-bit Windows DLL uses __stdcall; every other build has one convention.
_LOADER: Any = ctypes.WinDLL if _WINDOWS and ctypes.sizeof(c_void_p) == 4 else ctypes.CDLL  # type: ignore[attr-defined]
_FILE_NAMES: Tuple[str, ...] = ("hvcn.dll",) if _WINDOWS else ("libhvcn.so.1", "libhvcn.so")

# Every export: name, result type, argument types. Pointers to formats and
# output buffers are passed as addresses (c_void_p), which is what ctypes
# converts fastest.
_i32, _u32, _u16, _ptr = c_int32, c_uint32, c_uint16, c_void_p
_EXPORTS = (
    ("hvcnGetErrorText", _i32, (_i32, _ptr, _u32)),
    ("hvcnVersion", _i32, (_ptr, _u32, POINTER(c_uint16))),
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
    ("hvcnTranslateInternalFormat", _i32, (_ptr, _i32, c_char_p, _i32, _ptr, _u32, _u32)),
    ("hvcnGetAttributeValue", _i32, (_ptr, _i32, _ptr, _u16)),
    ("hvcnGetRSList", _i32, (_ptr, _ptr, _u32)),
    ("hvcnParseInternetName", _u32, (c_char_p, _ptr)),
    ("hvcnIsGSETBInternetName", _u32, (c_char_p,)),
)
# The standard O/R address forms and the RFC 822 mapping, and the resource
# library's name, in libraries that have them.
_OPTIONAL_EXPORTS = (
    ("hvcnParseORAddress", _i32, (c_char_p, _ptr, _u32)),
    ("hvcnFormatORAddress", _i32, (_ptr, _ptr, _u32, _ptr, _u32)),
    ("hvcnParseORTable", _i32, (c_char_p, _ptr, _u32, POINTER(c_uint32), POINTER(c_uint32))),
    ("hvcnORAddressToRFC822", _i32, (_ptr, c_char_p, _ptr, _u32, _ptr, _u32, _ptr, _u32)),
    ("hvcnRFC822ToORAddress", _i32, (c_char_p, _ptr, c_char_p, _ptr, _u32)),
    ("hvcnGetResourceLibrary", _i32, (_ptr, _u32, _ptr, _u32)),
)


def _places() -> List[Tuple[str, str]]:
    """Where the library is looked for, in order: (what, path or name)."""
    places: List[Tuple[str, str]] = []
    here = os.path.dirname(os.path.abspath(__file__))
    for file_name in _FILE_NAMES:
        places.append(("beside the package", os.path.join(here, file_name)))
    if _WINDOWS:
        # Python loads a bare DLL name only from the safe folders, not PATH.
        found = ctypes.util.find_library("hvcn")
        if found:
            places.append(("on PATH", found))
    for file_name in _FILE_NAMES:
        places.append(("the system loader", file_name))
    return places


def _open(path: str) -> Any:
    return _LOADER(path)


def load() -> Tuple[Any, str]:
    """Loads the library: HVCN_LIBRARY when set (a file, or a folder holding
    it), else beside the package, else through the system loader. Returns
    the library and where it came from; raises ImportError naming every
    place tried and why each failed."""
    tried: List[str] = []
    explicit = os.environ.get("HVCN_LIBRARY")
    if explicit:
        paths = [explicit]
        if os.path.isdir(explicit):
            paths = [os.path.join(explicit, name) for name in _FILE_NAMES]
        for path in paths:
            try:
                return _declare(_open(path)), path
            except OSError as error:
                tried.append(f"  HVCN_LIBRARY: {path}: {error}")
        # A library named on purpose is never replaced by another one.
        raise ImportError(
            "hvcn: the library named by HVCN_LIBRARY could not be loaded:\n"
            + "\n".join(tried)
            + "\nSet HVCN_LIBRARY to the path of libhvcn.so (hvcn.dll on Windows), "
            "or unset it to look beside the package and through the system loader."
        )
    tried.append("  HVCN_LIBRARY: not set")
    for what, path in _places():
        if os.path.isabs(path) and not os.path.exists(path):
            tried.append(f"  {what}: {path}: no such file")
            continue
        try:
            return _declare(_open(path)), path
        except OSError as error:
            tried.append(f"  {what}: {error}" if str(error).startswith(path) else f"  {what}: {path}: {error}")
    raise ImportError(
        "hvcn: the hvcn library was not found. Looked in:\n"
        + "\n".join(tried)
        + "\nBuild it (cmake --workflow --preset default) and set HVCN_LIBRARY to "
        "build/default/lib/libhvcn.so, or install it (cmake --install)."
    )


def _declare(lib: Any) -> Any:
    """Gives every export its types; refuses a library that lacks one or
    whose interface is older than this package's."""
    missing = [name for name, _, _ in _EXPORTS if not hasattr(lib, name)]
    if missing:
        raise OSError(f"not an hvcn library of interface {INTERFACE_NUMBER}: no {', '.join(missing)}")
    for name, result, arguments in _EXPORTS + tuple(e for e in _OPTIONAL_EXPORTS if hasattr(lib, e[0])):
        function = getattr(lib, name)
        function.restype = result
        function.argtypes = arguments
    interface = c_uint16(0)
    lib.hvcnVersion(None, 0, ctypes.byref(interface))
    if interface.value < INTERFACE_NUMBER:
        raise OSError(f"interface {interface.value}; this package needs {INTERFACE_NUMBER} or later")
    return lib


lib, path = load()
# hvcnParseName on the path of every parse: the same export without a
# prototype, so that ctypes converts nothing (its arguments are always the
# name's bytes, the format's address as a c_void_p, ints below 2**31, None
# and a byref of a c_uint32), and called keeping the GIL, which a call of a
# few hundred nanoseconds is cheaper without letting go.
class _KeepingTheGil(ctypes.CDLL):
    _func_flags_ = (ctypes._FUNCFLAG_STDCALL if _LOADER is not ctypes.CDLL  # type: ignore[attr-defined]
                    else ctypes._FUNCFLAG_CDECL) | ctypes._FUNCFLAG_PYTHONAPI  # type: ignore[attr-defined]


parse_name = _KeepingTheGil(path).hvcnParseName
