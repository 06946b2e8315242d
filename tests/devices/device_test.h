#pragma once
// The base of every device test: a fresh device bed, or the test skipped with the reason when
// umockdev cannot start in this process.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include "tests/devices/device_bed.h"

namespace testing_support {

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string why = DeviceBed::why_not(); !why.empty()) GTEST_SKIP() << "umockdev cannot start: " << why;
        bed = std::make_unique<DeviceBed>();
    }
    // A fresh bed for the next case of a table.
    void renew_bed() {
        bed.reset();  // first: a bed unsets the location of the tree as it goes
        bed = std::make_unique<DeviceBed>();
    }

    std::unique_ptr<DeviceBed> bed;
};

// The supply readings of a MEAS:SUPP? answer ("3.30,4.50,25.0"): Vdd, Vp.
inline std::pair<double, double> supplies_of(const std::string& answer) {
    double vdd = 0, vp = 0;
    if (std::sscanf(answer.c_str(), "%lf,%lf", &vdd, &vp) != 2) return {-1, -1};
    return {vdd, vp};
}

}  // namespace testing_support
