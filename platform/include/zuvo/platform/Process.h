// The running program.
#pragma once

#include <string>

// The folder holding the running program, GBK, without a trailing separator.
std::string RunDirectory();
