#include "script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace hvcn::test {
namespace {

// The parts of an answer joined by blanks, empty ones left out.
std::string Join(std::initializer_list<std::string> parts, const char* separator = " ") {
  std::string out;
  for (const std::string& p : parts)
    if (!p.empty()) out += (out.empty() ? "" : separator) + p;
  return out;
}

std::string Value(const hvcnFormat& f, const hvcnAttribute& record) {
  if (record.valueLength == hvcnVALUE_FOREIGN) return "RFC-822";
  return std::string(f.nameBuffer + record.valueOffset, record.valueLength);
}

uint32_t Letters(const std::string& text, const char* letters, std::initializer_list<uint32_t> bits) {
  uint32_t flags = 0;
  for (char c : text) {
    const char* at = c ? std::strchr(letters, c) : nullptr;
    if (!at) throw std::invalid_argument("unknown flag " + text);
    flags |= bits.begin()[at - letters];
  }
  return flags;
}

std::string PointerText(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*" PRIXPTR, static_cast<int>(2 * sizeof(void*)), reinterpret_cast<uintptr_t>(p));
  return text;
}

// Byte for byte the same formats, token names compared as places in each
// format's own formatString.
bool SameFormat(const hvcnFormat& a, const hvcnFormat& b) {
  auto x = std::make_unique<hvcnFormat>(a);
  auto y = std::make_unique<hvcnFormat>(b);
  for (auto [g, own] : {std::pair{x.get(), &a}, std::pair{y.get(), &b}})
    for (auto& token : g->tokens)
      if (token.name) token.name = reinterpret_cast<const char*>(token.name - own->formatString + 1);
  return std::memcmp(x.get(), y.get(), sizeof(hvcnFormat)) == 0;
}

// The number of arguments of each command (a call's answer comes after them).
const std::map<std::string, size_t> kArguments = {
    {"scenario", 1}, {"use", 1}, {"trace", 1}, {"log", 1}, {"parsefs", 1}, {"input", 1}, {"output", 1},
    {"set", 2}, {"get", 2}, {"parse", 4}, {"format", 2}, {"translate", 5}, {"value", 3}, {"rslist", 1},
    {"error", 2}, {"version", 1}, {"info", 2}, {"check", 4}, {"internet", 2}, {"gsetb", 1}, {"fresh", 3},
    {"show", 1}, {"orname", 2}};

class Interpreter {
 public:
  Interpreter(const TraceHooks& hooks, bool quiet) : hooks_(hooks), quiet_(quiet) {}

  std::vector<std::string> Run(const GoldenCase& c) {
    const std::string& command = c[0];
    const bool call = !(command == "scenario" || command == "use" || command == "trace" || command == "log");
    if (!kArguments.count(command)) throw std::invalid_argument("unknown command " + command);
    if (c.fields.size() != kArguments.at(command) + (call ? 2 : 1))
      throw std::invalid_argument(command + " takes " + std::to_string(kArguments.at(command)) + " arguments");
    // Quiet: no tracing, and what all formats share (wildcard, tag names) stays.
    if (quiet_ && (command == "trace" || command == "log" || (command == "set" && (c[1] == "6" || c[1] == "16"))))
      return {};
    labelCount_ = 0;
    Label(target_, "F");
    if (command == "log") {
      expectedLog_.push_back(hooks_.native ? hooks_.native(c[1]) : c[1]);
    } else if (command == "use") {
      if (c[1] == "fresh") *fresh_ = hvcnFormat{};
      const std::map<std::string, hvcnFormat*> formats = {
          {"main", main_.get()}, {"other", other_.get()}, {"fresh", fresh_.get()}, {"null", nullptr}};
      if (!formats.count(c[1])) throw std::invalid_argument("use " + c[1]);
      target_ = formats.at(c[1]);
    } else if (!call) {
      CheckLog();
      if (command == "trace") {
        hooks_.start(static_cast<uint16_t>(Int(c[1])));
        tracing_ = true;
      } else {
        *main_ = hvcnFormat{};
        target_ = main_.get();
      }
    } else {
      const std::string answer = Call(c);
      Collect();
      return {answer};
    }
    return {};
  }

