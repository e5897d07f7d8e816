// What the tool says about a refusal beyond its status text and detail: the
// library's explanation (hvcnExplainStatus), and hints about the command
// line - which command or option reads a text of another kind, the kind
// told by the library's classifier (hvcnClassifyAddress).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "hvcn.h"

namespace cli {

// The library's explanation of a failed call (hvcnEXPLAIN_*), and in
// *column the column at fault (0: none); "" when it has none.
std::string Explanation(const hvcnFormat& failed, int32_t status, uint32_t call, uint32_t how, const char* text,
                        uint32_t* column = nullptr);

// The kind of address the text is (hvcnKIND_*), as hvcnClassifyAddress
// tells it with `flags`; hvcnKIND_NONE when it is none.
int32_t KindOf(std::string_view text, uint32_t flags = 0);

// The name of a kind as the tool prints it ("stdor", "directory-name"...);
// nullptr for hvcnKIND_NONE or a kind the tool does not know.
const char* KindName(int32_t kind);

// The hint for a text of that kind which `command` could not read: which
// command or option reads it ("This looks like a standard O/R address; read
// it with: hvcn orname '...'"); "" when there is none.
std::string Hint(const char* command, int32_t kind, std::string_view text);

// The explanation of a typed name the library refused: the hint of
// `command` when the classifier gives one, else the library's.
std::string ExplainName(const char* command, const hvcnFormat& failed, int32_t status, uint32_t flags,
                        std::string_view name, uint32_t* column);

}  // namespace cli
