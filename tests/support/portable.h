// What tests need from the OS beyond the C++ library, one way on Linux and Windows: the
// environment, directories, this program's path, and pi.
#pragma once

#include <string>

// M_PI is POSIX, not C++; the tests' own.
constexpr double testPi = 3.14159265358979323846;

void setTestEnvironment(const std::string& name, const std::string& value);
void unsetTestEnvironment(const std::string& name);
// Every missing directory on the way to `path`; aborts the test program on failure.
void makeTestDirectories(const std::string& path);
// The running test program's full path, for tests that start it again in a helper role.
std::string testProgramPath();

// The web build's tests run under node, whose C library writes standard error through its
// own console, past the descriptor that GoogleTest captures: tests of the lines written there
// are skipped.
#if defined(__EMSCRIPTEN__)
#define SKIP_WITHOUT_STDERR_CAPTURE() GTEST_SKIP() << "standard error cannot be captured under node"
#else
#define SKIP_WITHOUT_STDERR_CAPTURE() (void)0
#endif
