// The binary interface as a caller of each platform sees it: the byte
// layout the header documents for hvcnFormat and its records (checked at
// build time, and against what the library writes), and buffer sizes near
// 2^32, where on a 32-bit target a pointer plus the size wraps around.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hvcn.h"

namespace {

constexpr bool k32 = sizeof(void*) == 4;

// The table of api/hvcn.h: field, 32-bit offset, 64-bit offset, 32-bit
// size, 64-bit size.
#define HVCN_FORMAT_FIELDS(X)                  \
  X(formatString, 0, 0, 257, 257)              \
  X(nameBuffer, 257, 257, 1025, 1025)          \
  X(nameType, 1284, 1284, 4, 4)                \
  X(tokens, 1288, 1288, 280, 320)              \
  X(outputTokenIds, 1568, 1608, 40, 40)        \
  X(attributes, 1608, 1648, 5520, 5520)        \
  X(reconfigured, 7128, 7168, 16, 16)          \
  X(x400Mask, 7144, 7184, 4, 4)                \
  X(errorDetail, 7148, 7188, 256, 256)         \
  X(flags, 7404, 7444, 2, 2)                   \
  X(slashChar, 7406, 7446, 1, 1)               \
  X(commaChar, 7407, 7447, 1, 1)               \
  X(wildcardChar, 7408, 7448, 4, 4)            \
  X(escapeList, 7412, 7452, 16, 16)            \
  X(nameShape, 7428, 7468, 4, 4)               \
  X(reserved, 7432, 7472, 12, 12)
#define HVCN_TOKEN_FIELDS(X) \
  X(name, 0, 0, 4, 8)        \
  X(valueOffset, 4, 8, 4, 4) \
  X(valueLength, 8, 12, 4, 4) \
  X(leadSep, 12, 16, 1, 1)   \
  X(trailSep, 13, 17, 1, 1)  \
  X(id, 16, 20, 4, 4)        \
  X(slot, 20, 24, 4, 4)      \
  X(tokenFlags, 24, 28, 2, 2)
#define HVCN_ATTRIBUTE_FIELDS(X) \
  X(valueOffset, 0, 0, 4, 4)     \
  X(valueLength, 4, 4, 4, 4)     \
  X(id, 8, 8, 4, 4)              \
  X(name, 12, 12, 28, 28)

#define HVCN_ATTRIBUTE_INFO_FIELDS(X) \
  X(id, 0, 0, 4, 4)                   \
  X(valueClass, 4, 4, 4, 4)           \
  X(maxLength, 8, 8, 4, 4)            \
  X(twinId, 12, 12, 4, 4)             \
  X(flags, 16, 16, 4, 4)              \
  X(name, 20, 20, 32, 32)             \
  X(tag, 52, 52, 12, 12)              \
  X(label, 64, 64, 16, 16)            \
  X(shortLabel, 80, 80, 8, 8)

#define HVCN_CHECK_FIELD(type, field, o32, o64, s32, s64)                                     \
  static_assert(offsetof(type, field) == (k32 ? (o32) : (o64)), #type "." #field " offset"); \
  static_assert(sizeof(type::field) == (k32 ? (s32) : (s64)), #type "." #field " size");
#define HVCN_CHECK_FORMAT(...) HVCN_CHECK_FIELD(hvcnFormat, __VA_ARGS__)
#define HVCN_CHECK_TOKEN(...) HVCN_CHECK_FIELD(hvcnToken, __VA_ARGS__)
#define HVCN_CHECK_ATTRIBUTE(...) HVCN_CHECK_FIELD(hvcnAttribute, __VA_ARGS__)
#define HVCN_CHECK_ATTRIBUTE_INFO(...) HVCN_CHECK_FIELD(hvcnAttributeInfo, __VA_ARGS__)
HVCN_FORMAT_FIELDS(HVCN_CHECK_FORMAT)
HVCN_TOKEN_FIELDS(HVCN_CHECK_TOKEN)
HVCN_ATTRIBUTE_FIELDS(HVCN_CHECK_ATTRIBUTE)
HVCN_ATTRIBUTE_INFO_FIELDS(HVCN_CHECK_ATTRIBUTE_INFO)
static_assert(sizeof(hvcnFormat) == (k32 ? hvcnFORMAT_SIZE_WIN32 : 7488));
static_assert(sizeof(hvcnToken) == (k32 ? 28 : 32));
static_assert(sizeof(hvcnAttribute) == 40);
static_assert(sizeof(hvcnTagNameInfo) == (k32 ? 8 : 16));
static_assert(sizeof(hvcnAttributeInfo) == 88);
static_assert(offsetof(hvcnTagNameInfo, name) == (k32 ? 4 : 8));

// Documented offsets for the run-time check, by field name.
#define HVCN_OFFSET(member, o32, o64, ...) \
  if (std::strcmp(#member, field) == 0) return k32 ? (o32) : (o64);
size_t FormatOffset(const char* field) {
  HVCN_FORMAT_FIELDS(HVCN_OFFSET)
  ADD_FAILURE() << field;
  return 0;
}
size_t TokenOffset(const char* field) {
  HVCN_TOKEN_FIELDS(HVCN_OFFSET)
  ADD_FAILURE() << field;
  return 0;
}
size_t AttributeOffset(const char* field) {
  HVCN_ATTRIBUTE_FIELDS(HVCN_OFFSET)
  ADD_FAILURE() << field;
  return 0;
}
#undef HVCN_OFFSET

constexpr uint8_t kGuard = 0xA5;
constexpr size_t kGuardBytes = 256;

// A caller's block of `size` bytes, zero-filled, between two guard areas.
class Guarded {
 public:
  explicit Guarded(size_t size, uint8_t fill = 0) : bytes_(size + 2 * kGuardBytes, kGuard), size_(size) {
    std::memset(data(), fill, size);
  }
  uint8_t* data() { return bytes_.data() + kGuardBytes; }
  char* text() { return reinterpret_cast<char*>(data()); }
  const std::vector<uint8_t>& all() const { return bytes_; }
  bool GuardsIntact() const {
    for (size_t i = 0; i < kGuardBytes; ++i)
      if (bytes_[i] != kGuard || bytes_[kGuardBytes + size_ + i] != kGuard) return false;
    return true;
  }
  template <typename T>
  T Read(size_t offset) {
    T value;
    std::memcpy(&value, data() + offset, sizeof value);
    return value;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t size_;
};

// The format's bytes, read at the documented offsets: the library binary
// was built with the layout the header describes, and writes a format of
// exactly the documented size (7444 bytes on 32-bit targets).
TEST(FormatLayout, TheLibraryWritesEachFieldAtItsDocumentedOffset) {
  Guarded block(k32 ? hvcnFORMAT_SIZE_WIN32 : sizeof(hvcnFormat));
  auto* format = reinterpret_cast<hvcnFormat*>(block.data());
  const char* formatString = "%(CANON)%(EFA)%(X400)";
  ASSERT_EQ(hvcnParseFormatString(formatString, format), hvcnSUCCESS);
  EXPECT_STREQ(block.text() + FormatOffset("formatString"), formatString);
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("nameType")), 0);
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("x400Mask")), 43);
  EXPECT_NE(block.Read<uint16_t>(FormatOffset("flags")) & hvcnFMT_READY, 0u);
  EXPECT_EQ(block.Read<char>(FormatOffset("slashChar")), '/');
  EXPECT_EQ(block.Read<char>(FormatOffset("commaChar")), ',');
  EXPECT_STREQ(block.text() + FormatOffset("wildcardChar"), "*");
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("attributes") + AttributeOffset("id")), hvcnATT_SURNAME);
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("attributes") + 9 * sizeof(hvcnAttribute) + AttributeOffset("id")),
            hvcnATT_COUNTRY);

  // The three tokens: their IDs, the section slot, the last-token flag, and
  // the name pointer into formatString.
  const int32_t ids[] = {hvcnTOKEN_CANON, hvcnTOKEN_EFA, hvcnTOKEN_X400};
  for (size_t i = 0; i < 3; ++i) {
    const size_t token = FormatOffset("tokens") + i * sizeof(hvcnToken);
    EXPECT_EQ(block.Read<int32_t>(token + TokenOffset("id")), ids[i]) << i;
    EXPECT_EQ(block.Read<uint32_t>(token + TokenOffset("slot")), hvcnSLOT_SECTION) << i;
    EXPECT_EQ((block.Read<uint16_t>(token + TokenOffset("tokenFlags")) & hvcnTOK_LAST) != 0, i == 2) << i;
    const char* name = block.Read<const char*>(token + TokenOffset("name"));
    EXPECT_GE(name, block.text() + FormatOffset("formatString")) << i;
    EXPECT_LT(name, block.text() + FormatOffset("nameBuffer")) << i;
  }

  uint32_t context = 0;
  const char* name = "Smith, John (ext-42) /o=Org/c=US";
  ASSERT_EQ(hvcnParseName(name, format, 0, nullptr, 0, &context, hvcnPARSE_COMPLETE), hvcnSUCCESS);
  EXPECT_STREQ(block.text() + FormatOffset("nameBuffer"), name);
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("nameType")), -1);
  EXPECT_EQ(block.Read<int32_t>(FormatOffset("nameShape")), 0x4a);
  EXPECT_NE(block.Read<uint16_t>(FormatOffset("flags")) & hvcnFMT_NAME_HELD, 0u);
  const size_t surname = FormatOffset("attributes");
  const uint32_t offset = block.Read<uint32_t>(surname + AttributeOffset("valueOffset"));
  const uint32_t length = block.Read<uint32_t>(surname + AttributeOffset("valueLength"));
  ASSERT_LT(offset + length, 1025u);
  EXPECT_EQ(std::string(block.text() + FormatOffset("nameBuffer") + offset, length), "Smith");
  EXPECT_TRUE(block.GuardsIntact());

  // A failed format string leaves its detail in errorDetail.
  Guarded failed(k32 ? hvcnFORMAT_SIZE_WIN32 : sizeof(hvcnFormat));
  EXPECT_EQ(hvcnParseFormatString("%%%(1)", reinterpret_cast<hvcnFormat*>(failed.data())),
            hvcnERR_BAD_FORMAT_STRING);
  EXPECT_STREQ(failed.text() + FormatOffset("errorDetail"), "Tokens may be separated by a single character only.");
  EXPECT_TRUE(failed.GuardsIntact());
}

