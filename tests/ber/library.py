"""The hvcn library through ctypes, for the Python checks of the binary O/R
address: a ready format, the three exports, and the held values read back
through hvcnGetAttributeValue (IDs 1-82), with errorDetail."""
import ctypes

STANDARD_IDS = [i for i in range(1, 83) if not 45 <= i <= 50 and i not in (69, 79)]
DER_ONLY, TELETEX_LATIN1 = 0x01, 0x02
ORNAME, X400ADDRESS = 0x10, 0x20


class Library:
    def __init__(self, path):
        self.lib = ctypes.CDLL(path)
        wide = ctypes.sizeof(ctypes.c_void_p) == 8
        self.detail_offset = 7188 if wide else 7148
        self.flags_offset = 7444 if wide else 7404

    def format(self):
        f = ctypes.create_string_buffer(8192)
        assert self.lib.hvcnParseFormatString(None, f) == 0
        return f

    def detail(self, f):
        return ctypes.string_at(ctypes.addressof(f) + self.detail_offset).decode()

    def flags(self, f):
        return ctypes.c_uint16.from_address(ctypes.addressof(f) + self.flags_offset).value

    def values(self, f):
        """ID -> UTF-8 text of every non-empty held value."""
        out = {}
        buffer = ctypes.create_string_buffer(1100)
        for i in STANDARD_IDS:
            if self.lib.hvcnGetAttributeValue(f, i, buffer, ctypes.c_uint16(1100)) == 0 and buffer.value:
                out[i] = buffer.value.decode()
        return out

    def decode(self, data, flags=0):
        f = self.format()
        used = ctypes.c_uint32(0)
        status = self.lib.hvcnDecodeORAddress(data, len(data), f, flags, ctypes.byref(used))
        return status, f, used.value

    def read(self, text):
        f = self.format()
        status = self.lib.hvcnParseORAddress(text.encode(), f, 0)
        assert status == 0, (text, status, self.detail(f))
        return f

    def encode(self, f, flags=0):
        needed = ctypes.c_uint32(0)
        status = self.lib.hvcnEncodeORAddress(f, None, 0, ctypes.byref(needed), flags)
        if status != 1:
            return status, self.detail(f)
        out = ctypes.create_string_buffer(needed.value)
        status = self.lib.hvcnEncodeORAddress(f, out, needed.value, ctypes.byref(needed), flags)
        return status, out.raw

    def certificate(self, data, index, flags=0):
        f = self.format()
        extension = ctypes.c_uint32(flags)
        status = self.lib.hvcnGetCertificateORAddress(data, len(data), index, f, ctypes.byref(extension))
        return status, f, extension.value


class Checks:
    """Counts checks and failures; a failure is printed, not raised."""

    def __init__(self):
        self.count = self.failed = 0

    def equal(self, what, actual, expected):
        self.count += 1
        if actual != expected:
            self.failed += 1
            print("FAILED %s:\n  actual   %r\n  expected %r" % (what, actual, expected))

    def finish(self):
        print("%d checks, %d failed" % (self.count, self.failed))
        return 1 if self.failed or self.count == 0 else 0
