// The two conversions between AF-Addresses and AMHS O/R addresses.
//
// AF-Address -> O/R address
//   1. the USER row of the AF-Address (letter case ignored)
//   2. else the MD row: the highest level with any matching key; within it
//      the exact key, else the one key with '*' (two are an ambiguity, and
//      no lower level is tried)
//   3. the domain's scheme:
//        XF    C, ADMD, PRMD, O=AFTN, OU1=<AF-Address>
//        CAAS  C, ADMD, PRMD, O=<the CAAS row's>, OU1=<LLLL>, CN=<AF-Address>,
//              the CAAS row being the location's in the MD row's domain (an
//              exact location before the one with '*'; two are an ambiguity)
//        OTHER no address (only USER rows reach such a domain)
//
// O/R address -> AF-Address
//   1. the values in upper case: the address's comparison key
//   2. the USER row of that key
//   3. else a CAAS-shaped address gives its CN, an XF-shaped one its OU1
//   4. the AF-Address converted back (as above) and compared by key: a
//      difference, or no address at all, is reported, not refused
#include <array>
#include <cstring>

#include "amhs/address.h"
#include "amhs/amhs.h"
#include "amhs/tables.h"
#include "core/frame.h"
#include "core/trace.h"
#include "format/format.h"
#include "model/slots.h"
#include "orname/builder.h"

