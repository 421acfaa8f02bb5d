#include <gtest/gtest.h>

#include "module/version_check.h"

TEST(PythonVersion, AcceptsPatchReleasesOfTheSameMinor) {
    EXPECT_TRUE(IsCompatiblePythonVersion("3.13.1", "3.13"));
    EXPECT_TRUE(
        IsCompatiblePythonVersion("3.13.5 (main, Jun 25 2025, 18:55:22) [GCC 14.2.0]", "3.13"));
    EXPECT_TRUE(IsCompatiblePythonVersion("3.13", "3.13"));
    EXPECT_TRUE(IsCompatiblePythonVersion("3.13rc1", "3.13"));
}

TEST(PythonVersion, RefusesOtherMinorsAndLookalikes) {
    EXPECT_FALSE(IsCompatiblePythonVersion("3.130", "3.13"));
    EXPECT_FALSE(IsCompatiblePythonVersion("3.12.4", "3.13"));
    EXPECT_FALSE(IsCompatiblePythonVersion("3.14.0", "3.13"));
    EXPECT_FALSE(IsCompatiblePythonVersion("3.1", "3.13"));
    EXPECT_FALSE(IsCompatiblePythonVersion("", "3.13"));
    EXPECT_FALSE(IsCompatiblePythonVersion(nullptr, "3.13"));
}

TEST(PythonVersion, MismatchMessageNamesBothVersions) {
    EXPECT_EQ(PythonVersionMismatchMessage("3.13", "3.12.4"),
              "Python version mismatch: module was compiled for Python 3.13, but the interpreter "
              "version is incompatible: 3.12.4.");
}
