"""hvcn: X.400 address names for Python.

Reads what a user typed as a recipient (a personal name, a foreign address,
an X.400 part), checks attribute values, writes names back as text under a
format string, converts names to and from the three internal forms, and
reads and writes O/R addresses in their standard forms (where the library
has them), over the hvcn library (``libhvcn.so``, ``hvcn.dll``) through
ctypes.

>>> import hvcn
>>> name = hvcn.parse("Smith, John (ext-42) /o=Org/c=US")
>>> name["surname"], name[1], name.get("organization"), name.get("admd")
('Smith', 'Smith', 'Org', None)
>>> str(name)
'Smith, John (ext-42) /o=Org/c=US'
>>> name.format("%(NONCANON)")
'John Smith'
>>> [reading.parts for reading in hvcn.readings("Smith, J.")]
[('surname', 'initials'), ('surname', 'given-name'), ('surname', 'generation')]
>>> hvcn.internet("Ann  Lee <ann@example.com> (home)")
'Ann Lee <ann@example.com>'

Threads: a :class:`Format` is used by one thread at a time. The functions of
the module (:func:`parse`, :func:`readings`, :func:`from_internal`) give each
thread formats of its own, and a :class:`Name` is an immutable value that any
thread may use.

The library is looked for through the environment variable ``HVCN_LIBRARY``
(its path, or the folder that holds it), then beside this package, then
through the system loader.
"""

from __future__ import annotations

import codecs
import ctypes
import enum
import struct
import sys
import threading
from typing import (
    Any,
    Callable,
    Dict,
    Iterator,
    List,
    Mapping,
    NamedTuple,
    Optional,
    Tuple,
    Union,
)

from . import _lib
from ._lib import lib as _c

__version__ = "5.20.1"
__all__ = [
    "AttributeInfo",
    "AttributeValue",
    "Error",
    "Format",
    "Name",
    "ORTable",
    "Status",
    "Version",
    "attribute_info",
    "catalogue",
    "error_text",
    "from_internal",
    "from_rfc822",
    "internet",
    "orname",
    "parse",
    "readings",
    "validate",
    "version",
]

#: A text handed to the library: ``str``, or ``bytes`` in the call's
#: ``encoding`` (UTF-8 by default; ``"cp1252"`` for Windows-1252 data).
Text = Union[str, bytes]
#: A format argument: a format string, a :class:`Format`, or ``None`` for the
#: configured default format string (``%(CANON)%(EFA)%(X400)``).
FormatLike = Union[str, "Format", None]

# The library reads and writes UTF-8 on Linux, the ANSI code page on
# Windows (names, values, status and detail texts). Bytes that are not
# well-formed UTF-8 pass both ways unchanged (as lone surrogates in a str).
if sys.platform == "win32":  # (not tested here)
    _LIBRARY_ENCODING, _TO_LIBRARY, _FROM_LIBRARY = "mbcs", "strict", "replace"
else:
    _LIBRARY_ENCODING, _TO_LIBRARY, _FROM_LIBRARY = "utf-8", "surrogateescape", "surrogateescape"
_TYPES = (1, 2, 3)
# The longest explanation hvcnExplainStatus writes (its buffer also tells
# the size needed, which this one is never short of).
_EXPLANATION_SIZE = 2048


#: The library's status codes (``enum hvcnStatus`` of ``hvcn.h``):
#: ``Status.SUCCESS``, ``Status.BAD_VALUE`` ... (hvcnERR_BAD_VALUE).
Status = enum.IntEnum("Status", [("SUCCESS", _lib.SUCCESS)] + sorted(  # type: ignore[misc]
    ((name[4:], value) for name, value in vars(_lib._header).items() if name.startswith("ERR_")),
    key=lambda item: item[1]), module=__name__)

_INT32 = (-(1 << 31), (1 << 31) - 1)
_UINT32 = (0, (1 << 32) - 1)


def _integer(name: str, value: Any, bounds: Tuple[int, int] = _INT32) -> int:
    """An integer argument for the library: TypeError for another type,
    OverflowError outside the C type's range (never cut to 32 bits)."""
    if not isinstance(value, int) or isinstance(value, bool):
        raise TypeError(f"hvcn: {name} is an integer, not {type(value).__name__}")
    if not bounds[0] <= value <= bounds[1]:
        raise OverflowError(f"hvcn: {name} {value} is outside {bounds[0]} to {bounds[1]}")
    return value


def error_text(status: int) -> str:
    """The library's text of a status code, in the language of its resource
    library.

    >>> hvcn.error_text(22)
    'The country attribute is two letters or three digits.'
    """
    buffer = ctypes.create_string_buffer(512)
    _c.hvcnGetErrorText(_integer("status", status), buffer, len(buffer))
    return buffer.value.decode(_LIBRARY_ENCODING, "replace")


class Error(Exception):
    """A status other than success.

    ``status`` is the code (a :class:`Status` where the library knows it),
    ``text`` its text, ``explanation`` where and why the library refused the
    input (``hvcnExplainStatus``; often empty), ``column`` the column of the
    input at fault (from 1; 0 when none), and ``detail`` what the ``hvcn``
    tool prints after the status text: the library's ``errorDetail``, then
    the explanation.

    >>> try:
    ...     hvcn.parse("Smith, a b c d e")
    ... except hvcn.Error as error:
    ...     print(int(error.status), error.detail, error.column)
    18 The recipient name has too many parts. 5 words were read after the comma; at most 4 fit. 16
    """

    status: int
    text: str
    detail: str
    explanation: str
    column: int
    #: The line of an :class:`ORTable` text at fault (0: none).
    line: int = 0

    def __init__(self, status: int, detail: str = "", explanation: str = "", column: int = 0) -> None:
        try:
            self.status = Status(status)
        except ValueError:
            self.status = status
        self.text = error_text(status)
        self.detail = " ".join(part for part in dict.fromkeys((detail, explanation)) if part)
        self.explanation = explanation
        self.column = column
        super().__init__(int(status), self.text, self.detail)

    def __str__(self) -> str:
        return f"{int(self.status)}: {self.text}" + (f" {self.detail}" if self.detail else "")


class Version(NamedTuple):
    """The library's version text and interface number; ``str()`` gives the
    text."""

    text: str
    interface: int

    def __str__(self) -> str:
        return self.text


def version() -> Version:
    """The version of the loaded library.

    >>> hvcn.version()
    Version(text='X.05.20.01', interface=104)
    """
    buffer = ctypes.create_string_buffer(32)
    interface = ctypes.c_uint16(0)
    _c.hvcnVersion(buffer, len(buffer), ctypes.byref(interface))
    return Version(buffer.value.decode("ascii"), interface.value)


