// Files the commands read whole: the mapping and AMHS tables, certificates.
#pragma once

#include <string>

namespace cli {

// Reads a file into data; prints "cannot read the WHAT file 'PATH': why"
// when it cannot.
bool ReadFile(const char* path, const char* what, std::string& data);

// Reads a file of text: as ReadFile, and a NUL byte (which would end the
// text for the library, dropping the lines after it) is refused, naming its
// line: "... holds a NUL byte on line 2: KIND is text".
bool ReadTextFile(const char* path, const char* what, const char* kind, std::string& text);

}  // namespace cli
