#pragma once
// Reply lines for the console's tests, written as a device sends them.
#include <string>

// line with filler fields up to field 25 (counted after headerOffset) and "ALT" as field 26: the
// general changed-parameters flag of every reply.
std::string WithGeneralChangedFlag(std::string line, int headerOffset);
