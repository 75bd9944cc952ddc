#pragma once

// The window conformance checks as GoogleTest cases: one test per case, for each back end.
#include <gtest/gtest.h>

#include "tests/support/window_conformance.h"

namespace kd::test::conformance {

// A back end whose failed checks are GoogleTest failures at the check's line.
class GTestBackEnd : public BackEnd {
  public:
    bool Check(bool ok, const std::string& what, const char* file, int line) override {
        if (!ok) {
            ADD_FAILURE_AT(file, line) << what;
        }
        return ok;
    }
};

inline std::string CaseTestName(const ::testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

}  // namespace kd::test::conformance

// Runs every case on the back end made by MakeBackEnd(), a function returning a
// std::unique_ptr to a GTestBackEnd.
#define KD_WINDOW_CONFORMANCE(Suite, MakeBackEnd)                                         \
    class Suite : public ::testing::TestWithParam<::kd::test::conformance::Case> {};      \
    TEST_P(Suite, Conforms) {                                                             \
        const auto backEnd = MakeBackEnd();                                               \
        backEnd->Enter(GetParam().name);                                                  \
        GetParam().run(*backEnd);                                                         \
    }                                                                                     \
    INSTANTIATE_TEST_SUITE_P(AllCases, Suite,                                             \
                             ::testing::ValuesIn(::kd::test::conformance::WindowCases()), \
                             ::kd::test::conformance::CaseTestName)
