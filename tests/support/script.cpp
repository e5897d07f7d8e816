#include "script.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "golden.h"

namespace hvcn::test {

std::string HeldValues(const hvcnFormat& f, bool skipEmpty) {
  std::string out;
  for (const auto& record : f.attributes) {
    if (record.id == 0 || record.valueLength == hvcnVALUE_ABSENT || (skipEmpty && record.valueLength == 0)) continue;
    if (!out.empty()) out += '|';
    out += std::string(record.name) + "=" +
           (record.valueLength == hvcnVALUE_FOREIGN ? std::string("RFC-822")
                                                    : std::string(f.nameBuffer + record.valueOffset, record.valueLength));
  }
  return out;
}

std::string PersonalParts(const hvcnFormat& f) {
  static const struct {
    int32_t id;
    const char* name;
  } kParts[] = {{1, "s"}, {2, "g"}, {3, "i"}, {4, "q"}, {51, "s-tx"}, {52, "g-tx"}, {53, "i-tx"}, {54, "q-tx"}};
  std::string out;
  for (const auto& part : kParts)
    for (const auto& record : f.attributes)
      if (record.id == part.id && record.valueLength != hvcnVALUE_ABSENT)
        out += (out.empty() ? "" : " ") + std::string(part.name) + "=" +
               std::string(f.nameBuffer + record.valueOffset, record.valueLength);
  return out;
}

std::string Tokens(const hvcnFormat& f) {
  std::string out;
  for (const auto& t : f.tokens) {
    if (t.id == 0) continue;
    out += (out.empty() ? "" : " ") + std::to_string(t.id) + ":" + std::to_string(t.leadSep) + ":" +
           std::to_string(t.trailSep) + ":" + (t.slot == hvcnSLOT_SECTION ? std::string("-") : std::to_string(t.slot)) +
           ":" + std::to_string(t.tokenFlags);
  }
  return out;
}

uint32_t ParseFlags(const std::string& text) {
  uint32_t flags = 0;
  for (char c : text) {
    if (c == 'C') flags |= hvcnPARSE_COMPLETE;
    if (c == 'T') flags |= hvcnPARSE_PREFER_TELETEX;
    if (c == 'R') flags |= hvcnPARSE_REINTERPRET;
  }
  return flags;
}

namespace {

uint32_t Letters(const std::string& text, const char* letters, std::initializer_list<uint32_t> bits) {
  uint32_t flags = 0;
  for (char c : text) {
    const char* at = std::strchr(letters, c);
    if (!at || !c) throw std::invalid_argument("unknown flag " + text);
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

// The parts of an answer joined by blanks, empty ones left out.
std::string Join(std::initializer_list<std::string> parts) {
  std::string out;
  for (const std::string& p : parts)
    if (!p.empty()) out += (out.empty() ? "" : " ") + p;
  return out;
}

class Interpreter {
 public:
  explicit Interpreter(const TraceHooks& hooks) : hooks_(hooks) {}

  std::vector<std::string> Run(const GoldenCase& c) {
    const std::string& command = c[0];
    labels_.clear();
    Label(target_, "F");
    if (command == "log") {
      Args(c, 1);
      expectedLog_.push_back(hooks_.native ? hooks_.native(c[1]) : c[1]);
      return {};
    }
    if (command == "use") {
      Args(c, 1);
      if (c[1] == "main") target_ = main_.get();
      else if (c[1] == "other") target_ = other_.get();
      else if (c[1] == "fresh") *(target_ = fresh_.get()) = hvcnFormat{};
      else if (c[1] == "null") target_ = nullptr;
      else throw std::invalid_argument("use " + c[1]);
      return {};
    }
    if (command == "scenario" || command == "trace") {
      CheckLog();
      if (command == "scenario") {
        Args(c, 1);
        *main_ = hvcnFormat{};
        target_ = main_.get();
        return {};
      }
      Args(c, 1);
      hooks_.start(static_cast<uint16_t>(Int(c[1])));
      tracing_ = true;
      return {};
    }
    std::string answer = Call(c);
    Collect();
    return {answer};
  }

  void Finish() { CheckLog(); }

 private:
  static void Args(const GoldenCase& c, size_t n) {
    if (c.fields.size() != n + 1) throw std::invalid_argument(c[0] + " takes " + std::to_string(n) + " arguments");
  }
  // Checks the argument count of a call row (arguments and the answer).
  static void Need(const GoldenCase& c, size_t n) { Args(c, n + 1); }

  void Label(const void* p, const char* name) {
    if (p) labels_.push_back({PointerText(p), name});
  }
  const char* In(Exact& text) {
    if (text.get()) Label(text.get(), "T");
    return text.get();
  }
  char* Out(Guarded& buffer) {
    if (buffer.data()) Label(buffer.data(), "B");
    return buffer.data();
  }

  // The new trace lines, with the pointers the call passed named.
  void Collect() {
    if (!tracing_) return;
    std::vector<std::string> lines = hooks_.lines();
    for (size_t i = seen_; i < lines.size(); ++i) {
      std::string line = lines[i];
      for (const auto& [text, name] : labels_)
        for (size_t at; (at = line.find(text)) != std::string::npos;) line.replace(at, text.size(), name);
      const std::string null = PointerText(nullptr);
      for (size_t at; (at = line.find(null)) != std::string::npos;) line.replace(at, null.size(), "NULL");
      log_.push_back(line);
    }
    seen_ = lines.size();
  }

  void CheckLog() {
    if (tracing_) {
      EXPECT_EQ(log_, expectedLog_) << "trace lines";
      hooks_.stop();
    } else {
      EXPECT_TRUE(expectedLog_.empty()) << "log rows without a trace row";
    }
    tracing_ = false;
    log_.clear();
    expectedLog_.clear();
    seen_ = 0;
  }

  std::string Call(const GoldenCase& c);
  std::string Set(uint16_t type, const std::string& data);
  std::string Get(uint16_t type, const std::string& spec);
  std::string Show(const std::string& what);

  TraceHooks hooks_;
  std::unique_ptr<hvcnFormat> main_ = std::make_unique<hvcnFormat>();
  std::unique_ptr<hvcnFormat> other_ = std::make_unique<hvcnFormat>();
  std::unique_ptr<hvcnFormat> fresh_ = std::make_unique<hvcnFormat>();
  hvcnFormat* target_ = main_.get();
  std::vector<std::pair<std::string, std::string>> labels_;
  bool tracing_ = false;
  size_t seen_ = 0;
  std::vector<std::string> log_, expectedLog_;
};

std::string Interpreter::Call(const GoldenCase& c) {
  const std::string& command = c[0];
  hvcnFormat* f = target_;
  if (command == "parsefs" || command == "input" || command == "output") {
    Need(c, 1);
    Exact text(c[1], true);
    auto call = command == "parsefs" ? hvcnParseFormatString : command == "input" ? hvcnChangeInputFormat
                                                                                    : hvcnChangeOutputFormat;
    return std::to_string(call(In(text), f));
  }
  if (command == "set") {
    Need(c, 2);
    return Set(static_cast<uint16_t>(Int(c[1])), c[2]);
  }
  if (command == "get") {
    Need(c, 2);
    return Get(static_cast<uint16_t>(Int(c[1])), c[2]);
  }
  if (command == "parse") {
    Need(c, 4);
    Exact name(c[1], true);
    uint32_t context = c[3] == "NULL" ? 0 : static_cast<uint32_t>(Int(c[3]));
    const bool output = c[4] != "-";
    const size_t colon = c[4].find(':');
    const int32_t type = output ? Int(c[4].substr(0, colon)) : 0;
    Guarded buffer(output ? c[4].substr(colon + 1) : "NULL");
    const int32_t status = hvcnParseName(In(name), f, type, Out(buffer), buffer.size(),
                                         c[3] == "NULL" ? nullptr : &context, ParseFlags(c[2]));
    return Join({std::to_string(status), c[3] == "NULL" ? "-" : Hex(context), output ? buffer.Text() : ""});
  }
  if (command == "format") {
    Need(c, 2);
    Guarded buffer(c[2]);
    const auto flags = static_cast<uint16_t>(Letters(c[1], "RE", {hvcnFN_REFORMAT, hvcnFN_ESCAPE}));
    return Join({std::to_string(hvcnFormatName(f, Out(buffer), buffer.size(), flags)), buffer.Text()});
  }
  if (command == "translate") {
    Need(c, 5);
    Exact source(c[2], true);
    Guarded buffer(c[4]);
    const uint32_t flags = Letters(c[5], "HAS", {hvcnTIF_HELD_NAME, hvcnTIF_ALWAYS_ENCODE, hvcnTIF_SKIP_EMPTY});
    const int32_t status =
        hvcnTranslateInternalFormat(f, Int(c[1]), In(source), Int(c[3]), Out(buffer), buffer.size(), flags);
    return Join({std::to_string(status), buffer.Text()});
  }
  if (command == "value") {
    Need(c, 3);
    Guarded buffer(c[2], c[3]);
    const int32_t status = hvcnGetAttributeValue(f, Int(c[1]), Out(buffer), static_cast<uint16_t>(buffer.size()));
    return Join({std::to_string(status), buffer.Text()});
  }
  if (command == "rslist") {
    Need(c, 1);
    Guarded buffer(c[1]);
    return Join({std::to_string(hvcnGetRSList(f, Out(buffer), buffer.size())), buffer.Text()});
  }
  if (command == "error") {
    Need(c, 2);
    Guarded buffer(c[2]);
    return Join({std::to_string(hvcnGetErrorText(Int(c[1]), Out(buffer), buffer.size())), buffer.Text()});
  }
  if (command == "version") {
    Need(c, 1);
    Guarded buffer(c[1]);
    uint16_t interface = 0;
    const int32_t status = hvcnVersion(Out(buffer), buffer.size(), c[1] == "NULL" ? nullptr : &interface);
    return Join({std::to_string(status), buffer.Text(), std::to_string(interface)});
  }
  if (command == "info") {
    Need(c, 2);
    Guarded buffer(c[2]);
    const int32_t status =
        hvcnGetAttributeInfo(Int(c[1]), reinterpret_cast<hvcnAttributeInfo*>(Out(buffer)), buffer.size());
    const auto* info = reinterpret_cast<const hvcnAttributeInfo*>(buffer.raw());
    return buffer.Untouched() ? Join({std::to_string(status), "-"}) : Join({std::to_string(status), info->name, info->tag});
  }
  if (command == "check") {
    Need(c, 4);
    Exact value(c[3], true);
    int32_t flag = -7;
    int32_t* flagPointer = c[4] == "NULL" ? nullptr : &flag;
    const int32_t max = Int(c[2]);
    int32_t result;
    if (c[1] == "N") result = hvcnValidateNString(In(value), max);
    else if (c[1] == "P") result = hvcnValidatePString(In(value), max);
    else if (c[1] == "S") result = hvcnValidateString(In(value), max, flagPointer);
    else if (c[1] == "T") result = hvcnValidateTeletexOrPString(In(value), max, flagPointer);
    else result = hvcnValidateAttribute(In(value), max, Int(c[1]));
    return Join({std::to_string(result), std::to_string(flag)});
  }
  if (command == "internet") {
    Need(c, 2);
    Exact name(c[1], true);
    Guarded buffer(c[2]);
    return Join({std::to_string(hvcnParseInternetName(In(name), Out(buffer))), buffer.Text()});
  }
  if (command == "gsetb") {
    Need(c, 1);
    Exact name(c[1], true);
    return std::to_string(hvcnIsGSETBInternetName(In(name)));
  }
  if (command == "fresh") {
    Need(c, 3);
    // The copy's token names point into the original: it takes the full set-up.
    auto copy = std::make_unique<hvcnFormat>(*f);
    Label(copy.get(), "C");
    Exact name(c[1]);
    uint32_t copyContext = 0, context = 0;
    const uint16_t level = static_cast<uint16_t>(Int(c[3]));
    if (level) hooks_.start(level);
    const int32_t copyStatus = hvcnParseName(In(name), copy.get(), 0, nullptr, 0, &copyContext, ParseFlags(c[2]));
    if (level) hooks_.stop();
    const int32_t status = hvcnParseName(name.get(), f, 0, nullptr, 0, &context, ParseFlags(c[2]));
    const bool same = status == copyStatus && context == copyContext && SameFormat(*f, *copy);
    return Join({std::to_string(status), Hex(context), same ? "same" : "differs"});
  }
  if (command == "show") {
    Need(c, 1);
    return Show(c[1]);
  }
  throw std::invalid_argument("unknown command " + command);
}

std::string Interpreter::Set(uint16_t type, const std::string& data) {
  std::vector<int32_t> ids;
  uint32_t number = 0;
  hvcnTagNameInfo tag{};
  std::unique_ptr<Exact> text;
  const void* pointer = nullptr;
  if (data == "NULL") {
  } else if (type == hvcnINFO_OUTPUT_TOKENS) {
    std::istringstream items(data);
    for (std::string id; std::getline(items, id, ',');) ids.push_back(Int(id));
    pointer = ids.data();
  } else if (type == hvcnINFO_RECONFIGURED || type == hvcnINFO_ESCAPE_LIST || (type >= 4 && type <= 6)) {
    text = std::make_unique<Exact>(data);
    pointer = text->get();
  } else if (type == hvcnINFO_TAG_NAME) {
    const size_t colon = data.find(':');
    text = std::make_unique<Exact>(data.substr(colon + 1), true);
    tag = {static_cast<uint32_t>(Int(data.substr(0, colon))), In(*text)};
    pointer = &tag;
  } else {
    number = static_cast<uint32_t>(Int(data));
    pointer = &number;
  }
  if (pointer) Label(pointer, "D");
  const int32_t status = hvcnSetFormatInfo(target_, pointer, type);
  if (text && type != hvcnINFO_TAG_NAME && std::string(text->get()) != data) ADD_FAILURE() << "the data was changed";
  return std::to_string(status);
}

std::string Interpreter::Get(uint16_t type, const std::string& spec) {
  Guarded buffer(spec);
  const int32_t status = hvcnGetFormatInfo(target_, Out(buffer), static_cast<uint16_t>(buffer.size()), type);
  std::string data = buffer.Text();
  if (!buffer.Untouched() && type != hvcnINFO_RECONFIGURED && type != hvcnINFO_ESCAPE_LIST) {
    const char* raw = buffer.raw();
    if (type >= 4 && type <= 6) {
      data = std::string(1, raw[0]);
    } else if (type == hvcnINFO_OUTPUT_TOKENS) {
      data.clear();
      for (uint32_t i = 0; i + 4 <= buffer.size(); i += 4) {
        int32_t id;
        std::memcpy(&id, raw + i, 4);
        if (std::memcmp(raw + i, "\x5A\x5A\x5A\x5A", 4) == 0) break;
        data += (data.empty() ? "" : ",") + std::to_string(id);
      }
    } else {
      int32_t number;
      std::memcpy(&number, raw, 4);
      data = std::to_string(number);
    }
  }
  return Join({std::to_string(status), data});
}

std::string Interpreter::Show(const std::string& what) {
  const hvcnFormat& f = *target_;
  if (what == "values") return HeldValues(f);
  if (what == "parts") return PersonalParts(f);
  if (what == "tokens") return Tokens(f);
  if (what == "detail") return f.errorDetail;
  if (what == "name") return f.nameBuffer;
  if (what == "texts") {
    std::string out;
    for (const auto& t : f.tokens)
      if (t.id != 0)
        out += (out.empty() ? "" : "|") + (t.valueLength == hvcnVALUE_ABSENT ? std::string("-")
                                                                             : std::string(f.nameBuffer + t.valueOffset, t.valueLength));
    return out;
  }
  if (what == "string") return f.formatString;
  if (what == "escapes") return f.escapeList;
  if (what == "flags") return Hex(f.flags);
  if (what == "mask") return std::to_string(f.x400Mask);
  if (what == "type") return std::to_string(f.nameType);
  if (what == "shape") return Hex(static_cast<uint32_t>(f.nameShape));
  if (what == "chars") return std::string{f.slashChar, ' ', f.commaChar, ' '} + f.wildcardChar;
  if (what == "reconfigured" || what == "outputs") {
    std::string out;
    for (int32_t n : what == "outputs" ? std::vector<int32_t>(f.outputTokenIds, f.outputTokenIds + hvcnTOKEN_COUNT)
                                       : std::vector<int32_t>(f.reconfigured, f.reconfigured + 4))
      out += (out.empty() ? "" : ",") + std::to_string(n);
    return out;
  }
  if (what == "marked") {
    bool marked = false;
    for (uint8_t b : f.reserved) marked = marked || b;
    return marked ? "marked" : "unmarked";
  }
  if (what == "records") {
    std::string out;
    for (int slot = 74; slot < hvcnATTRIBUTE_COUNT; ++slot)
      if (f.attributes[slot].id != 0)
        out += (out.empty() ? "" : " ") + std::to_string(f.attributes[slot].id) + ":" + f.attributes[slot].name;
    return out;
  }
  const int slot = Int(what);
  if (slot < 0 || slot >= hvcnATTRIBUTE_COUNT) throw std::invalid_argument("show " + what);
  return std::to_string(f.attributes[slot].id) + ":" + f.attributes[slot].name;
}

}  // namespace

std::vector<std::string> RunScriptRow(const GoldenCase& c, const TraceHooks& hooks) {
  Interpreter interpreter(hooks);
  std::vector<std::string> out;
  GoldenCase row{c.file, c.line, {}};
  auto flush = [&] {
    if (row.fields.empty()) return;
    const std::vector<std::string> answers = interpreter.Run(row);
    out.insert(out.end(), row.fields.begin(), row.fields.end() - static_cast<long>(answers.size()));
    out.insert(out.end(), answers.begin(), answers.end());
    row.fields.clear();
  };
  for (const std::string& field : c.fields) {
    if (field != ";") row.fields.push_back(field);
    else flush(), out.push_back(field);
  }
  flush();
  interpreter.Finish();
  return out;
}

void RunScript(const std::string& name, const TraceHooks& hooks) {
  Interpreter interpreter(hooks);
  RunGolden(name, 2, 8, [&](const GoldenCase& c) { return interpreter.Run(c); });
  interpreter.Finish();
}

}  // namespace hvcn::test
