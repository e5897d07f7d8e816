// What the tool says about a refusal beyond its status text and detail: the
// library's explanation (hvcnExplainStatus), and hints about the command
// line, such as which command reads a text that looks like another form.
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

// The forms a text may look like, as far as the tool's hints go.
enum class Looks { Other, ORAddress };

// Which form the text looks like. (The one place that decides it: a
// classifier of the library's takes it over here.)
Looks LooksLike(std::string_view text);

// The explanation of a typed name the library refused: a hint to read it
// with hvcn orname when it looks like an O/R address, else the library's.
std::string ExplainName(const hvcnFormat& failed, int32_t status, uint32_t flags, std::string_view name,
                        uint32_t* column);

}  // namespace cli
