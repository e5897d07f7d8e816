#include "golden.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace hvcn::test {

const std::string& GoldenCase::operator[](size_t i) const {
  static const std::string kEmpty;
  return i < fields.size() ? fields[i] : kEmpty;
}

std::string GoldenCase::Where() const { return file + ":" + std::to_string(line); }

namespace {

constexpr char kFill = '\x5A';
constexpr size_t kGuardBytes = 16;

// Decodes the escapes of one field.
std::string Unescape(const std::string& field) {
  static const std::string kLetters = "tnr\\", kBytes = "\t\n\r\\";
  auto hex = [&](size_t i) { return i < field.size() && std::isxdigit(static_cast<unsigned char>(field[i])); };
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    const size_t letter = i + 1 < field.size() ? kLetters.find(field[i + 1]) : std::string::npos;
    if (field[i] != '\\') {
      out += field[i];
    } else if (letter != std::string::npos) {
      out += kBytes[letter];
      ++i;
    } else if (i + 1 < field.size() && field[i + 1] == 'x' && hex(i + 2) && hex(i + 3)) {
      out += static_cast<char>(std::stoi(field.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += '\\';  // a backslash of a typed name stays
    }
  }
  return out;
}

}  // namespace

std::vector<GoldenCase> ReadGolden(const std::string& name) {
  const std::string path = std::string(HVCN_TEST_DATA_DIR) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open golden file " + path);
  std::vector<GoldenCase> cases;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    GoldenCase c{name, number, {}};
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) c.fields.push_back(Unescape(field));
    if (line.back() == '\t') c.fields.emplace_back();
    cases.push_back(std::move(c));
  }
  return cases;
}

namespace {

thread_local const GoldenCase* t_row = nullptr;

void RunRow(const GoldenCase& c, size_t minFields, size_t maxFields, const RowHandler& handler,
            const RowSink& sink = {}) {
  SCOPED_TRACE(c.Where());
  t_row = &c;
  if (c.fields.size() < minFields || c.fields.size() > maxFields) {
    ADD_FAILURE() << c.Where() << ": " << c.fields.size() << " fields, not " << minFields << " to " << maxFields;
    return;
  }
  std::vector<std::string> actual;
  try {
    actual = handler(c);
  } catch (const std::exception& e) {
    t_row = nullptr;
    ADD_FAILURE() << c.Where() << ": the row does not parse (" << e.what() << ")";
    return;
  }
  t_row = nullptr;
  if (sink) return sink(c, actual);
  if (actual.size() > c.fields.size()) {
    ADD_FAILURE() << c.Where() << ": the row has fewer fields than results";
    return;
  }
  const std::vector<std::string> expected(c.fields.end() - static_cast<long>(actual.size()), c.fields.end());
  EXPECT_EQ(actual, expected) << c.Where() << ": " << ::testing::PrintToString(c.fields);
}

}  // namespace

const GoldenCase* CurrentRow() { return t_row; }

void RunGolden(const std::string& name, size_t minFields, size_t maxFields, const RowHandler& handler) {
  const std::vector<GoldenCase> rows = ReadGolden(name);
  ASSERT_FALSE(rows.empty()) << name << " yields no rows";
  RunRows(rows, minFields, maxFields, handler);
}

void RunRows(const std::vector<GoldenCase>& rows, size_t minFields, size_t maxFields, const RowHandler& handler,
             const RowSink& sink) {
  for (const GoldenCase& c : rows) RunRow(c, minFields, maxFields, handler, sink);
}

void RunRegressions(const std::function<const RowHandler*(const std::string& kind)>& handlerOf) {
  const std::vector<GoldenCase> rows = ReadGolden("regressions.txt");
  ASSERT_FALSE(rows.empty()) << "regressions.txt yields no rows";
  for (const GoldenCase& row : rows) {
    GoldenCase c = row;
    c.fields.erase(c.fields.begin(), c.fields.begin() + std::min<long>(2, static_cast<long>(c.fields.size())));
    c.file += " (" + row[0] + ")";
    const RowHandler* handler = handlerOf(row[1]);
    if (!handler) {
      ADD_FAILURE() << row.Where() << ": no golden kind " << row[1];
      continue;
    }
    RunRow(c, 1, 64, *handler);
  }
}

std::vector<std::string> RunSteps(const GoldenCase& line, const RowHandler& step) {
  std::vector<std::string> out;
  GoldenCase row{line.file, line.line, {}};
  for (size_t i = 0; i <= line.fields.size(); ++i) {
    if (i < line.fields.size() && line.fields[i] != ";") {
      row.fields.push_back(line.fields[i]);
      continue;
    }
    const std::vector<std::string> answers = step(row);
    out.insert(out.end(), row.fields.begin(), row.fields.end() - static_cast<long>(answers.size()));
    out.insert(out.end(), answers.begin(), answers.end());
    if (i < line.fields.size()) out.push_back(";");
    row.fields.clear();
  }
  return out;
}

Exact::Exact(const std::string& text, bool nullWord) {
  if (nullWord && text == "NULL") return;
  block_.reset(new char[text.size() + 1]);
  std::memcpy(block_.get(), text.c_str(), text.size() + 1);
}

Guarded::Guarded(const std::string& shape, const std::string& initial) {
  std::string size = shape;
  if (shape.rfind("NULL", 0) == 0) {
    null_ = true;
    size = shape.size() > 5 ? shape.substr(5) : "0";
  }
  size_ = static_cast<uint32_t>(std::stoul(size));
  bytes_.assign(size_ + kGuardBytes, kFill);
  std::memcpy(bytes_.data(), initial.c_str(), std::min<size_t>(initial.size() + (initial.empty() ? 0 : 1), size_));
  initial_ = bytes_;
}

Guarded::~Guarded() {
  for (size_t i = size_; i < bytes_.size(); ++i)
    if (bytes_[i] != kFill) {
      ADD_FAILURE() << "wrote past the size " << size_;
      break;
    }
}

bool Guarded::Untouched() const { return bytes_ == initial_; }

std::string Guarded::Text() const {
  if (Untouched()) return "-";
  const void* nul = std::memchr(bytes_.data(), 0, size_);
  return nul ? std::string(bytes_.data()) : "!unterminated";
}

int32_t Int(const std::string& text) {
  size_t used = 0;
  const bool hex = text.rfind("0x", 0) == 0 || text.rfind("-0x", 0) == 0;
  const long long value = std::stoll(text, &used, hex ? 16 : 10);
  if (used != text.size()) throw std::invalid_argument("not a number: " + text);
  return static_cast<int32_t>(value);
}

std::string Hex(uint32_t value) {
  std::ostringstream out;
  out << "0x" << std::hex << value;
  return out.str();
}

}  // namespace hvcn::test
