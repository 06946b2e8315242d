#include <gtest/gtest.h>

#include <cerrno>

#include "link/parport.h"

TEST(ParallelPort, EachCauseOfFailureNamesTheDeviceAndTheRemedy) {
    const std::pair<int, const char*> cases[] = {
        {ENOENT, "no such device"}, {ENODEV, "no such device"}, {EACCES, "group lp"}, {EPERM, "group lp"},
        {EBUSY, "busy"}, {EINTR, "busy"},  // the bounded claim gave up waiting
        {ENOTTY, "not a parallel port"},
    };
    for (const auto& [err, expected] : cases) {
        const std::string message = boardlink::parport_error("/dev/parport3", "claim", err);
        EXPECT_NE(message.find("/dev/parport3"), std::string::npos) << message;
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
}

TEST(ParallelPort, OpeningAMissingDeviceOrANonPortFails) {
    std::string error;
    EXPECT_EQ(boardlink::ParallelPort::open("/dev/parport-missing", error), nullptr);
    EXPECT_NE(error.find("/dev/parport-missing: open failed: no such device"), std::string::npos) << error;
    EXPECT_EQ(boardlink::ParallelPort::open("/dev/null", error), nullptr);
    EXPECT_NE(error.find("/dev/null: claim failed: not a parallel port"), std::string::npos) << error;
}