// Exports that write a text or a record stop at its end, whatever room the
// caller declares: a size near 2^32 with a small real buffer writes what a
// fitting size writes, byte for byte, guards included. On a 32-bit
// target 0xFFFFFFFF puts buffer + size just before the buffer, and
// 2^32 - address puts it at address 0.
// (hvcnGetErrorText is not among them: it terminates at size - 1, so its
// size must be real; see the next test.)
TEST(BufferSizes, AHugeSizeWritesWhatAFittingSizeWrites) {
  using Call = std::function<int32_t(hvcnFormat*, char*, uint32_t)>;
  const char* gsrs = "1\x1dSmith\x1e" "2\x1dJohn\x1e" "9\x1dOrg";
  const std::vector<std::pair<const char*, Call>> calls = {
      {"hvcnVersion", [](hvcnFormat*, char* b, uint32_t n) { return hvcnVersion(b, n, nullptr); }},
      {"hvcnFormatName typed", [](hvcnFormat* f, char* b, uint32_t n) { return hvcnFormatName(f, b, n, 0); }},
      {"hvcnFormatName reformat",
       [](hvcnFormat* f, char* b, uint32_t n) { return hvcnFormatName(f, b, n, hvcnFN_REFORMAT | hvcnFN_ESCAPE); }},
      {"hvcnGetRSList", [](hvcnFormat* f, char* b, uint32_t n) { return hvcnGetRSList(f, b, n); }},
      {"hvcnGetAttributeInfo",
       [](hvcnFormat*, char* b, uint32_t n) {
         return hvcnGetAttributeInfo(hvcnATT_SURNAME, reinterpret_cast<hvcnAttributeInfo*>(b), n);
       }},
      {"hvcnTranslateInternalFormat held 1",
       [](hvcnFormat* f, char* b, uint32_t n) {
         return hvcnTranslateInternalFormat(f, 0, nullptr, 1, b, n, hvcnTIF_ALWAYS_ENCODE);
       }},
      {"hvcnTranslateInternalFormat held 2",
       [](hvcnFormat* f, char* b, uint32_t n) {
         return hvcnTranslateInternalFormat(f, 0, nullptr, 2, b, n, hvcnTIF_ALWAYS_ENCODE);
       }},
      {"hvcnTranslateInternalFormat 3 to 1",
       [gsrs](hvcnFormat* f, char* b, uint32_t n) { return hvcnTranslateInternalFormat(f, 3, gsrs, 1, b, n, 0); }},
      {"hvcnTranslateInternalFormat 3 unchanged",
       [gsrs](hvcnFormat* f, char* b, uint32_t n) { return hvcnTranslateInternalFormat(f, 3, gsrs, 3, b, n, 0); }},
      {"hvcnParseName to 3",
       [](hvcnFormat* f, char* b, uint32_t n) {
         uint32_t context = 0;
         return hvcnParseName("Lee, Ann /Sales/o=Example/c=GB", f, 3, b, n, &context, hvcnPARSE_COMPLETE);
       }},
      {"hvcnParseName to 2",
       [](hvcnFormat* f, char* b, uint32_t n) {
         uint32_t context = 0;
         return hvcnParseName("Lee, Ann /Sales/o=Example/c=GB", f, 2, b, n, &context, hvcnPARSE_COMPLETE);
       }},
  };
  // Fixed sizes, and sizes that end the buffer at address 0 or 1 (2^32 and
  // 2^32 + 1 on a 32-bit target).
  struct Size {
    uint32_t value;
    bool fromAddress;
  };
  const Size sizes[] = {{0x80000000u, false}, {0xFFFFFFFEu, false}, {0xFFFFFFFFu, false}, {0u, true}, {1u, true}};
  constexpr uint32_t kRoom = 2048;
  for (const auto& entry : calls) {
    const char* label = entry.first;
    const Call& call = entry.second;
    // Each run on a fresh format holding the same typed name.
    auto run = [&call](uint32_t size, Guarded& out) {
      auto format = std::make_unique<hvcnFormat>();
      uint32_t context = 0;
      EXPECT_EQ(hvcnParseFormatString("%(CANON)%(EFA)%(X400)", format.get()), hvcnSUCCESS);
      EXPECT_EQ(hvcnParseName("Smith, John (ext-42) /o=Org/c=US", format.get(), 0, nullptr, 0, &context,
                              hvcnPARSE_COMPLETE),
                hvcnSUCCESS);
      return call(format.get(), out.text(), size);
    };
    Guarded expected(kRoom, 0x5A);
    const int32_t status = run(kRoom, expected);
    EXPECT_EQ(status, hvcnSUCCESS) << label;
    for (const Size& s : sizes) {
      Guarded actual(kRoom, 0x5A);
      const uint32_t size =
          s.fromAddress ? s.value - static_cast<uint32_t>(reinterpret_cast<uintptr_t>(actual.text())) : s.value;
      if (size < kRoom) continue;
      EXPECT_EQ(run(size, actual), status) << label << ", size " << size;
      EXPECT_TRUE(actual.all() == expected.all())
          << label << ", size " << size << ": \"" << actual.text() << "\" against \"" << expected.text() << "\"";
    }
  }
}

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define HVCN_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define HVCN_TSAN 1
#endif

