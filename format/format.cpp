#include "format/format.h"

#include <array>
#include <atomic>
#include <cstring>

#include "core/frame.h"
#include "core/platform/chars.h"
#include "core/refusal_note.h"
#include "core/strings.h"
#include "core/trace.h"
#include "format/format_info.h"
#include "model/catalogue.h"

namespace hvcn::format {
namespace {

// The settings read from the profile on the first format initialisation of
// the process and reused by every later one.
struct CachedDefaults {
  char reconfigured[256];
  char comma[2];
  char slash[2];
  int32_t x400Mask;
  int rsUserOnly, sevenBitOnly, complex, ouTags, x400Personal;
};

// Published once, without a lock: each thread that finds no published copy
// reads the profile into its own and tries to publish it.
std::atomic<int> g_cacheState{0};  // 0 empty, 1 being written, 2 ready
CachedDefaults g_cache;

// The published defaults, or `local` filled from the profile.
const CachedDefaults& ReadCachedDefaults(CachedDefaults& local) noexcept {
  if (g_cacheState.load(std::memory_order_acquire) == 2) return g_cache;
  const os::Module module = ResourceModule();
  const BoolWords* words = ProcessBoolWords();
  CachedDefaults& d = local;
  d = CachedDefaults{};
  GetProfileText(module, kSectionNameParsing, kSettingReconfigured, "", d.reconfigured, sizeof d.reconfigured);
  GetProfileText(module, kSectionNameParsing, kSettingComma, ",", d.comma, sizeof d.comma);
  GetProfileText(module, kSectionNameParsing, kSettingSlash, "/", d.slash, sizeof d.slash);
  d.x400Mask = GetProfileNumber(module, kSectionNameParsing, kSettingX400Mask, model::kTagCount);
  d.rsUserOnly = GetProfileBool(module, kSectionNameParsing, kSettingRsUserOnly, true, words);
  d.sevenBitOnly = GetProfileBool(module, kSectionNameParsing, kSettingSevenBitOnly, false, words);
  d.complex = GetProfileBool(module, kSectionNameParsing, kSettingComplex, true, words);
  d.ouTags = GetProfileBool(module, kSectionNameParsing, kSettingOuTags, false, words);
  d.x400Personal = GetProfileBool(module, kSectionNameParsing, kSettingX400Personal, false, words);
  int expected = 0;
  if (g_cacheState.compare_exchange_strong(expected, 1, std::memory_order_acq_rel)) {
    g_cache = d;
    g_cacheState.store(2, std::memory_order_release);
  }
  return d;
}

// A reset token and a fresh attribute record, as whole arrays to copy.
template <typename T, size_t N, typename F>
constexpr std::array<T, N> Filled(F make) {
  std::array<T, N> a{};
  for (auto& item : a) item = make();
  return a;
}
constexpr auto kFreshTokens = Filled<hvcnToken, hvcnTOKEN_COUNT>([] {
  hvcnToken t{};
  t.valueLength = hvcnVALUE_ABSENT;
  return t;
});
constexpr auto kFreshRecords = Filled<hvcnAttribute, hvcnATTRIBUTE_COUNT>([] {
  hvcnAttribute a{};
  a.valueLength = hvcnVALUE_ABSENT;
  return a;
});

// The mark of a set-up format, in hvcnFormat::reserved: eight bytes of
// magic, then the number of records that can hold values (the standard ones
// and the user records the set-up made, which it takes in slot order).
constexpr char kSetUpMagic[8] = {'h', 'v', 'c', 'n', 'S', 'e', 't', 'U'};
constexpr size_t kRecordsInUse = sizeof kSetUpMagic;
static_assert(kRecordsInUse < kNoteAt && hvcnATTRIBUTE_COUNT <= UINT8_MAX);

}  // namespace

bool DefaultsSettled() noexcept { return g_cacheState.load(std::memory_order_acquire) == 2; }

void MarkSetUp(hvcnFormat* format) noexcept {
  int inUse = model::kFirstUserSlot;
  for (int slot = model::kFirstUserSlot; slot < model::kSlotCount; ++slot)
    if (format->attributes[slot].id != 0) inUse = slot + 1;
  std::memcpy(format->reserved, kSetUpMagic, sizeof kSetUpMagic);
  format->reserved[kRecordsInUse] = static_cast<uint8_t>(inUse);
}

// The refusal note after the mark stays (core/refusal_note.h).
void ForgetSetUp(hvcnFormat* format) noexcept { std::memset(format->reserved, 0, kNoteAt); }

bool RestoreSetUp(hvcnFormat* format) noexcept {
  if (std::memcmp(format->reserved, kSetUpMagic, sizeof kSetUpMagic) != 0) return false;
  // The process wildcard may have changed since, and token names must point
  // into this structure's own format string (not a copied one's).
  if (format->wildcardChar[0] != ProcessWildcard()) return false;
  const char* name = format->tokens[0].name;
  if (name && (name < format->formatString || name >= format->formatString + kFormatStringSize)) return false;
  // Besides the values, parsing changed the token texts and the held name's
  // flags, which the name reset clears and the parse sets again.
  const int inUse = format->reserved[kRecordsInUse];
  for (int slot = 0; slot < inUse && slot < model::kSlotCount; ++slot) {
    format->attributes[slot].valueOffset = 0;
    format->attributes[slot].valueLength = hvcnVALUE_ABSENT;
  }
  ResetTokenTexts(format);
  // The parse sets the teletex preference from its own flags; a set-up
  // leaves it clear.
  format->flags = static_cast<uint16_t>(format->flags & ~hvcnFMT_PREFER_TELETEX);
  format->nameType = 0;
  ResetNameText(format);
  return true;
}

void ResetTokenTexts(hvcnFormat* format) noexcept {
  for (auto& token : format->tokens) {
    token.valueOffset = 0;
    token.valueLength = hvcnVALUE_ABSENT;
    token.tokenFlags &= hvcnTOK_LAST;
  }
}

void StartReadName(hvcnFormat* format) noexcept {
  ResetName(format);
  ResetTokenTexts(format);
  format->nameType = hvcnNAME_OR_ADDRESS;
}

void ResetToken(hvcnToken* token) noexcept {
  *token = hvcnToken{};
  token->valueLength = hvcnVALUE_ABSENT;
}

void ResetNameText(hvcnFormat* format) noexcept {
  format->nameBuffer[0] = '\0';
  ClearDetail(format);
  format->flags = static_cast<uint16_t>(format->flags & ~(hvcnFMT_NAME_HELD | hvcnFMT_NAME_COMPLETE | hvcnFMT_DIRECTORY_NAME));
}

void ResetName(hvcnFormat* format) noexcept {
  // Unrolled: the loop's own steps would otherwise cost more than its stores.
#pragma GCC unroll 6
  for (auto& record : format->attributes) record.valueLength = hvcnVALUE_ABSENT;
  ResetNameText(format);
}

void InitialiseFormat(hvcnFormat* format) noexcept {
  ForgetSetUp(format);
  format->formatString[0] = '\0';
  std::memcpy(format->tokens, kFreshTokens.data(), sizeof format->tokens);
  std::memset(format->outputTokenIds, 0, sizeof format->outputTokenIds);
  for (auto& entry : format->reconfigured) entry = -1;
  // Fresh records hold no value: that is the name reset of the values.
  std::memcpy(format->attributes, kFreshRecords.data(), sizeof format->attributes);
  ResetNameText(format);
  format->flags = 0;
  format->nameType = 0;
}

int32_t ApplyFormatDefaults(hvcnFormat* format, CatalogueValues values) noexcept {
  const os::Module module = ResourceModule();
  if (format->formatString[0] == '\0') {
    if (!GetProfileText(module, kSectionNameParsing, kSettingDefaultFormat, "%(CANON)%(EFA)%(X400)",
                        format->formatString, static_cast<int32_t>(kFormatStringSize)) ||
        format->formatString[0] == '\0')
      return hvcnERR_NO_FORMAT;
  }
  CachedDefaults local;
  const CachedDefaults& d = ReadCachedDefaults(local);
  if (d.reconfigured[0] != '\0') {
    if (int32_t status = SetReconfigured(format, d.reconfigured)) return status;
  }
  // The standard records come from the process catalogue. Initialisation
  // left them all free, and a reconfigured list creates user records only.
  std::memcpy(format->attributes, model::CatalogueRecords(values == CatalogueValues::kAbsent),
              sizeof(hvcnAttribute) * model::kStandardSlots);
  SetSeparator(format, hvcnINFO_COMMA_CHAR, static_cast<unsigned char>(d.comma[0]));
  SetSeparator(format, hvcnINFO_SLASH_CHAR, static_cast<unsigned char>(d.slash[0]));
  SetX400Mask(format, d.x400Mask);
  format->wildcardChar[0] = ProcessWildcard();
  format->wildcardChar[1] = '\0';
  SetFlag(format, hvcnFMT_RS_USER_ONLY, static_cast<uint32_t>(d.rsUserOnly));
  SetFlag(format, hvcnFMT_7BIT_ONLY, static_cast<uint32_t>(d.sevenBitOnly));
  SetFlag(format, hvcnFMT_COMPLEX, static_cast<uint32_t>(d.complex));
  SetFlag(format, hvcnFMT_OU_TAGS, static_cast<uint32_t>(d.ouTags));
  SetFlag(format, hvcnFMT_X400_PERSONAL, static_cast<uint32_t>(d.x400Personal));
  return hvcnSUCCESS;
}

}  // namespace hvcn::format