namespace hvcn::amhs {
namespace {

constexpr std::string_view kXfOrganization = "AFTN";
constexpr std::string_view kAmhsCountry = "XX";
constexpr std::string_view kAmhsAdmd = "ICAO";

// What an AF-Address converts to.
struct Plan {
  uint32_t scheme = 0;  // hvcnAMHS_*
  char af[kAfLength];
  UserRow user;  // USER
  MdRow md;      // XF and CAAS
  CaasRow caas;  // CAAS
};

// Why an AF-Address converts to nothing.
struct Refusal {
  int32_t status;
  uint16_t detail;
  uint32_t line, otherLine;  // of the rows at fault (the lower first)
};

// Two rows that tie: an ambiguity naming both lines.
Refusal Tie(uint16_t detail, uint32_t one, uint32_t other) noexcept {
  return {hvcnERR_DUPLICATE_ATTRIBUTE, detail, one < other ? one : other, one < other ? other : one};
}

// The one record a pattern of letters matches: the letters themselves,
// else each wildcard mask that the bitmap names (the letters with '*' where
// the mask has bits). The pattern is a key in its byte order (Ordered8):
// its first byte the most significant, the letters from byte `first` on.
// find(pattern) gives a record's index or -1.
struct Match {
  int64_t found = -1, other = -1;  // other: a second wildcard record, an ambiguity
};

// The bytes of a key that a mask replaces by '*' (bit i: byte i).
constexpr auto kStarPlaces = [] {
  std::array<uint64_t, 128> places{};
  for (uint32_t mask = 0; mask < places.size(); ++mask)
    for (uint32_t i = 0; i < 7; ++i)
      if (mask & (1u << i)) places[mask] |= uint64_t{0xFF} << (56 - 8 * i);
  return places;
}();
constexpr uint64_t kStars = 0x2A2A2A2A2A2A2A2Aull;
static_assert(kStars == 0x0101010101010101ull * static_cast<unsigned char>(kWildcard));

template <typename Find>
Match FindPattern(uint64_t letters, uint32_t first, uint32_t count, const MaskSet& masks, const Find& find) noexcept {
  Match match;
  match.found = find(letters);
  if (match.found >= 0) return match;
  masks.ForEach([&](uint32_t mask) {
    if (match.other >= 0 || mask == 0 || mask >= (1u << count)) return;
    const uint64_t stars = kStarPlaces[mask] >> (8 * first);
    const int64_t at = find((letters & ~stars) | (kStars & stars));
    if (at < 0) return;
    (match.found < 0 ? match.found : match.other) = at;
  });
  return match;
}

bool FindMdRow(const TablesView& tables, const char* af, MdRow* row, Refusal* why) noexcept {
  for (uint32_t level = 0; level < kLevelCount; ++level) {
    const Level& places = kLevels[level];
    uint64_t key = uint64_t{static_cast<unsigned char>('0' + level)} << 56;
    for (uint32_t i = 0; i < places.count; ++i)
      key |= uint64_t{static_cast<unsigned char>(af[places.positions[i]])} << (48 - 8 * i);
    const Match match = FindPattern(key, 1, places.count, tables.header().masks[level],
                                    [&](uint64_t pattern) { return tables.FindMd(level, pattern); });
    if (match.other >= 0) {
      *why = Tie(detail::kAmbiguousMd, tables.Md(static_cast<uint32_t>(match.found)).line,
                 tables.Md(static_cast<uint32_t>(match.other)).line);
      return false;
    }
    if (match.found >= 0) {
      *row = tables.Md(static_cast<uint32_t>(match.found));
      return true;
    }
  }
  *why = {hvcnERR_NO_VALUE, detail::kNoMd, 0, 0};
  return false;
}

bool FindCaasRow(const TablesView& tables, const char* af, const MdRow& md, CaasRow* row, Refusal* why) noexcept {
  const std::string_view c = tables.Text(md.c), admd = tables.Text(md.admd), prmd = tables.Text(md.prmd);
  const Match match = FindPattern(Ordered8(af) & ~(~uint64_t{0} >> (8 * kLocationLength)), 0, kLocationLength,
                                  tables.header().masks[kLevelCount], [&](uint64_t pattern) {
                                    return tables.FindCaas(static_cast<uint32_t>(pattern >> 32), c, admd, prmd);
                                  });
  if (match.other >= 0) {
    *why = Tie(detail::kAmbiguousCaas, tables.Caas(static_cast<uint32_t>(match.found)).line,
               tables.Caas(static_cast<uint32_t>(match.other)).line);
    return false;
  }
  if (match.found < 0) {
    *why = {hvcnERR_NO_VALUE, detail::kNoCaas, md.line, 0};
    return false;
  }
  *row = tables.Caas(static_cast<uint32_t>(match.found));
  return true;
}

// What an AF-Address (upper case) converts to, or why it converts to nothing.
bool FindPlan(const TablesView& tables, const char* af, Plan* plan, Refusal* why) noexcept {
  std::memcpy(plan->af, af, kAfLength);
  const int64_t user = tables.FindUser(af);
  if (user >= 0) {
    plan->scheme = hvcnAMHS_USER;
    plan->user = tables.User(static_cast<uint32_t>(user));
    return true;
  }
  if (!FindMdRow(tables, af, &plan->md, why)) return false;
  switch (static_cast<Scheme>(plan->md.scheme)) {
    case Scheme::kXf:
      plan->scheme = hvcnAMHS_XF;
      return true;
    case Scheme::kCaas:
      plan->scheme = hvcnAMHS_CAAS;
      return FindCaasRow(tables, af, plan->md, &plan->caas, why);
    case Scheme::kOther:
      break;
  }
  *why = {hvcnERR_NAME_DOES_NOT_FIT, detail::kOtherScheme, plan->md.line, 0};
  return false;
}

// The attributes of an XF or CAAS plan, in slot order (as keys take them).
struct Part {
  model::Slot slot;
  std::string_view value;  // empty: left out
};
struct Parts {
  Part part[6];
  uint32_t count;
};
Parts PartsOf(const TablesView& tables, const Plan& plan) noexcept {
  const std::string_view af(plan.af, kAfLength);
  const bool caas = plan.scheme == hvcnAMHS_CAAS;
  return {{{model::kOu1, caas ? af.substr(0, kLocationLength) : af},
           {model::kOrganization, caas ? tables.Text(plan.caas.o) : kXfOrganization},
           {model::kCountry, tables.Text(plan.md.c)},
           {model::kAdmd, tables.Text(plan.md.admd)},
           {model::kPrmd, tables.Text(plan.md.prmd)},
           {model::kCommonName, caas ? af : std::string_view()}},
          6};
}

// The comparison key of a plan's address (valid while `builder` lives).
std::string_view KeyOf(const TablesView& tables, const Plan& plan, KeyBuilder& builder) noexcept {
  if (plan.scheme == hvcnAMHS_USER) return tables.Text(plan.user.key);
  const Parts parts = PartsOf(tables, plan);
  for (uint32_t i = 0; i < parts.count; ++i) builder.Add(parts.part[i].slot, parts.part[i].value);
  return builder.Finish();
}

// A plan's address into the builder's held name.
int32_t Hold(const TablesView& tables, const Plan& plan, orname::NameBuilder& builder) noexcept {
  if (plan.scheme == hvcnAMHS_USER) {
    bool damaged = false;
    const int32_t status = HoldValueList(builder, tables.Text(plan.user.values), &damaged);
    if (damaged) tables.Damage();
    return status;
  }
  const Parts parts = PartsOf(tables, plan);
  for (uint32_t i = 0; i < parts.count; ++i) {
    const Part& part = parts.part[i];
    if (part.value.empty()) continue;
    if (int32_t status = builder.TakeText({model::RowOf(part.slot).label, 0}, part.slot, part.value)) return status;
  }
  return builder.Finish();
}

void Explain(hvcnFormat* format, const Refusal& why, const char* af) noexcept {
  char text[kAfLength + 1], location[kLocationLength + 1];
  std::memcpy(text, af, kAfLength);
  text[kAfLength] = '\0';
  std::memcpy(location, af, kLocationLength);
  location[kLocationLength] = '\0';
  if (why.detail == detail::kNoCaas) RecordDetailWith(format, why.detail, text, why.line, location);
  else RecordDetailWith(format, why.detail, text, why.line, why.otherLine);
  trace::If(trace::kError, trace::tag::kError, "AMH: %s", format->errorDetail);
}

int32_t NotTables(hvcnFormat* format) noexcept {
  RecordDetail(format, detail::kNotTables);
  trace::WriteLine(trace::tag::kError, "AMH: The AMHS tables are not ones that hvcnParseAMHSTables wrote.");
  return hvcnERR_BAD_PARAMETER;
}

// The shapes of the two schemes: exactly C=XX, ADMD=ICAO, any PRMD, and O,
// OU1 = the CN's first four letters, an AF-Address in CN (CAAS); or
// O=AFTN and an AF-Address in OU1 (XF).
bool Letters(const Shape::Value& value, uint32_t count) noexcept {
  char ignored[kAfLength];
  return value.length == count && (count != kAfLength || ReadAfAddress(value.view(), ignored));
}
bool InAmhs(const Shape& s) noexcept { return !s.other && s.c().Is(kAmhsCountry) && s.admd().Is(kAmhsAdmd); }
bool CaasShaped(const Shape& s) noexcept {
  return InAmhs(s) && s.o().length > 0 && Letters(s.cn(), kAfLength) && Letters(s.ou1(), kLocationLength) &&
         std::memcmp(s.ou1().text, s.cn().text, kLocationLength) == 0;
}
bool XfShaped(const Shape& s) noexcept {
  return InAmhs(s) && s.o().Is(kXfOrganization) && Letters(s.ou1(), kAfLength) && s.cn().length == 0;
}

}  // namespace

int32_t ToORAddress(const char* aftn, const void* tables, uint32_t size, hvcnFormat* format,
                    uint32_t* scheme) noexcept {
  orname::NameBuilder builder(format);  // empties the held name
  TablesView view;
  if (!view.Open(tables, size)) return NotTables(format);
  char af[kAfLength];
  if (!ReadAfAddress({aftn, strnlen(aftn, kAfLength + 1)}, af)) {
    RecordDetailWith(format, detail::kNotAnAf, aftn);
    return hvcnERR_NOT_AN_ADDRESS;
  }
  Plan plan;
  Refusal why{};
  const bool found = FindPlan(view, af, &plan, &why);
  const int32_t status = found ? Hold(view, plan, builder) : why.status;
  if (view.damaged()) {
    format::ResetName(format);
    return NotTables(format);
  }
  if (!found) Explain(format, why, af);
  if (status == hvcnSUCCESS && scheme) *scheme = plan.scheme;
  return status;
}

int32_t ToAftn(hvcnFormat* format, const void* tables, uint32_t size, char* aftn, uint32_t aftnSize, uint32_t flags,
               uint32_t* result) noexcept {
  if (aftn && aftnSize > 0) aftn[0] = '\0';
  TablesView view;
  if (!view.Open(tables, size)) return NotTables(format);
  KeyBuilder input;
  Shape shape;
  if (!ReadHeldAddress(format, &input, &shape)) return hvcnERR_NAME_TOO_LONG;
  const std::string_view key = input.Finish();
  char af[kAfLength];
  uint32_t bits;
  UserRow user;
  if (view.FindUserByKey(key, &user)) {
    if (!ReadAfAddress({user.af, kAfLength}, af)) return NotTables(format);
    bits = hvcnAMHS_USER;
  } else if (CaasShaped(shape)) {
    std::memcpy(af, shape.cn().text, kAfLength);
    bits = hvcnAMHS_CAAS;
  } else if (XfShaped(shape)) {
    std::memcpy(af, shape.ou1().text, kAfLength);
    bits = hvcnAMHS_XF;
  } else {
    if (view.damaged()) return NotTables(format);
    RecordDetail(format, flags & hvcnAMHS_ORIGINATOR ? detail::kOriginatorRefused : detail::kRecipientRefused);
    trace::If(trace::kError, trace::tag::kError, "AMH: %s", format->errorDetail);
    return hvcnERR_NOT_AN_ADDRESS;
  }
  // The way back, which a consistent table gives the same address.
  Plan plan;
  Refusal why{};
  KeyBuilder back;
  if (!FindPlan(view, af, &plan, &why)) bits |= hvcnAMHS_INCONSISTENT | hvcnAMHS_NO_REVERSE;
  else if (KeyOf(view, plan, back) != key) bits |= hvcnAMHS_INCONSISTENT;
  if (view.damaged()) return NotTables(format);
  if (flags & hvcnAMHS_KEEP_REVERSE) {
    // A reverse address the format's settings refuse leaves no name held.
    orname::NameBuilder builder(format);
    if (!(bits & hvcnAMHS_NO_REVERSE)) Hold(view, plan, builder);
  }
  if (result) *result = bits;
  if (!aftn || aftnSize <= kAfLength) return hvcnERR_BUFFER_TOO_SMALL;
  std::memcpy(aftn, af, kAfLength);
  aftn[kAfLength] = '\0';
  return hvcnSUCCESS;
}

}  // namespace hvcn::amhs
