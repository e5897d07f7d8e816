// The subcommands of the hvcn tool, one file each.
#pragma once

#include "cli.h"

extern const cli::Command kVersionCommand;
extern const cli::Command kErrorCommand;
extern const cli::Command kInternetCommand;