# --------------------------------------------------------------------------
# Attributes
# --------------------------------------------------------------------------


class AttributeInfo(NamedTuple):
    """What the library knows of a standard attribute (``hvcnGetAttributeInfo``).

    ``tag`` is the X.400 tag in force now; ``label`` and ``short_label`` are
    the attribute's labels in the standard O/R address forms; ``value_class``
    is the check :func:`validate` runs (5000-5003, or 5100-5102 and 0 for the
    special checks); ``max_length`` its default limit; ``twin_id`` the
    teletex twin (0 when none); ``personal`` a part of the personal name (or
    its teletex variant), ``dda_type`` and ``dda_value`` the two halves of a
    domain-defined attribute.
    """

    id: int
    name: str
    tag: str
    label: str
    short_label: str
    value_class: int
    max_length: int
    twin_id: int
    ascii_only: bool
    teletex: bool
    personal: bool = False
    dda_type: bool = False
    dda_value: bool = False


class AttributeValue(NamedTuple):
    """One value a :class:`Name` holds (see :attr:`Name.records`): ``id``,
    the attribute's name (``surname``, ``ddav1-tx``) or the user
    attribute's, and the value."""

    id: int
    name: str
    value: str


def _info(attribute_id: int) -> Optional[AttributeInfo]:
    record = _lib.AttributeInfoStruct()
    if _c.hvcnGetAttributeInfo(attribute_id, ctypes.addressof(record), ctypes.sizeof(record)) != 0:
        return None
    return AttributeInfo(
        record.id,
        record.name.decode("ascii"),
        record.tag.decode(_LIBRARY_ENCODING, "replace"),
        record.label.decode("ascii"),
        record.shortLabel.decode("ascii"),
        record.valueClass,
        record.maxLength,
        record.twinId,
        bool(record.flags & _lib.AINFO_ASCII_ONLY),
        bool(record.flags & _lib.AINFO_TELETEX),
        bool(record.flags & _lib.AINFO_PERSONAL),
        bool(record.flags & _lib.AINFO_DDA_TYPE),
        bool(record.flags & _lib.AINFO_DDA_VALUE),
    )


def _read_catalogue() -> Tuple[Dict[int, str], Dict[str, int], Dict[int, int], Dict[int, str]]:
    """The names of the standard attributes, the IDs of the names, the
    teletex twins of the base attributes, and for the personal-name parts
    and their variants the part's name (its base attribute's): all from the
    library's catalogue."""
    infos = [info for info in map(_info, range(1, _lib.ATTRIBUTE_ID_LAST + 1)) if info is not None]
    names = {info.id: info.name for info in infos}
    twins = {info.id: info.twin_id for info in infos if info.twin_id and info.twin_id != info.id and not info.teletex}
    parts = {info.id: names[info.twin_id if info.teletex else info.id] for info in infos if info.personal}
    return names, {name: attribute_id for attribute_id, name in names.items()}, twins, parts


# The names of the standard attributes, their teletex twins and the parts of
# a personal name never change; their tags may.
_NAMES, _IDS, _TWINS, _PERSONAL = _read_catalogue()
_CLASS_CHECKS = {
    "numeric": _c.hvcnValidateNString,
    "printable": _c.hvcnValidatePString,
    "string": _c.hvcnValidateString,
    "teletex": _c.hvcnValidateTeletexOrPString,
}


def _attribute_id(attribute: Union[int, str]) -> int:
    """An attribute ID from an ID, its decimal text or an attribute name."""
    if isinstance(attribute, int) and not isinstance(attribute, bool):
        return _integer("attribute", attribute)
    if isinstance(attribute, str):
        if attribute.isascii() and attribute.isdigit():
            return int(attribute)
        found = _IDS.get(attribute.lower())
        if found is not None:
            return found
        raise Error(Status.UNKNOWN_ATTRIBUTE, f"No attribute is named '{attribute}'.")
    raise TypeError(f"an attribute is an ID or a name, not {type(attribute).__name__}")


def attribute_info(attribute: Union[int, str]) -> AttributeInfo:
    """Describes a standard attribute, given by ID or name.

    >>> info = hvcn.attribute_info("surname")
    >>> info.id, info.tag, info.label, info.max_length, info.twin_id
    (1, 's', 'S', 40, 51)
    """
    attribute_id = _attribute_id(attribute)
    info = _info(attribute_id)
    if info is None:
        raise Error(Status.UNKNOWN_ATTRIBUTE, f"{attribute_id} is no standard attribute ID.")
    return info


def catalogue() -> List[AttributeInfo]:
    """Every standard attribute, in order of ID."""
    return [attribute_info(attribute_id) for attribute_id in _NAMES]


# --------------------------------------------------------------------------
# Texts
# --------------------------------------------------------------------------


def _encode(text: Text, encoding: str = "utf-8") -> bytes:
    """A text as the library reads it; bytes are read in ``encoding``."""
    if isinstance(text, str):
        data = text.encode(_LIBRARY_ENCODING, _TO_LIBRARY)
    elif isinstance(text, (bytes, bytearray, memoryview)):
        data = bytes(text)
        if codecs.lookup(encoding).name != codecs.lookup(_LIBRARY_ENCODING).name:
            data = data.decode(encoding).encode(_LIBRARY_ENCODING, _TO_LIBRARY)
    else:
        raise TypeError(f"a text is str or bytes, not {type(text).__name__}")
    if 0 in data:
        raise ValueError("hvcn: a text must not hold a NUL character")
    return data


def _text_bytes(text: Text, encoding: str) -> bytes:
    """_encode, quicker for the usual str without a NUL."""
    if text.__class__ is str:
        data = text.encode(_LIBRARY_ENCODING, _TO_LIBRARY)  # type: ignore[union-attr]
        if 0 not in data:
            return data
    return _encode(text, encoding)


def _parse_flags(complete: bool, prefer_teletex: bool) -> int:
    return (_lib.PARSE_COMPLETE if complete else 0) | (_lib.PARSE_PREFER_TELETEX if prefer_teletex else 0)


def _decode(data: bytes) -> str:
    return data.decode(_LIBRARY_ENCODING, _FROM_LIBRARY)


