#pragma once
// Environment variables and Unix paths as a Windows test program under Wine
// sees them.

#include <string>

// The variable's value, or "" when it is unset or too long.
std::string Environment(const char* name);

// Wine shows the Unix root as drive Z:.
std::string WindowsPath(const std::string& unixPath);
std::string UnixPath(const std::string& windowsPath);
