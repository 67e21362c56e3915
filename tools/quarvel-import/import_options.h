// The options that say how an input is read and placed, shared by every
// program that reads through importGrid (quarvel-import, quarvel-render
// --figure), so each name means the same everywhere.
#pragma once

#include <string>

#include "import.h"

// Whether option name (as "--every") is one of these and takes a value;
// --lonlat's latitude comes only as --lonlat=LAT.
bool isImportOption(const std::string &name);
bool importOptionTakesValue(const std::string &name);

// Applies option name with its value (hasValue: given, as after "=") to
// request.  Returns false for a name that is not one of these; throws a
// Failure saying what the option needs for a bad value.
bool parseImportOption(const std::string &name, bool hasValue, const std::string &value, ImportRequest &request);

// The options together: throws a Failure for a choice that contradicts
// itself (--every with --max).
void checkImportRequest(const ImportRequest &request);