  void Finish() { CheckLog(); }

 private:
  // Pointers to name in the trace lines (kept without allocating, so that a
  // call into the library can name its arguments).
  void Label(const void* p, const char* name) {
    if (p && labelCount_ < std::size(labels_)) labels_[labelCount_++] = {p, name};
  }
  const char* In(Exact& text) {
    Label(text.get(), "T");
    return text.get();
  }
  char* Out(Guarded& buffer) {
    Label(buffer.data(), "B");
    return buffer.data();
  }

  // The new trace lines, with the pointers the call passed named.
  void Collect() {
    if (!tracing_) return;
    const std::vector<std::string> lines = hooks_.lines();
    std::vector<std::pair<std::string, const char*>> labels = {{PointerText(nullptr), "NULL"}};
    for (size_t i = 0; i < labelCount_; ++i) labels.push_back({PointerText(labels_[i].first), labels_[i].second});
    for (size_t i = seen_; i < lines.size(); ++i) {
      std::string line = lines[i];
      for (const auto& [text, name] : labels)
        for (size_t at; (at = line.find(text)) != std::string::npos;) line.replace(at, text.size(), name);
      log_.push_back(line);
    }
    seen_ = lines.size();
  }

  void CheckLog() {
    EXPECT_EQ(log_, expectedLog_) << "trace lines";
    if (tracing_) hooks_.stop();
    tracing_ = false;
    log_.clear();
    expectedLog_.clear();
    seen_ = 0;
  }

  std::string Call(const GoldenCase& c);
  std::string Set(uint16_t type, const std::string& data);
  std::string Get(uint16_t type, const std::string& shape);
  std::string Show(const std::string& what);

