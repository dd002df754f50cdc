// Writes test files through the OS layer's raw file calls, so that a name
// reaches the system exactly as the program hands it over (Shift_JIS names
// whose trail byte is a backslash included).
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "files/os.h"

namespace zanto::test {

inline void MakeFile(const std::string& path, const std::string& bytes = "x") {
  intptr_t h = OpenRawFile(path.c_str(), kOpenWrite | kShareNone | kOpenCreate);
  ASSERT_GE(h, 0) << path;
  ASSERT_EQ(WriteRawFile(h, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
  ASSERT_EQ(CloseRawFile(h), 0);
}

}  // namespace zanto::test
