#pragma once
// Environment variables and Unix paths as a Windows test program under Wine
// sees them.

#include <string>

// The variable's value, or "" when it is unset or too long.
std::string Environment(const char* name);

// Wine shows the Unix root as drive Z:.
std::string WindowsPath(const std::string& unixPath);
std::string UnixPath(const std::string& windowsPath);

// Whether a file is there, and a wait for it to come or go: the Unix
// programs a test starts tell what they are doing by such files.
bool FileExists(const std::string& path);
bool WaitForFile(const std::string& path, bool present, unsigned long timeoutMilliseconds);

// A command line's argument, in quotes.
std::string Quoted(const std::string& text);

// Starts a Unix program from its command line; false, with the reason in
// `failure`, when Wine does not. Wine starts it detached and tells no
// process this one could wait for: files carry the conversation.
bool StartUnixProgram(std::string command, std::string& failure);
