// The subcommands of the hvcn tool, one file each.
#pragma once

#include <string>

#include "cli.h"

extern const cli::Command kVersionCommand;
extern const cli::Command kAttrCommand;
extern const cli::Command kAttributesCommand;
extern const cli::Command kErrorCommand;
extern const cli::Command kFormatCommand;
extern const cli::Command kTranslateCommand;
extern const cli::Command kRsListCommand;
extern const cli::Command kTokensCommand;
extern const cli::Command kValidateCommand;
extern const cli::Command kInternetCommand;
extern const cli::Command kOrNameCommand;
extern const cli::Command kParseCommand;
extern const cli::Command kReadCommand;
extern const cli::Command kCertCommand;
extern const cli::Command kAmhsCommand;

// The one line of hvcn --version: the tool's and the library's versions and
// how they relate.
std::string VersionLine();
