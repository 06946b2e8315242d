#include <gtest/gtest.h>

#include <cerrno>

#include "link/board_link.h"
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

// Only a port asked for by name says why it fell back; the automatic choice takes a missing port
// for none. A trace that cannot be created ends the run: the command-line tests check that.
TEST(BoardLink, FallsBackToTheSimulatedBoardWhenThePortCannotBeClaimed) {
    using Kind = boardlink::LinkRequest::Kind;
    const std::tuple<Kind, const char*, bool> cases[] = {
        {Kind::Sim, "/dev/parport0", false}, {Kind::Parport, "/dev/parport-missing", true},
        {Kind::Auto, "/dev/parport-missing", false},
    };
    for (const auto& [kind, device, fell_back] : cases) {
        boardlink::LinkRequest request;
        request.kind = kind;
        request.device = device;
        boardlink::BoardLink board;
        auto opened = board.open(request);
        EXPECT_TRUE(opened.ok);
        EXPECT_EQ(!opened.claim_error.empty(), fell_back) << opened.claim_error;
        EXPECT_NE(board.simulated_board(), nullptr);
        EXPECT_EQ(board.name(), "simulated board");
    }
}
