#include "kinds.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>

#include "files.h"

// A call into the library, watched (golden.h).
#define LIB(call) ::hvcn::test::Library([&] { return call; })

namespace hvcn::test {
namespace {

std::string S(int64_t n) { return std::to_string(n); }

// A format readied by hvcnParseFormatString ("-": the default format string).
std::unique_ptr<hvcnFormat> Ready(const std::string& formatString) {
  auto f = std::make_unique<hvcnFormat>();
  Exact text(formatString == "-" ? "%(CANON)%(EFA)%(X400)" : formatString);
  EXPECT_EQ(LIB(hvcnParseFormatString(text.get(), f.get())), hvcnSUCCESS) << formatString;
  return f;
}

// check, maximum, value -> result [flag]: N P S T are the class checks,
// a number is hvcnValidateAttribute with that ID or class.
std::vector<std::string> Validate(const GoldenCase& c) {
  Exact value(c[2]);
  const int32_t max = Int(c[1]);
  int32_t flag = -7;
  if (c[0] == "N") return {S(LIB(hvcnValidateNString(value.get(), max)))};
  if (c[0] == "P") return {S(LIB(hvcnValidatePString(value.get(), max)))};
  if (c[0] == "S") return {S(LIB(hvcnValidateString(value.get(), max, &flag))), S(flag)};
  if (c[0] == "T") return {S(LIB(hvcnValidateTeletexOrPString(value.get(), max, &flag))), S(flag)};
  return {S(LIB(hvcnValidateAttribute(value.get(), max, Int(c[0]))))};
}

// format string -> status tokens detail
std::vector<std::string> FormatString(const GoldenCase& c) {
  auto f = std::make_unique<hvcnFormat>();
  Exact text(c[0]);
  const int32_t status = LIB(hvcnParseFormatString(text.get(), f.get()));
  EXPECT_EQ((f->flags & hvcnFMT_READY) != 0, status == hvcnSUCCESS);
  return {S(status), Tokens(*f), f->errorDetail};
}

// format string, form, size -> status list
std::vector<std::string> RsList(const GoldenCase& c) {
  auto f = Ready(c[0]);
  const uint32_t userOnly = c[1] == "user", sevenBit = c[1] == "7bit";
  LIB(hvcnSetFormatInfo(f.get(), &userOnly, hvcnINFO_RS_USER_ONLY));
  LIB(hvcnSetFormatInfo(f.get(), &sevenBit, hvcnINFO_7BIT_ONLY));
  Guarded out(c[2]);
  const int32_t status = LIB(hvcnGetRSList(f.get(), out.data(), out.size()));
  return {S(status), out.Text()};
}

// A held name for format_names.txt: source, format, text, output format,
// flags, settings.
std::unique_ptr<hvcnFormat> Held(const GoldenCase& c) {
  auto f = Ready(c[1]);
  std::istringstream settings(c[5]);
  std::vector<std::string> after;
  bool open = false;
  for (std::string s; std::getline(settings, s, ',');) {
    if (s == "open") open = true;
    else after.push_back(s);
  }
  Exact text(c[2]);
  if (c[0] == "typed") {
    EXPECT_EQ(LIB(hvcnParseName(text.get(), f.get(), 0, nullptr, 0, nullptr, open ? 0 : hvcnPARSE_COMPLETE)), hvcnSUCCESS);
  } else if (c[0] != "none") {
    EXPECT_EQ(LIB(hvcnTranslateInternalFormat(f.get(), Int(c[0]), text.get(), 0, nullptr, 0, 0)), hvcnSUCCESS);
  }
  // A name alone sets its flag on; mask=N, reconf=TEXT and escapes=TEXT set a value.
  static const std::map<std::string, uint16_t> kTypes = {
      {"7bit", hvcnINFO_7BIT_ONLY},         {"outags", hvcnINFO_OU_TAGS},       {"personal", hvcnINFO_X400_PERSONAL},
      {"noforeign", hvcnINFO_NO_FOREIGN},   {"noreconfig", hvcnINFO_NO_RECONFIG}, {"mask", hvcnINFO_X400_MASK},
      {"reconf", hvcnINFO_RECONFIGURED},    {"escapes", hvcnINFO_ESCAPE_LIST}};
  for (const std::string& s : after) {
    const size_t equals = s.find('=');
    const std::string key = s.substr(0, equals), value = equals == std::string::npos ? "" : s.substr(equals + 1);
    const int32_t number = equals == std::string::npos ? 1 : key == "mask" ? Int(value) : 0;
    const void* data = key == "reconf" || key == "escapes" ? static_cast<const void*>(value.c_str()) : &number;
    const uint16_t type = kTypes.at(key);
    EXPECT_EQ(LIB(hvcnSetFormatInfo(f.get(), data, type)), hvcnSUCCESS) << s;
  }
  if (c[3] != "-") {
    EXPECT_EQ(LIB(hvcnChangeOutputFormat(c[3].c_str(), f.get())), hvcnSUCCESS);
  }
  return f;
}

// The "Ex" twin of an export that writes `text`, whose smallest buffer is
// `smallest` bytes: a size query, a buffer one byte short and a fitting one
// all tell that size, the short one left an empty text.
template <typename Call>
void ExpectSized(const std::string& text, uint32_t smallest, Call call) {
  uint32_t needed = 0;
  EXPECT_EQ(LIB(call(nullptr, 0, &needed)), hvcnERR_BUFFER_TOO_SMALL);
  EXPECT_EQ(needed, smallest) << "size query";
  EXPECT_GE(needed, text.size() + 1);
  if (smallest > 1) {
    Guarded shorter(smallest - 1);
    needed = 0;
    EXPECT_EQ(LIB(call(shorter.data(), smallest - 1, &needed)), hvcnERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(needed, smallest);
    EXPECT_EQ(shorter.Text(), "");
  }
  Guarded fitting(smallest);
  needed = 0;
  EXPECT_EQ(LIB(call(fitting.data(), smallest, &needed)), hvcnSUCCESS);
  EXPECT_EQ(needed, smallest);
  EXPECT_EQ(fitting.Text(), text);
}

// ... -> status result minimum: the text from a large buffer, then every
// size up to the smallest that holds it: status 1 and a terminated start of
// the text (the typed-name shortcut leaves the buffer untouched).
std::vector<std::string> FormatName(const GoldenCase& c) {
  auto f = Held(c);
  const uint16_t flags = (c[4].find('R') != std::string::npos ? hvcnFN_REFORMAT : 0) |
                         (c[4].find('E') != std::string::npos ? hvcnFN_ESCAPE : 0);
  Guarded large(4096);
  const int32_t status = LIB(hvcnFormatName(f.get(), large.data(), large.size(), flags));
  const std::string full = large.Text();
  const bool shortcut = c[0] == "typed" && flags == 0;
  uint32_t size = 1;
  for (; size <= 4096; ++size) {
    Guarded out(size);
    const int32_t s = LIB(hvcnFormatName(f.get(), out.data(), size, flags));
    if (s == hvcnSUCCESS) break;
    EXPECT_EQ(s, hvcnERR_BUFFER_TOO_SMALL) << "size " << size;
    if (shortcut) EXPECT_TRUE(out.Untouched()) << "size " << size;
    else EXPECT_EQ(full.compare(0, out.Text().size(), out.Text()), 0) << "size " << size << ": " << out.Text();
  }
  if (status == hvcnSUCCESS) ExpectSized(full, size, [&](char* buffer, uint32_t room, uint32_t* needed) {
    return hvcnFormatNameEx(f.get(), buffer, room, needed, flags);
  });
  return {S(status), full, S(size)};
}

// Writes the held name in a type into a buffer of the given size.
std::pair<int32_t, std::string> Encode(hvcnFormat* f, int32_t type, uint32_t size) {
  Guarded out(size);
  const int32_t status = LIB(hvcnTranslateInternalFormat(f, 0, nullptr, type, out.data(), size, hvcnTIF_ALWAYS_ENCODE));
  return {status, out.Text()};
}

// type, text -> values type1 type2 type3 sizes roundtrip: the values held,
// the name written in each type, the smallest size that holds each (one
// byte less gives status 1 and ""), and the types whose text decodes to
// the same non-empty values.
std::vector<std::string> InternalName(const GoldenCase& c) {
  auto f = Ready("-");
  Exact text(c[1]);
  EXPECT_EQ(LIB(hvcnTranslateInternalFormat(f.get(), Int(c[0]), text.get(), 0, nullptr, 0, 0)), hvcnSUCCESS);
  EXPECT_EQ(f->nameType, Int(c[0]));
  std::vector<std::string> out = {HeldValues(*f)};
  std::string sizes, roundtrip;
  for (int32_t type = 1; type <= 3; ++type) {
    const std::string encoded = Encode(f.get(), type, 8192).second;
    uint32_t size = 1;
    while (size < 8192 && Encode(f.get(), type, size).first != hvcnSUCCESS) ++size;
    if (size > 1) {
      EXPECT_EQ(Encode(f.get(), type, size - 1), std::make_pair(int32_t{hvcnERR_BUFFER_TOO_SMALL}, std::string()));
    }
    ExpectSized(encoded, size, [&](char* buffer, uint32_t room, uint32_t* needed) {
      return hvcnTranslateInternalFormatEx(f.get(), 0, nullptr, type, buffer, room, needed, hvcnTIF_ALWAYS_ENCODE);
    });
    auto g = Ready("-");
    Exact again(encoded);
    if (LIB(hvcnTranslateInternalFormat(g.get(), type, again.get(), 0, nullptr, 0, 0)) == hvcnSUCCESS &&
        HeldValues(*g, true) == HeldValues(*f, true))
      roundtrip += S(type);
    out.push_back(encoded);
    sizes += (sizes.empty() ? "" : " ") + S(size);
  }
  out.push_back(sizes);
  out.push_back(roundtrip);
  return out;
}

// format, flags, context, name -> status context shape values detail
std::vector<std::string> ParseName(const GoldenCase& c) {
  auto f = Ready(c[0]);
  uint32_t context = static_cast<uint32_t>(Int(c[2]));
  Exact name(c[3]);
  const uint32_t flags = ParseFlags(c[1]);
  const int32_t status = LIB(hvcnParseName(name.get(), f.get(), 0, nullptr, 0, &context, flags));
  EXPECT_EQ(context & ~hvcnPARSE_CONTEXT_MASK, 0u);
  return {S(status), Hex(context), Hex(static_cast<uint32_t>(f->nameShape)), HeldValues(*f), f->errorDetail};
}

// call, format, how, text -> status explained explanation column: the
// failed call (name: hvcnParseName with the flags of `how`; internal:
// hvcnTranslateInternalFormat decoding type `how`; orname:
// hvcnParseORAddress with form `how`) on a fresh format, then
// hvcnExplainStatus of its status. The explanation's size is that of its
// text; a size query and a buffer one byte short tell it too.
std::vector<std::string> Explanation(const GoldenCase& c) {
  auto f = Ready(c[1]);
  Exact text(c[3]);
  int32_t status = 0;
  uint32_t call = 0, how = 0;
  if (c[0] == "name") {
    call = hvcnEXPLAIN_NAME;
    how = ParseFlags(c[2]);
    uint32_t context = 0;
    status = LIB(hvcnParseName(text.get(), f.get(), 0, nullptr, 0, &context, how));
  } else if (c[0] == "internal") {
    call = hvcnEXPLAIN_INTERNAL;
    how = static_cast<uint32_t>(Int(c[2]));
    status = LIB(hvcnTranslateInternalFormat(f.get(), Int(c[2]), text.get(), 0, nullptr, 0, 0));
  } else if (c[0] == "orname") {
    call = hvcnEXPLAIN_OR_ADDRESS;
    how = static_cast<uint32_t>(Int(c[2]));
    status = LIB(hvcnParseORAddress(text.get(), f.get(), how));
  } else {
    ADD_FAILURE() << "no call " << c[0];
  }
  Guarded out(2048);
  uint32_t needed = 0, column = 7;
  const int32_t explained = LIB(hvcnExplainStatus(f.get(), status, call, how, text.get(), out.data(), 2048, &needed,
                                                  &column));
  const std::string explanation = out.Text();
  if (explained == hvcnSUCCESS) {
    ExpectSized(explanation, static_cast<uint32_t>(explanation.size() + 1), [&](char* buffer, uint32_t size,
                                                                               uint32_t* need) {
      return hvcnExplainStatus(f.get(), status, call, how, text.get(), buffer, size, need, nullptr);
    });
  } else {
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(explanation, "");
  }
  return {S(status), S(explained), explanation, S(column)};
}

// format, flags, name -> every reading in turn: shape/context and the
// personal-name parts of each, then the status that ended the sequence.
std::vector<std::string> Readings(const GoldenCase& c) {
  auto f = Ready(c[0]);
  Exact name(c[2]);
  std::string calls;
  uint32_t context = 0;
  const uint32_t flags = ParseFlags(c[1]);
  for (int call = 0; call < 20; ++call) {
    const int32_t status = LIB(hvcnParseName(name.get(), f.get(), 0, nullptr, 0, &context, flags));
    if (status != hvcnSUCCESS) return {calls + (calls.empty() ? "=> " : " => ") + S(status)};
    calls += (calls.empty() ? "" : " ; ") + Hex(static_cast<uint32_t>(f->nameShape)) + "/" + Hex(context) + " " +
             PersonalParts(*f);
    if ((context & 0x7FF0) == 0) return {calls + " => 0"};
  }
  return {calls + " ..."};
}

// name -> answer [normalised text]: the output buffer is exactly twice the
// name's length and the NUL.
std::vector<std::string> InternetName(const GoldenCase& c) {
  Exact name(c[0]);
  Guarded out(static_cast<uint32_t>(2 * c[0].size() + 1));
  const uint32_t answer = LIB(hvcnParseInternetName(name.get(), out.data()));
  if (c.fields.size() == 2) return {S(answer)};
  return {S(answer), answer == 1 ? out.Text() : ""};
}

std::vector<std::string> GsetbName(const GoldenCase& c) {
  Exact name(c[0]);
  return {S(LIB(hvcnIsGSETBInternetName(name.get())))};
}

// id -> status class maximum twin flags name tag
std::vector<std::string> AttributeInfo(const GoldenCase& c) {
  hvcnAttributeInfo info;
  std::memset(&info, 0x5A, sizeof info);
  const int32_t id = Int(c[0]);
  const int32_t status = LIB(hvcnGetAttributeInfo(id, &info, sizeof info));
  if (status != hvcnSUCCESS) return {S(status)};
  EXPECT_EQ(info.id, Int(c[0]));
  return {S(status), S(info.valueClass), S(info.maxLength), S(info.twinId), Hex(info.flags), info.name, info.tag};
}

// The normalisation and the mailbox grammar of internet names, read
// literally (recursive comments, every item scanned afresh): a model to hold
// hvcnParseInternetName to, for short texts.
namespace model {

bool Low(char c) { return static_cast<unsigned char>(c) - 1u < 0x7Fu; }  // 0x01 to 0x7F
bool Special(char c) { return c && std::strchr("()<>@,;:\\.[]\"", c); }
bool AtomChar(char c) { return c > 0x20 && c < 0x7F && !Special(c); }
constexpr size_t kNo = std::string::npos;

size_t Pair(const std::string& s, size_t p) { return s[p] == '\\' && p + 1 < s.size() && Low(s[p + 1]) ? p + 2 : kNo; }

// From an opening character to behind its closing one, or kNo.
size_t Delimited(const std::string& s, size_t p, char close, const char* excluded) {
  for (++p; p < s.size();) {
    if (s[p] == close) return p + 1;
    if (size_t q = Pair(s, p); q != kNo) p = q;
    else if (s[p] == '(' && close == ')') p = Delimited(s, p, ')', "()\\");
    else if (Low(s[p]) && !std::strchr(excluded, s[p])) ++p;
    else return kNo;
    if (p == kNo) return kNo;
  }
  return kNo;
}

std::optional<std::string> Normalise(const std::string& s, bool withBlanks) {
  std::string out;
  size_t p = 0;
  char last = 0;
  for (;;) {
    for (;;) {  // blanks and comments
      while (p < s.size() && (s[p] == ' ' || s[p] == '\t')) ++p;
      const size_t q = p < s.size() && s[p] == '(' ? Delimited(s, p, ')', "()\\") : kNo;
      if (q == kNo) break;
      p = q;
    }
    const char next = p < s.size() ? s[p] : '\0';
    if (withBlanks && last && !std::strchr("@.<", last) && next && !std::strchr("@.>", next)) out += ' ';
    if (p == s.size()) return out;
    size_t e = s[p] == '"' ? Delimited(s, p, '"', "\"\\") : s[p] == '[' ? Delimited(s, p, ']', "[]\\") : kNo;
    if (e == kNo && AtomChar(s[p])) for (e = p; e < s.size() && AtomChar(s[e]);) ++e;
    if (e == kNo && Special(s[p])) e = p + 1;
    if (e == kNo) return std::nullopt;
    out.append(s, p, e - p);
    last = s[e - 1];
    p = e;
  }
}

size_t Atom(const std::string& s, size_t p) {
  size_t q = p;
  while (q < s.size() && AtomChar(s[q])) ++q;
  return q > p ? q : kNo;
}
size_t Word(const std::string& s, size_t p) { return s[p] == '"' ? Delimited(s, p, '"', "\"\\") : Atom(s, p); }
size_t SubDomain(const std::string& s, size_t p) { return s[p] == '[' ? Delimited(s, p, ']', "[]\\") : Atom(s, p); }
// item, then any number of "." item
size_t Dotted(const std::string& s, size_t p, size_t (*item)(const std::string&, size_t)) {
  size_t q = item(s, p);
  for (size_t r; q != kNo && s[q] == '.' && (r = item(s, q + 1)) != kNo;) q = r;
  return q;
}
size_t AddrSpec(const std::string& s, size_t p) {
  const size_t q = Dotted(s, p, Word);
  return q == kNo || s[q] != '@' ? kNo : Dotted(s, q + 1, SubDomain);
}
size_t Route(const std::string& s, size_t p) {
  size_t q = s[p] == '@' ? Dotted(s, p + 1, SubDomain) : kNo;
  for (size_t r = q; q != kNo && s[r] == ','; r = q) {
    while (s[r] == ',') ++r;
    const size_t d = s[r] == '@' ? Dotted(s, r + 1, SubDomain) : kNo;
    if (d == kNo) break;
    q = d;
  }
  return q != kNo && s[q] == ':' ? q + 1 : kNo;
}
bool Mailbox(const std::string& s) {
  if (size_t q = AddrSpec(s, 0); q != kNo) return q == s.size();
  size_t q = Word(s, 0);
  for (size_t r; q != kNo && (r = Word(s, q)) != kNo;) q = r;
  if (q == kNo || s[q] != '<') return false;
  const size_t route = Route(s, q + 1);
  q = AddrSpec(s, route == kNo ? q + 1 : route);
  return q != kNo && s[q] == '>' && q + 1 == s.size();
}

// hvcnParseInternetName as the model reads it: the answer and the text.
std::pair<uint32_t, std::string> ParseInternetName(const std::string& name) {
  const size_t slash = name.find('/');
  if (slash != std::string::npos && name.find('@', slash) != std::string::npos) return {0, ""};
  const auto compact = Normalise(name, false);
  if (!compact || !Mailbox(*compact)) return {0, ""};
  return {1, *Normalise(name, true)};
}

}  // namespace model

// input -> compact text, text with blanks (FAIL when it does not
// normalise), as the model computes them; the library must agree with the
// model on the name.
std::vector<std::string> InternetNormalise(const GoldenCase& c) {
  const std::vector<std::string> answer = InternetName(GoldenCase{c.file, c.line, {c[0], "", ""}});
  const auto expected = model::ParseInternetName(c[0]);
  EXPECT_EQ(answer, (std::vector<std::string>{S(expected.first), expected.second}));
  return {model::Normalise(c[0], false).value_or("FAIL"), model::Normalise(c[0], true).value_or("FAIL")};
}

}  // namespace

const std::map<std::string, GoldenKind>& GoldenKinds() {
  static const std::map<std::string, GoldenKind> kKinds = {
      {"validate", {"validate.txt", 4, 5, Validate}},
      {"format_strings", {"format_strings.txt", 4, 4, FormatString}},
      {"rs_lists", {"rs_lists.txt", 5, 5, RsList}},
      {"format_names", {"format_names.txt", 9, 9, FormatName}},
      {"internal_names", {"internal_names.txt", 8, 8, InternalName}},
      {"parse_names", {"parse_names.txt", 9, 9, ParseName}},
      {"explanations", {"explanations.txt", 8, 8, Explanation}},
      {"readings", {"readings.txt", 4, 4, Readings}},
      {"internet_names", {"internet_names.txt", 2, 3, InternetName}},
      {"internet_normalise", {"internet_normalise.txt", 3, 3, InternetNormalise}},
      {"gsetb_names", {"gsetb_names.txt", 2, 2, GsetbName}},
      {"attribute_info", {"attribute_info.txt", 2, 8, AttributeInfo}},
      {"orname", {"orname.txt", 4, 7, ORAddressRows()}},
      {"ber", {"ber.txt", 5, 7, BerRows()}},
      {"amhs", {"amhs.txt", 7, 8, AmhsRows()}},
      {"reader", {"reader.txt", 6, 6, ReaderRows()}},
      {"script", {"", 0, 0, [](const GoldenCase& c) { return RunScriptRow(c, LevelZeroLog()); }}},
      // Rows that other programs run.
      {"os", {"", 0, 0, [](const GoldenCase&) { return std::vector<std::string>(); }}},       // hvcn_unit_tests
      {"startup", {"", 0, 0, [](const GoldenCase&) { return std::vector<std::string>(); }}},  // hvcn_startup_tests
      {"huge", {"", 0, 0, [](const GoldenCase&) { return std::vector<std::string>(); }}},     // hvcn_huge_tests
  };
  return kKinds;
}


const TraceHooks& LevelZeroLog() {
  static const TraceHooks kLog = {
      [](uint16_t level) {
        EXPECT_EQ(level, 0) << "the API tests trace only at level 0";
        std::remove("tnname.log");
      },
      [] {},
      [] {
        std::FILE* exists = std::fopen("tnname.log", "rb");
        if (!exists) return std::vector<std::string>();
        std::fclose(exists);
        return TaggedTexts(ReadLog("tnname.log"));
      },
      nullptr};
  return kLog;
}

std::pair<uint32_t, std::string> ModelInternetName(const std::string& name) { return model::ParseInternetName(name); }

Corpus::Corpus() {
  for (const auto& [name, kind] : GoldenKinds())
    if (kind.file[0]) files_.push_back({&kind, ReadGolden(kind.file)});
  static const GoldenKind kScript = {"", 2, 8, nullptr};
  for (const char* script : {"script_calls.txt", "script_formats.txt", "script_names.txt"})
    files_.push_back({&kScript, ReadGolden(script)});
}

uint64_t Corpus::Run(size_t rotation, uint64_t* calls) const {
  uint64_t digest = 0xCBF29CE484222325ull;  // FNV-1a over every answer
  const RowSink fold = [&digest](const GoldenCase&, const std::vector<std::string>& answers) {
    for (const std::string& answer : answers)
      for (char c : answer + '\n') digest = (digest ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  };
  const uint64_t before = t_libraryCalls;
  for (size_t i = 0; i < files_.size(); ++i) {
    const auto& [kind, rows] = files_[(i + rotation) % files_.size()];
    if (kind->handler) RunRows(rows, kind->minFields, kind->maxFields, kind->handler, fold);
    else RunScriptRows(rows, LevelZeroLog(), fold);
  }
  if (calls) *calls = t_libraryCalls - before;
  return digest;
}

}  // namespace hvcn::test
