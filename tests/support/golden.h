// Golden test data: one case a line, fields separated by tabs, '#' comments
// and blank lines skipped. Inside a field \t, \n, \r, \\ and \xHH stand for
// the byte, so control characters of internal names can be written.
#pragma once

#include <string>
#include <vector>

namespace hvcn::test {

struct GoldenCase {
  std::string file;
  int line = 0;
  std::vector<std::string> fields;

  // Field i, or "" when the line has fewer fields.
  const std::string& operator[](size_t i) const;
  // "file:line" for failure messages.
  std::string Where() const;
};

// Reads tests/data/<name>.
std::vector<GoldenCase> ReadGolden(const std::string& name);

// Decodes the escapes of one field.
std::string Unescape(const std::string& field);

// Path of a file in tests/data.
std::string DataPath(const std::string& name);

}  // namespace hvcn::test