  TraceHooks hooks_;
  bool quiet_;
  std::unique_ptr<hvcnFormat> main_ = std::make_unique<hvcnFormat>(), other_ = std::make_unique<hvcnFormat>(),
                              fresh_ = std::make_unique<hvcnFormat>();
  hvcnFormat* target_ = main_.get();
  std::pair<const void*, const char*> labels_[8];
  size_t labelCount_ = 0;
  bool tracing_ = false;
  size_t seen_ = 0;
  std::vector<std::string> log_, expectedLog_;
};

std::string S(int64_t n) { return std::to_string(n); }

std::string Interpreter::Call(const GoldenCase& c) {
  const std::string& command = c[0];
  hvcnFormat* f = target_;
  if (command == "parsefs" || command == "input" || command == "output") {
    Exact text(c[1], true);
    auto call = command == "parsefs" ? hvcnParseFormatString
                : command == "input" ? hvcnChangeInputFormat
                                     : hvcnChangeOutputFormat;
    return S(Library([&] { return call(In(text), f); }));
  }
  if (command == "set") return Set(static_cast<uint16_t>(Int(c[1])), c[2]);
  if (command == "get") return Get(static_cast<uint16_t>(Int(c[1])), c[2]);
  if (command == "show") return Show(c[1]);
  if (command == "parse") {
    Exact name(c[1], true);
    const bool noContext = c[3] == "NULL", output = c[4] != "-";
    uint32_t context = noContext ? 0 : static_cast<uint32_t>(Int(c[3]));
    const size_t colon = c[4].find(':');
    Guarded buffer(output ? c[4].substr(colon + 1) : "NULL");
    const int32_t type = output ? Int(c[4].substr(0, colon)) : 0;
    const int32_t status = Library([&] {
      return hvcnParseName(In(name), f, type, Out(buffer), buffer.size(), noContext ? nullptr : &context, ParseFlags(c[2]));
    });
    return Join({S(status), noContext ? "-" : Hex(context), output ? buffer.Text() : ""});
  }
  if (command == "format") {
    Guarded buffer(c[2]);
    const auto flags = static_cast<uint16_t>(Letters(c[1], "RE", {hvcnFN_REFORMAT, hvcnFN_ESCAPE}));
    return Join({S(Library([&] { return hvcnFormatName(f, Out(buffer), buffer.size(), flags); })), buffer.Text()});
  }
  if (command == "translate") {
    Exact source(c[2], true);
    Guarded buffer(c[4]);
    const uint32_t flags = Letters(c[5], "HAS", {hvcnTIF_HELD_NAME, hvcnTIF_ALWAYS_ENCODE, hvcnTIF_SKIP_EMPTY});
    const int32_t status = Library(
        [&] { return hvcnTranslateInternalFormat(f, Int(c[1]), In(source), Int(c[3]), Out(buffer), buffer.size(), flags); });
    return Join({S(status), buffer.Text()});
  }
  if (command == "value") {
    Guarded buffer(c[2], c[3]);
    const auto size = static_cast<uint16_t>(buffer.size());
    return Join({S(Library([&] { return hvcnGetAttributeValue(f, Int(c[1]), Out(buffer), size); })), buffer.Text()});
  }
  if (command == "rslist") {
    Guarded buffer(c[1]);
    return Join({S(Library([&] { return hvcnGetRSList(f, Out(buffer), buffer.size()); })), buffer.Text()});
  }
  if (command == "error") {
    Guarded buffer(c[2]);
    return Join({S(Library([&] { return hvcnGetErrorText(Int(c[1]), Out(buffer), buffer.size()); })), buffer.Text()});
  }
  if (command == "version") {
    Guarded buffer(c[1]);
    uint16_t interface = 0;
    const int32_t status =
        Library([&] { return hvcnVersion(Out(buffer), buffer.size(), c[1] == "NULL" ? nullptr : &interface); });
    return Join({S(status), buffer.Text(), S(interface)});
  }
  if (command == "info") {
    Guarded buffer(c[2]);
    const int32_t status = Library(
        [&] { return hvcnGetAttributeInfo(Int(c[1]), reinterpret_cast<hvcnAttributeInfo*>(Out(buffer)), buffer.size()); });
    const auto* info = reinterpret_cast<const hvcnAttributeInfo*>(buffer.raw());
    return buffer.Untouched() ? Join({S(status), "-"}) : Join({S(status), info->name, info->tag});
  }
  if (command == "check") {
    Exact value(c[3], true);
    int32_t flag = -7;
    int32_t* flags = c[4] == "NULL" ? nullptr : &flag;
    const int32_t max = Int(c[2]);
    const int32_t result = Library([&] {
      return c[1] == "N"   ? hvcnValidateNString(In(value), max)
             : c[1] == "P" ? hvcnValidatePString(In(value), max)
             : c[1] == "S" ? hvcnValidateString(In(value), max, flags)
             : c[1] == "T" ? hvcnValidateTeletexOrPString(In(value), max, flags)
                           : hvcnValidateAttribute(In(value), max, Int(c[1]));
    });
    return Join({S(result), S(flag)});
  }
  if (command == "internet") {
    Exact name(c[1], true);
    Guarded buffer(c[2]);
    return Join({S(Library([&] { return hvcnParseInternetName(In(name), Out(buffer)); })), buffer.Text()});
  }
  if (command == "orname") {
    Exact text(c[1], true);
    const uint32_t flags = Letters(c[2] == "-" ? "" : c[2], "AS", {hvcnOR_FROM_ANNEXF, hvcnOR_FROM_STDOR});
    return S(Library([&] { return hvcnParseORAddress(In(text), f, flags); }));
  }
  if (command == "gsetb") {
    Exact name(c[1], true);
    return S(Library([&] { return hvcnIsGSETBInternetName(In(name)); }));
  }
  // fresh: the copy's token names point into the original, so it takes the
  // full set-up (at the trace level asked for).
  auto copy = std::make_unique<hvcnFormat>(*f);
  Label(copy.get(), "C");
  Exact name(c[1]);
  uint32_t copyContext = 0, context = 0;
  const uint32_t flags = ParseFlags(c[2]);
  const auto level = quiet_ ? uint16_t{0} : static_cast<uint16_t>(Int(c[3]));
  if (level) hooks_.start(level);
  const int32_t copyStatus =
      Library([&] { return hvcnParseName(In(name), copy.get(), 0, nullptr, 0, &copyContext, flags); });
  if (level) hooks_.stop();
  const int32_t status = Library([&] { return hvcnParseName(name.get(), f, 0, nullptr, 0, &context, flags); });
  const bool same = status == copyStatus && context == copyContext && SameFormat(*f, *copy);
  return Join({S(status), Hex(context), same ? "same" : "differs"});
}

std::string Interpreter::Set(uint16_t type, const std::string& data) {
  std::vector<int32_t> ids;
  uint32_t number = 0;
  hvcnTagNameInfo tag{};
  Exact text(type == hvcnINFO_TAG_NAME ? data.substr(data.find(':') + 1) : data, true);
  const void* pointer = text.get();
  if (data == "NULL") {
    pointer = nullptr;
  } else if (type == hvcnINFO_OUTPUT_TOKENS) {
    std::istringstream items(data);
    for (std::string id; std::getline(items, id, ',');) ids.push_back(Int(id));
    pointer = ids.data();
  } else if (type == hvcnINFO_TAG_NAME) {
    tag = {static_cast<uint32_t>(Int(data.substr(0, data.find(':')))), In(text)};
    pointer = &tag;
  } else if (type != hvcnINFO_RECONFIGURED && type != hvcnINFO_ESCAPE_LIST && (type < 4 || type > 6)) {
    number = static_cast<uint32_t>(Int(data));
    pointer = &number;
  }
  Label(pointer, "D");
  const int32_t status = Library([&] { return hvcnSetFormatInfo(target_, pointer, type); });
  EXPECT_TRUE(pointer != text.get() || !pointer || text.get() == data) << "the data was changed";
  return S(status);
}

std::string Interpreter::Get(uint16_t type, const std::string& shape) {
  Guarded buffer(shape);
  const int32_t status =
      Library([&] { return hvcnGetFormatInfo(target_, Out(buffer), static_cast<uint16_t>(buffer.size()), type); });
  const char* raw = buffer.raw();
  std::string data = buffer.Text();
  if (buffer.Untouched() || type == hvcnINFO_RECONFIGURED || type == hvcnINFO_ESCAPE_LIST) {
  } else if (type >= 4 && type <= 6) {
    data = std::string(1, raw[0]);
  } else {
    // IDs until the first group of four untouched bytes; other types: one number.
    data.clear();
    for (uint32_t i = 0; i + 4 <= buffer.size() && std::memcmp(raw + i, "\x5A\x5A\x5A\x5A", 4) != 0; i += 4) {
      int32_t number;
      std::memcpy(&number, raw + i, 4);
      data += (data.empty() ? "" : ",") + S(number);
      if (type != hvcnINFO_OUTPUT_TOKENS) break;
    }
  }
  return Join({S(status), data});
}

std::string Interpreter::Show(const std::string& what) {
  const hvcnFormat& f = *target_;
  std::string out;
  const auto add = [&out](const std::string& item, const char* separator) { out += (out.empty() ? "" : separator) + item; };
  if (what == "values") return HeldValues(f);
  if (what == "parts") return PersonalParts(f);
  if (what == "tokens") return Tokens(f);
  if (what == "detail") return f.errorDetail;
  if (what == "name") return f.nameBuffer;
  if (what == "string") return f.formatString;
  if (what == "escapes") return f.escapeList;
  if (what == "flags") return Hex(f.flags);
  if (what == "mask") return S(f.x400Mask);
  if (what == "type") return S(f.nameType);
  if (what == "shape") return Hex(static_cast<uint32_t>(f.nameShape));
  if (what == "chars") return std::string{f.slashChar, ' ', f.commaChar, ' '} + f.wildcardChar;
  if (what == "marked") return std::any_of(std::begin(f.reserved), std::end(f.reserved), [](uint8_t b) { return b; }) ? "marked" : "unmarked";
  if (what == "texts")
    for (const auto& t : f.tokens)
      if (t.id != 0) add(t.valueLength == hvcnVALUE_ABSENT ? "-" : std::string(f.nameBuffer + t.valueOffset, t.valueLength), "|");
  if (what == "outputs")
    for (int32_t id : f.outputTokenIds) add(S(id), ",");
  if (what == "reconfigured")
    for (int32_t slot : f.reconfigured) add(S(slot), ",");
  if (what == "records")
    for (int slot = 74; slot < hvcnATTRIBUTE_COUNT; ++slot)
      if (f.attributes[slot].id != 0) add(S(f.attributes[slot].id) + ":" + f.attributes[slot].name, " ");
  if (!out.empty() || what == "records" || what == "texts") return out;
  const int slot = Int(what);
  if (slot < 0 || slot >= hvcnATTRIBUTE_COUNT) throw std::invalid_argument("show " + what);
  return S(f.attributes[slot].id) + ":" + f.attributes[slot].name;
}

}  // namespace