def validate(attribute: Union[int, str], value: Text, max_length: int = 0, *, encoding: str = "utf-8") -> None:
    """Checks a value against an attribute's character set and length;
    returns ``None`` or raises :class:`Error`.

    ``attribute`` is an ID or name (``hvcnValidateAttribute``; the class
    numbers 5000-5003 too), or a value class: ``"numeric"``, ``"printable"``,
    ``"string"``, ``"teletex"`` (the class checks). ``max_length`` 0 keeps
    the attribute's own limit.

    >>> hvcn.validate("country", "GB")
    >>> hvcn.validate("country", "GBR")
    Traceback (most recent call last):
    hvcn.Error: 22: The country attribute is two letters or three digits.
    """
    data = _encode(value, encoding)
    check = _CLASS_CHECKS.get(attribute.lower()) if isinstance(attribute, str) else None
    max_length = _integer("max_length", max_length)
    if check is None:
        result = _c.hvcnValidateAttribute(data, max_length, _attribute_id(attribute))
    elif check in (_c.hvcnValidateString, _c.hvcnValidateTeletexOrPString):
        result = check(data, max_length, ctypes.byref(ctypes.c_int32()))
    else:
        result = check(data, max_length)
    if result > 0:
        raise Error(result)


def internet(text: Text, *, encoding: str = "utf-8") -> Optional[str]:
    """The normalised mailbox when ``text`` is an internet (RFC 822) mailbox,
    else ``None``.

    >>> hvcn.internet("ann @ example.com"), hvcn.internet("<ann@example.com>")
    ('ann@example.com', None)
    """
    data = _encode(text, encoding)
    output = ctypes.create_string_buffer(2 * len(data) + 1)
    if _c.hvcnParseInternetName(data, output) != 1:
        return None
    return _decode(output.value)


# --------------------------------------------------------------------------
# Names
# --------------------------------------------------------------------------


# How a name was read, so that any thread's format can hold it again:
# (kind, format string, text as the library read it, context word in or
# internal type, flags).
_PARSED, _DECODED, _OR_ADDRESS, _RFC822 = 0, 1, 2, 3
# The standard O/R address forms a text is read in, and written in.
_OR_READ = {"auto": _lib.OR_FROM_AUTO, "annexf": _lib.OR_FROM_ANNEXF, "stdor": _lib.OR_FROM_STDOR}
_OR_WRITE = {"stdor": 0, "annexf": _lib.OR_ANNEXF}
_OR_LABELS = {None: 0, "short": _lib.OR_SHORT_LABELS, "long": _lib.OR_LONG_LABELS}
# (kind, format string, text, context word, internal type, O/R flags or
# the RFC 822 mapping, flags)
_Recipe = Tuple[int, Optional[str], bytes, Any, int]


class ORTable:
    """An RFC 2156 domain mapping table for the RFC 822 mapping
    (``hvcnParseORTable``): one row a line, ``domain#C=US$ADMD=ATT$O=Acme#``.
    A bad row raises :class:`Error` with the row's ``line``. A table is
    immutable and may be shared by threads.

    >>> table = hvcn.ORTable("acme.example.com#C=US$ADMD=ATTMAIL$PRMD=Acme$O=Acme#")
    >>> hvcn.parse("Smith, John /o=Acme/c=US/a=ATTMAIL/p=Acme").rfc822(table=table)
    'John.Smith@acme.example.com'
    """

    __slots__ = ("text", "_memory")

    def __init__(self, text: Text, *, encoding: str = "utf-8") -> None:
        parse_table = _c.hvcnParseORTable
        data = _encode(text, encoding)
        needed, line = ctypes.c_uint32(0), ctypes.c_uint32(0)
        status = parse_table(data, None, 0, ctypes.byref(needed), ctypes.byref(line))
        if status in (0, _lib.ERR_BUFFER_TOO_SMALL):
            self._memory = ctypes.create_string_buffer(max(needed.value, 1))
            status = parse_table(data, self._memory, needed.value, ctypes.byref(needed), ctypes.byref(line))
        if status != 0:
            error = Error(status)
            error.line = line.value
            raise error
        self.text = _decode(data)

    def __reduce__(self) -> Tuple[Any, Tuple[str]]:
        return ORTable, (self.text,)

    def __repr__(self) -> str:
        return f"hvcn.ORTable({self.text!r})"


def _mapping(gateway: Optional[Text], table: Union["ORTable", Text, None]) -> Tuple[Optional[bytes], Optional[ORTable]]:
    """The gateway domain and table of the RFC 822 mapping; one at least."""
    if gateway is None and table is None:
        raise ValueError("hvcn: the RFC 822 mapping needs a gateway domain, a mapping table or both")
    if table is not None and not isinstance(table, ORTable):
        table = ORTable(table)
    return (None if gateway is None else _encode(gateway)), table


def _table_memory(table: Optional[ORTable]) -> Tuple[Any, int]:
    return (None, 0) if table is None else (table._memory, len(table._memory))

# A Name keeps one contiguous copy of the format from the held text
# (nameBuffer) to the end of the standard attributes' records. A record's
# first two words are its value's offset (from the start of the held text)
# and length.
_NAME_BUFFER_OFFSET: int = _lib.FormatStruct.nameBuffer.offset
_SHAPE_OFFSET: int = _lib.FormatStruct.nameShape.offset
_RECORD_SIZE = ctypes.sizeof(_lib.Attribute)
_RECORDS_END = _lib.ATTRIBUTES_OFFSET + _lib.ATTRIBUTE_COUNT * _RECORD_SIZE
_RECORD_BASE = _lib.ATTRIBUTES_OFFSET - _NAME_BUFFER_OFFSET
_unpack_pair = struct.Struct("=II").unpack_from
_FOREIGN_MARKER = "RFC-822"  # what the library reads for hvcnVALUE_FOREIGN
_ABSENT = _lib.VALUE_ABSENT


def _derive_slots() -> Tuple[Dict[int, int], bytes]:
    """Where a format keeps the record of each standard attribute (its
    slot), and the user attributes' records as a format without any holds
    them, read from a format the library has just set up."""
    probe = (ctypes.c_char * _lib.FORMAT_SIZE)()
    status = _c.hvcnParseFormatString(b"%(CANON)", ctypes.addressof(probe))
    if status != 0:  # the library is unusable
        raise ImportError(f"hvcn: the library cannot set up a format: {error_text(status)}")
    slots: Dict[int, int] = {}
    for slot in range(_lib.ATTRIBUTE_COUNT):
        record = _lib.Attribute.from_buffer(probe, _lib.ATTRIBUTES_OFFSET + slot * _RECORD_SIZE)
        if record.id in _NAMES:
            slots[record.id] = slot
    if len(slots) != len(_NAMES) or sorted(slots.values()) != list(range(len(slots))):
        raise ImportError("hvcn: the library's format does not keep the standard attributes first")
    free: bytes = probe[_lib.ATTRIBUTES_OFFSET + len(slots) * _RECORD_SIZE:_RECORDS_END]  # type: ignore[assignment]
    return slots, free


