// Shortcut files written through the shell itself, as a user's would be
// (Windows only).
#pragma once
#include <string>

namespace zanto::test {

// Writes shortcut pointing at target, with arguments when given. False when
// the shell could not make or save it.
bool WriteShellLink(const std::string& shortcut, const std::string& target, const char* arguments = nullptr);

}  // namespace zanto::test
