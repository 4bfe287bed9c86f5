// Names of table rows as test names: each row's "what".
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tool_tests
{

struct CaseNameGenerator
{
    template <typename Case> std::string operator()(const ::testing::TestParamInfo<Case>& row) const
    {
        return row.param.what;
    }
};

constexpr CaseNameGenerator CaseName{};

} // namespace tool_tests
