#pragma once

// A minimal check-and-count harness: there is no test framework for the Windows build.
#include <cstdio>
#include <string>

namespace kd::test {

inline int checksRun = 0;
inline int checksFailed = 0;
inline const char* currentCase = "";

inline bool Check(bool ok, const char* what, const char* file, int line) {
    ++checksRun;
    if (!ok) {
        ++checksFailed;
        std::printf("FAILED [%s] %s:%d: %s\n", currentCase, file, line, what);
    }
    return ok;
}

inline std::string Show(const std::string& value) {
    return '"' + value + '"';
}
inline std::string Show(const char* value) {
    return Show(std::string(value));
}
template <typename T>
std::string Show(const T& value) {
    return std::to_string(value);
}

template <typename A, typename B>
bool CheckEqual(const A& actual, const B& expected, const char* what, const char* file, int line) {
    const bool ok = actual == expected;
    if (!Check(ok, what, file, line)) {
        std::printf("    got %s, want %s\n", Show(actual).c_str(), Show(expected).c_str());
    }
    return ok;
}

}  // namespace kd::test

#define KD_CASE(name) ::kd::test::currentCase = (name)
#define KD_CHECK(condition) ::kd::test::Check((condition), #condition, __FILE__, __LINE__)
#define KD_CHECK_EQ(actual, expected) \
    ::kd::test::CheckEqual((actual), (expected), #actual " == " #expected, __FILE__, __LINE__)
