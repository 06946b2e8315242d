#include <gtest/gtest.h>

#include <cerrno>

#include "link/board_link.h"
#include "link/parport.h"

TEST(ParallelPort, EachCauseOfFailureNamesTheDeviceAndTheRemedy) {
    struct Case { int err; const char* expected; };
    const Case cases[] = {
        {ENOENT, "no such device"},
        {ENODEV, "no such device"},
        {EACCES, "group lp"},
        {EPERM, "group lp"},
        {EBUSY, "busy"},
        {EINTR, "busy"},  // the bounded claim gave up waiting
        {ENOTTY, "not a parallel port"},
    };
    for (const auto& c : cases) {
        std::string message = boardlink::parport_error("/dev/parport3", "claim", c.err);
        EXPECT_NE(message.find("/dev/parport3"), std::string::npos) << message;
        EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
}

TEST(ParallelPort, OpeningAMissingDeviceOrANonPortFails) {
    std::string error;
    EXPECT_EQ(boardlink::ParallelPort::open("/dev/parport-missing", error), nullptr);
    EXPECT_NE(error.find("/dev/parport-missing: open failed: no such device"), std::string::npos) << error;
    EXPECT_EQ(boardlink::ParallelPort::open("/dev/null", error), nullptr);
    EXPECT_NE(error.find("/dev/null: claim failed: not a parallel port"), std::string::npos) << error;
}

TEST(BoardLink, FallsBackToTheSimulatedBoardWhenThePortCannotBeClaimed) {
    struct Case { boardlink::LinkRequest request; bool fell_back; bool sim; };
    auto request = [](boardlink::LinkRequest::Kind kind, std::string device) {
        boardlink::LinkRequest r;
        r.kind = kind;
        r.device = std::move(device);
        return r;
    };
    auto sim = request(boardlink::LinkRequest::Kind::Sim, "/dev/parport0");
    auto missing = request(boardlink::LinkRequest::Kind::Parport, "/dev/parport-missing");
    auto automatic = request(boardlink::LinkRequest::Kind::Auto, "/dev/parport-missing");
    const Case cases[] = {{sim, false, true}, {missing, true, true}, {automatic, false, true}};
    for (const auto& c : cases) {
        boardlink::BoardLink board;
        auto opened = board.open(c.request);
        EXPECT_TRUE(opened.ok);
        EXPECT_EQ(!opened.claim_error.empty(), c.fell_back) << opened.claim_error;
        EXPECT_EQ(board.simulated_board() != nullptr, c.sim);
        EXPECT_EQ(board.name(), "simulated board");
    }
}

TEST(BoardLink, TraceThatCannotBeCreatedOpensNothing) {
    boardlink::BoardLink board;
    boardlink::LinkRequest request;
    request.kind = boardlink::LinkRequest::Kind::Sim;
    request.trace_path = "/nonexistent-dir/x.vcd";
    auto opened = board.open(request);
    EXPECT_FALSE(opened.ok);
    EXPECT_FALSE(board.is_open());
    EXPECT_NE(opened.error.find("/nonexistent-dir/x.vcd"), std::string::npos);
}
