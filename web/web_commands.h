// The playground's command beside the tool's (commands.cpp): run by the
// binding when the page names it, written with the tool's result writer.
#pragma once

#include "cli.h"

extern const cli::Command kWebInternalCommand;  // internal1 TEXT...
