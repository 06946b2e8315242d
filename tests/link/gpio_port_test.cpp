// The GPIO backend through a recording chip: the lines it takes and the levels each write sets.
// Its readback and its failures are checked with the USB adapter's, in the adapter tests.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "tests/link/adapter_rig.h"
#include "tests/support/recording_port.h"

using boardlink::AdapterKind;
using boardlink::kDataRegister;
using boardlink::kStatusRegister;
using testing_support::kGpioFull;
using testing_support::WiredAdapter;

namespace {

const char* const kLatchOnly = "CLK=5,DATA=6,LE=13";


}  // namespace

TEST(GpioChip, ChipNamesArePathsNamesNumbersOrLabels) {
    struct Case { const char* given; const char* opened; bool label; };
    const Case cases[] = {
        {"gpiochip0", "/dev/gpiochip0", false},
        {"4", "/dev/gpiochip4", false},
        {"/dev/gpiochip2", "/dev/gpiochip2", false},
        {"pinctrl-bcm2711", "pinctrl-bcm2711", true},
        {"gpiochip0/../x", "gpiochip0/../x", true},  // never a path outside /dev by accident
    };
    for (const auto& c : cases) EXPECT_EQ(boardlink::gpio_chip_name(c.given), (boardlink::GpioChipName{c.opened, c.label})) << c.given;
}

TEST(GpioChip, OpeningTakesTheWiredDataLinesAsOutputsAtIdleAndStatusAsInput) {
    struct Case { const char* map; std::vector<unsigned> outputs; std::vector<int> levels; std::optional<unsigned> input, edges; };
    const Case cases[] = {
        {kGpioFull, {17, 27, 22, 23, 24}, {0, 0, 0, 1, 1}, 25u, std::nullopt},
        {kLatchOnly, {5, 6, 13}, {0, 0, 0}, std::nullopt, std::nullopt},
        {"CLK=5,DATA=6,LE=13,LD=19", {5, 6, 13}, {0, 0, 0}, std::nullopt, 19u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.map);
        WiredAdapter adapter(AdapterKind::Gpio, c.map);
        auto port = adapter.open("2");
        ASSERT_TRUE(port) << adapter.error;
        const auto& log = *adapter.gpio;
        EXPECT_EQ(log.opened, (boardlink::GpioChipName{"/dev/gpiochip2", false}));
        EXPECT_EQ(log.outputs, c.outputs);
        EXPECT_EQ(log.initial_levels, c.levels);
        EXPECT_EQ(log.input, c.input);
        EXPECT_EQ(log.edges_line, c.edges);
        EXPECT_EQ(port->lock_detect().has_value(), c.edges.has_value());
        EXPECT_EQ(log.consumer, "ksy7100-eval");
        // Without an input line STATUS floats high, as with no converter on the board.
        EXPECT_EQ(port->in(kStatusRegister) == 0xFF, !c.input);
        EXPECT_EQ(log.gets, c.input ? 1u : 0u);
        port.reset();
        EXPECT_TRUE(log.closed) << "the lines are released";
    }
}

TEST(GpioChip, EachWriteThatMovesALineIsOneSetAndTheBoardLatchesTheWord) {
    std::mt19937 rng(7);
    const uint32_t words[] = {0, 0xFFFFFF, 0x8FF108, uint32_t(rng() & 0xFFFFFF), uint32_t(rng() & 0xFFFFFF)};
    for (const char* map_text : {kGpioFull, kLatchOnly}) {
        WiredAdapter adapter(AdapterKind::Gpio, map_text);
        auto port = adapter.open();
        ASSERT_TRUE(port) << adapter.error;
        const uint8_t wired_bits = adapter.wired.data_of(~uint64_t{0});  // the data lines that have a pin
        for (uint32_t word : words) {
            SCOPED_TRACE(std::string(map_text) + ", word " + std::to_string(word));
            testing_support::RecordingPort recorder;
            testing_support::load_word(recorder, word);
            testing_support::load_word(*port, word);
            // One set per write that changes a wired line, counted from the idle levels.
            size_t changes = 0;
            uint8_t last = boardlink::kIdle & wired_bits;
            for (uint8_t v : recorder.writes()) {
                changes += (v & wired_bits) != last;
                last = v & wired_bits;
            }
            EXPECT_EQ(adapter.gpio->sets.size(), changes);
            adapter.gpio->sets.clear();
            EXPECT_EQ(adapter.wired.board.latches()[word & 3], word);
        }
    }
}

// Lock detect on a GPIO line: its edges as the kernel stamped them, and each latch load stamped
// on the same clock once the lines have moved, so a lock time runs from the LE edge to the edge.
TEST(GpioChip, LockDetectEdgesAndTheLatchEdgeComeStamped) {
    WiredAdapter adapter(AdapterKind::Gpio, "CLK=5,DATA=6,LE=13,LD=19");
    auto port = adapter.open();
    ASSERT_TRUE(port) << adapter.error;
    EXPECT_FALSE(port->latched_at_ns());
    const auto before = std::chrono::steady_clock::now().time_since_epoch();
    testing_support::load_word(*port, 0x8FF100);  // a control word: muxout three-state, the line floats high
    const auto after = std::chrono::steady_clock::now().time_since_epoch();
    ASSERT_TRUE(port->latched_at_ns());
    EXPECT_GE(*port->latched_at_ns(), std::chrono::nanoseconds(before).count());
    EXPECT_LE(*port->latched_at_ns(), std::chrono::nanoseconds(after).count());
    EXPECT_EQ(port->lock_detect(), true);
    testing_support::load_word(*port, 0x8FF1E0);  // muxout DGND
    EXPECT_EQ(port->lock_detect(), false);

    adapter.gpio->edges = {{100, true}, {250, false}};
    std::vector<boardlink::LockEdge> edges{{1, false}};  // what the caller had: kept
    int64_t resolution = 0;
    ASSERT_TRUE(port->lock_edges(edges, resolution));
    EXPECT_EQ(edges, (std::vector<boardlink::LockEdge>{{1, false}, {100, true}, {250, false}}));
    EXPECT_GE(resolution, 1);
    EXPECT_TRUE(port->lock_edges(edges, resolution));
    EXPECT_EQ(edges.size(), 3u);  // each edge once

    WiredAdapter unwired(AdapterKind::Gpio, kLatchOnly);
    auto plain = unwired.open();
    ASSERT_TRUE(plain) << unwired.error;
    EXPECT_FALSE(plain->lock_edges(edges, resolution));
}
