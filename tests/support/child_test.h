// Running one test of this program again in a child process, from a copy of
// the program, with one environment variable set for it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace testsupport {

// Runs the test TEST ("Suite.Name") of the program EXE with VAR set to VALUE,
// waits for it and expects it to exit with 0. Wrap the call in
// ASSERT_NO_FATAL_FAILURE.
inline void RunChildTest(const std::filesystem::path& exe, const std::string& test, const char* var,
                         const std::filesystem::path& value) {
    const std::string filter = "--gtest_filter=" + test;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setenv(var, value.c_str(), 1);
        ::execl(exe.c_str(), exe.c_str(), filter.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace testsupport