_SLOTS, _NO_USER_RECORDS = _derive_slots()
_SLOT_IDS = {slot: attribute_id for attribute_id, slot in _SLOTS.items()}
_USER_RECORDS = slice(_RECORDS_END - len(_NO_USER_RECORDS), _RECORDS_END)
_KEPT = slice(_NAME_BUFFER_OFFSET, _USER_RECORDS.start)


def _position(slot: int) -> int:
    return _RECORD_BASE + slot * _RECORD_SIZE


# Where a standard attribute's record lies in what a Name keeps, by the
# attribute's name or ID.
_POSITIONS: Dict[Union[str, int], int] = {**{i: _position(slot) for i, slot in _SLOTS.items()},
                                          **{_NAMES[i]: _position(slot) for i, slot in _SLOTS.items()}}


def _reader(key: Union[str, int]) -> Tuple[Callable[[bytes, int], Tuple[int, ...]], int, bool]:
    """How Name.value reads an attribute: one unpacking of its record and,
    when it has a teletex twin, of the twin's (which lies further on)."""
    attribute_id = _IDS[key] if isinstance(key, str) else key
    position = _POSITIONS[attribute_id]
    twin = _TWINS.get(attribute_id)
    if twin is None:
        return _unpack_pair, position, False
    gap = _POSITIONS[twin] - position - 8
    return struct.Struct(f"=II{gap}xII").unpack_from, position, True


_READERS = {key: _reader(key) for key in _POSITIONS}


