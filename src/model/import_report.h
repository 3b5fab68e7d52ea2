// What the main window says once a module from another format has been opened.
#pragma once

#include "engine/records.h"

#include <string>

// "Imported from MOD: 3 effects could not be kept in XM" and the like; empty for an XM or an
// import that kept everything.
std::string ImportReport(const ModuleRecord& module);