// (Not under ThreadSanitizer, which would write the shadow of the whole
// block, a gigabyte, for a test without threads.)
#if UINTPTR_MAX > 0xFFFFFFFFu && !defined(HVCN_TSAN)
// A real buffer of 2^31 bytes: the size does not fit a signed 32-bit
// number, which is what the string loader takes. The text still comes
// whole and nothing is written past the size; only the pages touched are
// ever mapped. (64-bit targets only: no object of 2^31 bytes or more can
// exist in a 32-bit process.)
TEST(BufferSizes, ErrorTextInABufferOfTwoGibibytes) {
  constexpr uint32_t kSize = 0x80000000u;
  constexpr size_t kAfter = 64;
  auto* buffer = static_cast<char*>(std::malloc(size_t{kSize} + kAfter));
  if (!buffer) GTEST_SKIP() << "no 2 GiB block in this process's address space";
  std::memset(buffer, 0x5A, 256);
  std::memset(buffer + kSize - 256, 0x5A, 256 + kAfter);
  for (int32_t code : {int32_t{hvcnSUCCESS}, int32_t{31}}) {
    char expected[256];
    const int32_t status = hvcnGetErrorText(code, expected, sizeof expected);
    EXPECT_EQ(hvcnGetErrorText(code, buffer, kSize), status) << code;
    EXPECT_STREQ(buffer, expected) << code;
    for (size_t i = 0; i < kAfter; ++i) ASSERT_EQ(buffer[size_t{kSize} + i], 0x5A) << code << " +" << i;
  }
  std::free(buffer);
}
#endif

}  // namespace