class Name(Mapping[str, str]):
    """One reading of a name: its attribute values, and how to write it.

    A ``Name`` is a mapping from attribute names (``surname``,
    ``given-name``, ``organization``, ``ddav1-tx``, a user attribute's name)
    to the values held, in the library's catalogue order. Indexing also
    takes an attribute ID (``name[1]``), and names in any letter case. A
    value present but empty is ``""``; an attribute without a value is not
    in the mapping. Values are as held: a typed value keeps its escapes
    (``O\\/Brien``) and the dots of its initials. A value that needs teletex
    is held under the teletex attribute only (``surname-tx``);
    :meth:`value` looks in both.

    ``shape`` and ``context`` are the shape code of the reading and the
    context word after it (see docs/parsing.md); ``reading`` numbers the
    readings of :func:`readings` from 1. ``str(name)`` is the name written
    back under its format. A ``Name`` is an immutable value: any thread may
    use it, and it pickles. Until its mapping is first used as a whole
    (``attributes``, ``records``, ``parts``, iteration, ``len``), it keeps a
    copy of the format's records, about 4 KB; after that only its values.
    """

    __slots__ = ("_recipe", "_kept", "_users", "_values", "_records", "_parts", "_text",
                 "shape", "context", "reading")

    _recipe: _Recipe
    _kept: Optional[bytes]
    _users: Tuple[Tuple[int, AttributeValue], ...]
    # Set when the kept records are read and let go (_kept None).
    _values: Dict[str, str]
    _records: Tuple[AttributeValue, ...]
    _parts: Tuple[str, ...]
    _text: Optional[str]
    shape: int
    context: int
    reading: int

    def __getitem__(self, key: Union[str, int]) -> str:
        kept = self._kept
        if kept is not None:
            # A standard attribute is read straight from its record.
            position = _POSITIONS.get(key)
            if position is not None and key is not True:
                offset, length = _unpack_pair(kept, position)
                if length < _ABSENT:
                    return kept[offset:offset + length].decode(_LIBRARY_ENCODING, _FROM_LIBRARY)
                if length == _ABSENT:
                    raise KeyError(key)
                return _FOREIGN_MARKER
        values = self._mapping()
        if isinstance(key, str):
            if key in values:
                return values[key]
            if not (key.isascii() and key.isdigit()):
                # Names ignore letter case, as in the library.
                folded = key.lower()
                for name, value in values.items():
                    if name.lower() == folded:
                        return value
                raise KeyError(key)
            key = int(key)
        if isinstance(key, int) and not isinstance(key, bool):
            for record in self.records:
                if record.id == key:
                    return record.value
        raise KeyError(key)

    def __contains__(self, key: object) -> bool:
        try:
            self[key]  # type: ignore[index]
        except (KeyError, TypeError):
            return False
        return True

    def __iter__(self) -> Iterator[str]:
        return iter(self._mapping())

    def __len__(self) -> int:
        return len(self._mapping())

    def __str__(self) -> str:
        if self._text is None:
            self._text = self._written(None, False)
        return self._text

    def __repr__(self) -> str:
        return f"<hvcn.Name {str(self)!r} {self._mapping()!r}>"

    def value(self, attribute: Union[str, int], default: Optional[str] = None) -> Optional[str]:
        """An attribute's value as the formatter writes it: its teletex
        twin's when that holds text, else its own; ``default`` when neither
        holds a value.

        >>> name = hvcn.parse("M\u00fcller, John")
        >>> name.get("surname"), name.value("surname"), name.value("given-name")
        (None, 'M\u00fcller', 'John')
        """
        kept = self._kept
        reader = _READERS.get(attribute)
        if kept is not None and reader is not None and attribute is not True:
            # Straight from the records: the twin's, then the attribute's own.
            unpack, position, has_twin = reader
            if has_twin:
                offset, length, twin_offset, twin_length = unpack(kept, position)
                if 0 < twin_length < _ABSENT:
                    return kept[twin_offset:twin_offset + twin_length].decode(_LIBRARY_ENCODING, _FROM_LIBRARY)
            else:
                offset, length = unpack(kept, position)
            if length < _ABSENT:
                return kept[offset:offset + length].decode(_LIBRARY_ENCODING, _FROM_LIBRARY)
            return default if length == _ABSENT else _FOREIGN_MARKER
        if reader is None and isinstance(attribute, str):
            reader = _READERS.get(attribute.lower())
        twin_id = _TWINS.get(_attribute_id(attribute)) if reader is not None else None
        if twin_id is not None:
            text = self.get(_NAMES[twin_id])
            if text:
                return text
        try:
            return self[attribute]
        except KeyError:
            return default

    @property
    def attributes(self) -> Dict[str, str]:
        """The present attributes and their values, in catalogue order."""
        return dict(self._mapping())

    @property
    def records(self) -> Tuple[AttributeValue, ...]:
        """Every present attribute in catalogue order, with its ID: the
        attribute ID, the number of a user attribute, or for a user
        attribute known by name a negative ID (-1, or the token position ID
        -99 to -90 of the format-string token that named it)."""
        if self._kept is not None:
            self._compact()
        return self._records

    @property
    def parts(self) -> Tuple[str, ...]:
        """The parts of the personal name that hold text, in the order typed:
        ``('surname', 'given-name')`` for ``Smith, John``."""
        if self._kept is not None:
            self._compact()
        return self._parts

    @property
    def source(self) -> str:
        """The text the name was read from."""
        return _decode(self._recipe[2])

    @property
    def format_string(self) -> Optional[str]:
        """The format string the name was read under (``None``: the default)."""
        return self._recipe[1]

    def format(self, output: FormatLike = None, *, escape: bool = False, ou_tags: bool = False,
               x400_personal: bool = False, x400_mask: int = 43, no_foreign: bool = False,
               seven_bit: bool = False) -> str:
        """The name written under an output format string (default: its own
        format), built from its values.

        ``escape`` puts a backslash before the characters of the escape
        list; the X.400 part writes organisational units with their tags
        with ``ou_tags``, the personal parts too with ``x400_personal``, and
        only the components below position ``x400_mask``; ``no_foreign``
        leaves out the foreign address and the domain-defined attributes;
        ``seven_bit`` writes base attributes instead of their teletex twins.
        See docs/formatting.md.

        >>> name = hvcn.parse("Smith, John /Sales/o=Org/c=US")
        >>> name.format("%(NONCANON)%(X400)"), name.format("%(X400)", ou_tags=True, x400_personal=True)
        ('John Smith /Sales/o=Org/c=US', 'o1=Sales/o=Org/c=US/s=Smith/g=John')
        """
        settings = ((_lib.INFO_OU_TAGS, ou_tags), (_lib.INFO_X400_PERSONAL, x400_personal),
                    (_lib.INFO_NO_FOREIGN, no_foreign), (_lib.INFO_7BIT_ONLY, seven_bit))
        if output is None and not escape and x400_mask == 43 and not any(on for _, on in settings):
            return str(self)
        if isinstance(output, Format):
            output = output._string_in_force()
        held = self._held()
        if output is not None:
            held._change_output(output)
        for kind, on in settings:
            if on:
                held._set(kind, ctypes.c_uint32(1))
        if x400_mask != 43:
            held._set(_lib.INFO_X400_MASK, ctypes.c_int32(_integer("x400_mask", x400_mask)))
        return held._format_text(escape)

    def internal(self, type: int = 3, *, skip_empty: bool = False) -> str:
        """The name in internal form 1 (GS), 2 (GSETB) or 3 (GSRS); with
        ``skip_empty`` type 3 leaves out empty values.

        >>> hvcn.parse("Smith, J.R.").internal(3, skip_empty=True)
        '1\\x1dSmith\\x1e3\\x1dJR'
        """
        if type not in _TYPES:
            raise ValueError(f"an internal type is 1, 2 or 3, not {type!r}")
        return self._held()._encode_held(type, skip_empty)

    def orname(self, form: str = "stdor", *, labels: Optional[str] = None, teletex_escapes: bool = False) -> str:
        """The name as an O/R address in a standard form: ``"stdor"``, the
        RFC 2156 ``/`` form, or ``"annexf"``, the F.401 Annex F / RFC 1685
        ``;`` form; ``labels`` ``"short"`` (``A``, ``P``, ``Q``) or
        ``"long"`` (``ADMD``, ``PRMD``, ``GQ``) in either; with
        ``teletex_escapes`` the ``/`` form writes teletex bytes as
        ``{ddd}``. See docs/orname.md.

        >>> name = hvcn.parse("Smith, John /o=Acme/c=US/a=ATTMAIL/p=Acme")
        >>> name.orname(), name.orname("annexf")
        ('/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/', 'G=John;S=Smith;O=Acme;P=Acme;A=ATTMAIL;C=US')
        """
        if form not in _OR_WRITE or labels not in _OR_LABELS:
            raise ValueError(f"an O/R address is written in form 'stdor' or 'annexf' with labels None, 'short' "
                             f"or 'long', not {form!r} with {labels!r}")
        flags = _OR_WRITE[form] | _OR_LABELS[labels] | (_lib.OR_TELETEX_ESCAPES if teletex_escapes else 0)
        held = self._held()
        return held._into_output(lambda buffer, size, needed: int(
            _c.hvcnFormatORAddress(held._address, buffer, size, needed, flags)))

    def rfc822(self, gateway: Optional[Text] = None, table: Union[ORTable, Text, None] = None, *,
               labels: Optional[str] = None, personal_local: bool = True) -> str:
        """The name as an RFC 822 address (RFC 2156): with a ``table`` (an
        :class:`ORTable` or its text) whose row matches it, as
        ``local-part@mapped.domain``, else through the ``gateway`` domain as
        ``"std-or-address"@gateway`` (one of them at least; ``labels="short"``
        writes ``A``, ``P``, ``Q`` there). ``personal_local=False`` never
        makes the personal name alone the local part. Raises :class:`Error`
        (19 when neither maps the name). See docs/orname.md.

        >>> hvcn.orname("/G=John/S=Smith/O=Acme/C=US/").rfc822("gw.example.com")
        '"/G=John/S=Smith/O=Acme/ADMD= /C=US/"@gw.example.com'
        """
        domain, mapping = _mapping(gateway, table)
        if labels not in _OR_LABELS:
            raise ValueError(f"labels are None, 'short' or 'long', not {labels!r}")
        memory, size = _table_memory(mapping)
        flags = (_lib.OR_SHORT_LABELS if labels == "short" else 0) | \
            (0 if personal_local else _lib.OR_NO_PERSONAL_LOCAL)
        held = self._held()
        return held._into_output(lambda buffer, room, needed: int(
            _c.hvcnORAddressToRFC822(held._address, domain, memory, size, buffer, room, needed, flags)))

    # ----------------------------------------------------------------------

    def _compact(self) -> None:
        """Reads every value from the kept records, then lets them go. (Two
        threads may do it at once: both read the same bytes.)"""
        kept = self._kept
        if kept is None:
            return
        records: List[AttributeValue] = []
        parts: List[Tuple[int, str]] = []
        users = dict(self._users)
        for slot in range(_lib.ATTRIBUTE_COUNT):
            attribute_id = _SLOT_IDS.get(slot)
            if attribute_id is None:
                if slot in users:
                    records.append(users[slot])
                continue
            offset, length = _unpack_pair(kept, _position(slot))
            if length == _ABSENT:
                continue
            value = _FOREIGN_MARKER if length > _ABSENT else kept[offset:offset + length].decode(
                _LIBRARY_ENCODING, _FROM_LIBRARY)
            records.append(AttributeValue(attribute_id, _NAMES[attribute_id], value))
            if value and attribute_id in _PERSONAL and length < _ABSENT:
                parts.append((offset, _PERSONAL[attribute_id]))
        self._records = tuple(records)
        self._parts = tuple(part for _, part in sorted(parts))
        self._values = {record.name: record.value for record in records}
        self._kept = None  # last: a reader that finds it gone finds the rest set

    def _mapping(self) -> Dict[str, str]:
        if self._kept is not None:
            self._compact()
        return self._values

    def _held(self) -> "Format":
        """This thread's format for the name's format string, holding the
        name again (unless it still holds it, as after the parse that made
        it)."""
        recipe = self._recipe
        kind, format_string, data, argument, flags = recipe
        held = _default_format() if format_string is None else _thread_format(format_string)
        if held._holding is not recipe:
            if kind == _PARSED:
                status = held._parse(data, argument, flags)
            elif kind == _DECODED:
                status = held._decode(argument, data)
            else:
                status = held._read_address(kind, argument, data)
            if status != 0:  # the same call succeeded before
                raise held._error(status)
            held._holding = recipe
        return held

    def _written(self, output: Optional[str], escape: bool) -> str:
        held = self._held()
        if output is not None:
            held._change_output(output)
        return held._format_text(escape)