std::string HeldValues(const hvcnFormat& f, bool skipEmpty) {
  std::string out;
  for (const auto& record : f.attributes)
    if (record.id != 0 && record.valueLength != hvcnVALUE_ABSENT && !(skipEmpty && record.valueLength == 0))
      out += (out.empty() ? "" : "|") + std::string(record.name) + "=" + Value(f, record);
  return out;
}

std::string PersonalParts(const hvcnFormat& f) {
  static const std::pair<int32_t, const char*> kParts[] = {{1, "s"},    {2, "g"},    {3, "i"},    {4, "q"},
                                                           {51, "s-tx"}, {52, "g-tx"}, {53, "i-tx"}, {54, "q-tx"}};
  std::string out;
  for (const auto& [id, name] : kParts)
    for (const auto& record : f.attributes)
      if (record.id == id && record.valueLength != hvcnVALUE_ABSENT)
        out += (out.empty() ? "" : " ") + std::string(name) + "=" + Value(f, record);
  return out;
}

std::string Tokens(const hvcnFormat& f) {
  std::string out;
  for (const auto& t : f.tokens)
    if (t.id != 0)
      out += (out.empty() ? "" : " ") + S(t.id) + ":" + S(t.leadSep) + ":" + S(t.trailSep) + ":" +
             (t.slot == hvcnSLOT_SECTION ? "-" : S(t.slot)) + ":" + S(t.tokenFlags);
  return out;
}

uint32_t ParseFlags(const std::string& text) {
  return Letters(text, "CTR", {hvcnPARSE_COMPLETE, hvcnPARSE_PREFER_TELETEX, hvcnPARSE_REINTERPRET});
}

std::vector<std::string> RunScriptRow(const GoldenCase& c, const TraceHooks& hooks) {
  Interpreter interpreter(hooks, false);
  const std::vector<std::string> out = RunSteps(c, [&](const GoldenCase& row) { return interpreter.Run(row); });
  interpreter.Finish();
  return out;
}

void RunScript(const std::string& name, const TraceHooks& hooks) {
  const std::vector<GoldenCase> rows = ReadGolden(name);
  ASSERT_FALSE(rows.empty()) << name << " yields no rows";
  RunScriptRows(rows, hooks);
}

void RunScriptRows(const std::vector<GoldenCase>& rows, const TraceHooks& hooks, const RowSink& sink) {
  Interpreter interpreter(hooks, static_cast<bool>(sink));
  RunRows(rows, 2, 8, [&](const GoldenCase& c) { return interpreter.Run(c); }, sink);
  interpreter.Finish();
}

}  // namespace hvcn::test
