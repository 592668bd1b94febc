// Tests run once per lane path: a fixture that skips, by name and reason, a
// path this build or processor cannot run, and the path's name as the
// parameter's name (GoogleTest allows letters, digits and underscores only).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fft/transform_plan.h"

namespace calvorn::test {

class OnEveryLanePath : public ::testing::TestWithParam<fft::LanePath> {
protected:
    void SetUp() override
    {
        if (!fft::lanePathUsable(GetParam())) {
            GTEST_SKIP() << "lane path " << fft::lanePathName(GetParam())
                         << " cannot run here: this build lacks it or this processor lacks its instructions";
        }
    }
};

inline std::string lanePathTestName(const ::testing::TestParamInfo<fft::LanePath>& info)
{
    std::string name(fft::lanePathName(info.param));
    for (char& c : name) {
        if (c == '-') c = '_';
    }
    return name;
}

} // namespace calvorn::test