class Format:
    """A format: an input format string, ready for names.

    ``None`` (or ``""``) takes the configured default,
    ``%(CANON)%(EFA)%(X400)``. A bad format string raises :class:`Error`
    (status 2 and a detail text, or 5 to 8).

    A format holds the library's format structure and is used by one thread
    at a time; the module's functions give each thread formats of its own.
    It can stand wherever a format string can (``format=``, an output
    format).

    >>> natural = hvcn.Format("%(NONCANON)")
    >>> natural.parse("John Smith").attributes
    {'surname': 'Smith', 'given-name': 'John', 'initials': '', 'generation': ''}
    """

    __slots__ = ("_string", "_raw", "_struct", "_address", "_context", "_context_ref", "_value", "_output",
                 "_shape", "_has_users", "_hot", "_holding", "_changed", "__weakref__")

    def __init__(self, format_string: Optional[str] = None) -> None:
        if format_string is not None and not isinstance(format_string, str):
            raise TypeError(f"a format string is str, not {type(format_string).__name__}")
        self._string = format_string
        self._raw = (ctypes.c_char * _lib.FORMAT_SIZE)()  # zero-filled
        self._struct = _lib.FormatStruct.from_buffer(self._raw)
        self._address = ctypes.c_void_p(ctypes.addressof(self._raw))
        self._context = ctypes.c_uint32(0)
        self._context_ref = ctypes.byref(self._context)
        self._value = ctypes.create_string_buffer(1100)  # a value has at most 1024 bytes
        self._output = ctypes.create_string_buffer(4096)
        self._shape = memoryview(self._raw).cast("B")[_SHAPE_OFFSET:_SHAPE_OFFSET + 4].cast("i")
        self._set_up()
        # User attributes come from the format string (or the profile's
        # reconfigured list): a parse finds those the set-up made.
        self._has_users = self._user_records() != _NO_USER_RECORDS
        self._hot = (self._shape, self._context, self._address, self._context_ref, self._raw, self._string,
                     self._has_users)
        # The recipe of the Name the format holds as it was made, if any.
        self._holding: Optional[_Recipe] = None

    @property
    def format_string(self) -> Optional[str]:
        """The input format string as given (``None``: the default)."""
        return self._string

    def _string_in_force(self) -> str:
        """The format string, the configured default in place of ``None``."""
        if self._string:
            return self._string
        return str(self._struct.formatString.decode(_LIBRARY_ENCODING, _FROM_LIBRARY))

    def _user_records(self) -> bytes:
        records: bytes = self._raw[_USER_RECORDS]  # type: ignore[assignment]
        return records

    def __repr__(self) -> str:
        return f"hvcn.Format({self._string!r})"

    def parse(self, text: Text, *, complete: bool = True, prefer_teletex: bool = False, context: int = 0,
              encoding: str = "utf-8") -> Name:
        """Reads a typed name: the first reading, or with ``context`` (the
        context word of an earlier reading) the next one. ``complete=False``
        reads a name still being typed; ``prefer_teletex`` stores values in
        their teletex twins; a name given as bytes is read in ``encoding``.
        Raises :class:`Error`."""
        return self._read(_text_bytes(text, encoding), context, _parse_flags(complete, prefer_teletex))

    def readings(self, text: Text, *, complete: bool = True, prefer_teletex: bool = False,
                 encoding: str = "utf-8") -> List[Name]:
        """Every reading of a typed name, in the library's order: each a
        fresh parse with the context word the one before returned, until
        none is left. Raises :class:`Error` when the first reading fails, or
        a later one fails otherwise than by having no reading left."""
        data = _text_bytes(text, encoding)
        flags = _parse_flags(complete, prefer_teletex)
        names: List[Name] = []
        context = 0
        while True:
            status = self._parse(data, context, flags)
            if status == _lib.ERR_NO_MORE_INTERPRETATIONS and names:
                return names
            if status != 0:
                raise self._error(status, _lib.EXPLAIN_NAME, flags, data)
            recipe = (_PARSED, self._string, data, context, flags)
            context = self._context.value
            names.append(self._name(recipe, context, len(names) + 1))
            if not context & _lib.PARSE_CONTEXT_MASK:
                return names

    def from_internal(self, text: Text, type: int, *, encoding: str = "utf-8") -> Name:
        """Decodes a name of internal type 1, 2 or 3. Raises :class:`Error`."""
        if type not in _TYPES:
            raise ValueError(f"an internal type is 1, 2 or 3, not {type!r}")
        data = _encode(text, encoding)
        status = self._decode(type, data)
        if status != 0:
            raise self._error(status, _lib.EXPLAIN_INTERNAL, type, data)
        return self._name((_DECODED, self._string, data, type, 0), 0, 1)

    def orname(self, text: Text, *, form: str = "auto", encoding: str = "utf-8") -> Name:
        """Reads an O/R address in a standard form: ``"annexf"``, the
        F.401 Annex F / RFC 1685 ``;`` form (``G=John;S=Smith;C=US``),
        ``"stdor"``, the RFC 2156 ``/`` form (``/G=John/S=Smith/C=US/``), or
        ``"auto"``, the ``/`` form for a text that starts with ``/``, else
        the ``;`` form. Raises :class:`Error` (``detail`` names the label at
        fault and its column)."""
        if not isinstance(form, str) or form not in _OR_READ:
            raise ValueError(f"an O/R address is read in form 'auto', 'annexf' or 'stdor', not {form!r}")
        return self._address_name(_OR_ADDRESS, _OR_READ[form], _encode(text, encoding))

    def from_rfc822(self, address: Text, gateway: Optional[Text] = None, table: Union[ORTable, Text, None] = None,
                    *, encoding: str = "utf-8") -> Name:
        """Reads an RFC 822 address back into an O/R address (RFC 2156): at
        the ``gateway`` domain its local part is an O/R address in the ``/``
        form, elsewhere the ``table`` row of the longest matching domain
        gives the upper levels (one of them at least). Raises :class:`Error`
        (19 when neither applies)."""
        return self._address_name(_RFC822, _mapping(gateway, table), _encode(address, encoding))

    def _address_name(self, kind: int, argument: Any, data: bytes) -> Name:
        status = self._read_address(kind, argument, data)
        if status != 0:
            # The standard forms' detail names the component; the
            # explanation adds its column.
            if kind == _OR_ADDRESS:
                raise self._error(status, _lib.EXPLAIN_OR_ADDRESS, argument, data)
            raise self._error(status)
        return self._name((kind, self._string, data, argument, 0), 0, 1)

    def rs_list(self, *, user_only: bool = False) -> List[str]:
        """The names of the attributes this format covers (``hvcnGetRSList``):
        decimal IDs and user attribute names, or with ``user_only`` the marker
        ``@X400-ATTR@`` and the user attributes.

        >>> hvcn.Format("%(116)%(CANON)").rs_list()[:3]
        ['116', '1', '2']
        """
        self._set(_lib.INFO_RS_USER_ONLY, ctypes.c_uint32(1 if user_only else 0))
        # Every record's name (at most 27 bytes) and its RS: the longest list.
        buffer = ctypes.create_string_buffer(_lib.ATTRIBUTE_COUNT * 32)
        status = _c.hvcnGetRSList(self._address, buffer, len(buffer))
        if status != 0:
            raise self._error(status)
        return [name.decode("ascii", "replace") for name in buffer.value.split(b"\x1e") if name]

    # The calls on the structure ------------------------------------------

    def _error(self, status: int, call: int = 0, how: int = 0, data: Optional[bytes] = None) -> Error:
        """The failure of a call on the format, with the library's
        explanation of it (hvcnExplainStatus) when the call is one it
        explains."""
        detail = _decode(self._struct.errorDetail)
        if not call:
            return Error(status, detail)
        explanation, column = ctypes.create_string_buffer(_EXPLANATION_SIZE), ctypes.c_uint32(0)
        explained = _c.hvcnExplainStatus(self._address, status, call, how, data, explanation, len(explanation), None,
                                         ctypes.byref(column))
        if explained != 0:
            return Error(status, detail)
        return Error(status, detail, _decode(explanation.value), column.value)

    def _read(self, data: bytes, context: int, flags: int) -> Name:
        """Parses a name with a context word and makes a Name of the
        reading, or raises the failure. (The path of every parse: kept
        short.)"""
        shape, word, address, word_ref, raw, format_string, has_users = self._hot
        if context.__class__ is not int or context >> 32:  # a context word is 32 bits
            context = _integer("context", context, _UINT32)
        shape[0] = 0
        word.value = context
        status = _parse_name(data, address, 0, None, 0, word_ref, flags)
        if status != 0:
            raise self._error(status, _lib.EXPLAIN_NAME, flags, data)
        self._changed = False  # a fresh parse set the format up again
        name = _new_name(Name)
        name._recipe = self._holding = (_PARSED, format_string, data, context, flags)
        name._kept = raw[_KEPT]  # type: ignore[assignment]
        name._users = self._user_values() if has_users else ()
        name._text = None
        name.shape = shape[0]
        name.context = word.value
        name.reading = 1
        return name

    def _parse(self, data: bytes, context: int, flags: int) -> int:
        # The library keeps nameShape when no personal-name reading runs:
        # cleared, it tells the shape of this call only.
        self._holding = None
        self._shape[0] = 0
        self._context.value = context
        status: int = _parse_name(data, self._address, 0, None, 0, self._context_ref, flags)
        if status == 0:
            self._changed = False  # a fresh parse set the format up again
        return status

    def _decode(self, type: int, data: bytes) -> int:
        if self._changed:
            self._set_up()
        self._holding = None
        self._shape[0] = 0
        return _c.hvcnTranslateInternalFormat(self._address, type, data, 0, None, 0, 0)  # type: ignore[no-any-return]

    def _read_address(self, kind: int, argument: Any, data: bytes) -> int:
        """Reads an O/R address (argument: the form's flags) or an RFC 822
        address (argument: the mapping)."""
        # The read keeps the format's settings: they must be the defaults.
        read = _c.hvcnParseORAddress if kind == _OR_ADDRESS else _c.hvcnRFC822ToORAddress
        if self._changed:
            self._set_up()
        self._holding = None
        self._shape[0] = 0
        if kind == _OR_ADDRESS:
            return int(read(data, self._address, argument))
        gateway, table = argument
        return int(read(data, self._address, gateway, *_table_memory(table)))

    def _set_up(self) -> None:
        """Sets the format up from its format string, every setting at its default."""
        data = None if self._string is None else _encode(self._string, "utf-8")
        status = _c.hvcnParseFormatString(data, self._address)
        if status != 0:
            raise self._error(status, _lib.EXPLAIN_FORMAT_STRING, 0, data)
        self._changed = False

    def _set(self, kind: int, value: Any) -> None:
        """Changes a setting (format information). A fresh parse puts the
        settings back; a decode would keep them, so it sets the format up
        again first."""
        self._holding = None
        self._changed = True
        status = _c.hvcnSetFormatInfo(self._address, ctypes.byref(value), kind)
        if status != 0:
            raise self._error(status)

    def _change_output(self, output: str) -> None:
        # The name stays, written differently: a later Name asks for it again.
        self._holding = None
        self._changed = True
        status = _c.hvcnChangeOutputFormat(_encode(output, "utf-8"), self._address)
        if status != 0:
            raise self._error(status)

    def _format_text(self, escape: bool) -> str:
        flags = _lib.FN_REFORMAT | (_lib.FN_ESCAPE if escape else 0)
        return self._into_output(lambda buffer, size, needed: int(
            _c.hvcnFormatNameEx(self._address, buffer, size, needed, flags)))

    def _encode_held(self, type: int, skip_empty: bool) -> str:
        flags = _lib.TIF_ALWAYS_ENCODE | (_lib.TIF_SKIP_EMPTY if skip_empty else 0)
        return self._into_output(lambda buffer, size, needed: int(
            _c.hvcnTranslateInternalFormatEx(self._address, 0, None, type, buffer, size, needed, flags)))

    def _into_output(self, call: Callable[[Any, int, Any], int]) -> str:
        """A text of any length from an export that tells the size it needs:
        into the format's output buffer, made as large as that size once
        when it is too small."""
        needed = ctypes.c_uint32(0)
        buffer = self._output
        status = call(buffer, len(buffer), ctypes.byref(needed))
        if status == _lib.ERR_BUFFER_TOO_SMALL and needed.value > len(buffer):
            buffer = self._output = ctypes.create_string_buffer(needed.value)
            status = call(buffer, len(buffer), ctypes.byref(needed))
        if status != 0:
            raise self._error(status)
        return _decode(buffer.value)

    def _name(self, recipe: _Recipe, context: int, reading: int) -> Name:
        """A Name of what the format holds now."""
        name = _new_name(Name)
        name._recipe = self._holding = recipe
        name._kept = self._raw[_KEPT]  # type: ignore[assignment]
        users = self._has_users if recipe[0] == _PARSED else self._user_records() != _NO_USER_RECORDS
        name._users = self._user_values() if users else ()
        name._text = None
        name.shape = self._shape[0]
        name.context = context
        name.reading = reading
        return name

    def _user_values(self) -> Tuple[Tuple[int, AttributeValue], ...]:
        """The values of the user attributes the format holds, by slot, from
        the library: by number, or by name (ID 0 with the name in the buffer)."""
        users = []
        buffer = self._value
        for slot in range(len(_SLOTS), _lib.ATTRIBUTE_COUNT):
            record = self._struct.attributes[slot]
            if record.id == 0 or record.valueLength == _lib.VALUE_ABSENT:
                continue
            buffer.value = record.name
            if _c.hvcnGetAttributeValue(self._address, max(record.id, 0), buffer, len(buffer)) == 0:
                value = AttributeValue(record.id, record.name.decode("ascii", "replace"), _decode(buffer.value))
                users.append((slot, value))
        return tuple(users)


_new_name = object.__new__
_parse_name = _lib.parse_name
_local = threading.local()
_CACHED_FORMATS = 32


def _thread_format(format_string: Optional[str]) -> Format:
    """This thread's format for a format string."""
    try:
        formats: Dict[Optional[str], Format] = _local.formats
    except AttributeError:
        formats = _local.formats = {}
    held = formats.get(format_string)
    if held is None:
        if len(formats) >= _CACHED_FORMATS:
            formats.clear()
        held = formats[format_string] = Format(format_string)
    return held


def _default_format() -> Format:
    """This thread's format for the configured default format string."""
    try:
        return _local.default  # type: ignore[no-any-return]
    except AttributeError:
        held = _local.default = _thread_format(None)
        return held


def _format_of(format: FormatLike) -> Format:
    if format is None:
        return _default_format()
    if format.__class__ is str:
        return _thread_format(format)  # type: ignore[arg-type]
    if isinstance(format, Format):
        return format
    if isinstance(format, str):
        return _thread_format(format)
    raise TypeError(f"a format is a format string or an hvcn.Format, not {type(format).__name__}")


def parse(text: Text, format: FormatLike = None, *, complete: bool = True, prefer_teletex: bool = False,
          context: int = 0, encoding: str = "utf-8") -> Name:
    """Reads a typed name: its first reading (see :meth:`Format.parse`).

    >>> name = hvcn.parse("Smith, John (ext-42) /o=Org/c=US")
    >>> name["organization"], hex(name.shape), hex(name.context)
    ('Org', '0x4a', '0x30')
    >>> hvcn.parse("John A. Smith", "%(NONCANON)").parts
    ('given-name', 'initials', 'surname')
    """
    # The path of every parse, kept short: the format, the bytes, the call
    # (Format._read).
    held: Format
    if format is None:
        try:
            held = _local.default
        except AttributeError:
            held = _default_format()
    else:
        held = _format_of(format)
    if text.__class__ is str:
        data = text.encode(_LIBRARY_ENCODING, _TO_LIBRARY)  # type: ignore[union-attr]
        if 0 in data:
            data = _encode(text)
    else:
        data = _encode(text, encoding)
    return held._read(data, context, (_lib.PARSE_COMPLETE if complete else 0) |
                      (_lib.PARSE_PREFER_TELETEX if prefer_teletex else 0))


def readings(text: Text, format: FormatLike = None, *, complete: bool = True, prefer_teletex: bool = False,
             encoding: str = "utf-8") -> List[Name]:
    """Every reading of a typed name, in the library's order (see
    :meth:`Format.readings`).

    >>> [(hex(n.shape), n.get("initials"), n.get("given-name")) for n in hvcn.readings("Smith, J.")]
    [('0x1a', 'J.', ''), ('0x4a', '', 'J.'), ('0x802a', '', '')]
    """
    return _format_of(format).readings(text, complete=complete, prefer_teletex=prefer_teletex, encoding=encoding)


def from_internal(text: Text, type: int, format: FormatLike = None, *, encoding: str = "utf-8") -> Name:
    """A name from its internal form of type 1, 2 or 3.

    >>> name = hvcn.from_internal("1\\x1dSmith\\x1e2\\x1dJohn\\x1e3\\x1dJK", 3)
    >>> str(name), name.internal(1)
    ('Smith, John J.K.', 'Smith\\x1dJohn\\x1dJK')
    """
    return _format_of(format).from_internal(text, type, encoding=encoding)


def orname(text: Text, format: FormatLike = None, *, form: str = "auto", encoding: str = "utf-8") -> Name:
    """A name from an O/R address in a standard form (see :meth:`Format.orname`).

    >>> name = hvcn.orname("/G=John/S=Smith/O=Acme/C=US/")
    >>> name["surname"], name["admd"], str(name), name.orname("annexf")
    ('Smith', ' ', 'Smith, John /o=Acme/c=US/a= ', 'G=John;S=Smith;O=Acme;A= ;C=US')
    """
    return _format_of(format).orname(text, form=form, encoding=encoding)


def from_rfc822(address: Text, gateway: Optional[Text] = None, table: Union[ORTable, Text, None] = None,
                format: FormatLike = None, *, encoding: str = "utf-8") -> Name:
    """A name from an RFC 822 address (see :meth:`Format.from_rfc822`).

    >>> name = hvcn.from_rfc822('"/G=John/S=Smith/O=Acme/C=US/"@gw.example.com', "gw.example.com")
    >>> name["surname"], name.orname()
    ('Smith', '/G=John/S=Smith/O=Acme/ADMD= /C=US/')
    """
    return _format_of(format).from_rfc822(address, gateway, table, encoding=encoding)
