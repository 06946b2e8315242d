// The board link over a USB bit-bang adapter and over a GPIO chip, with devices that take what
// they are given and answer at once, so the figures are the program's own: USB transfers and
// bytes per latch write, per hop and per supply measurement, GPIO line sets per latch write, and
// the processor time of each.
#include <benchmark/benchmark.h>

#include "actions/hopping.h"
#include "actions/options.h"
#include "actions/supplies.h"
#include "link/ftdi_port.h"
#include "link/gpio_port.h"
#include "model/latch.h"
#include "model/variants.h"

namespace {

class QuietAdapter : public boardlink::FtdiDevice {
public:
    boardlink::DeviceResult open(const std::string&) override { return {}; }
    boardlink::DeviceResult start_bitbang(uint8_t, uint32_t) override { return {}; }
    boardlink::DeviceResult exchange(std::span<const uint8_t> bytes, std::span<uint8_t> samples) override {
        benchmark::DoNotOptimize(bytes.data());
        std::fill(samples.begin(), samples.end(), uint8_t{0});
        return {};
    }
    void close() override {}
    std::string description() const override { return "quiet adapter"; }
};

class QuietChip : public boardlink::GpioChip {
public:
    boardlink::DeviceResult open(const boardlink::GpioChipName&) override { return {}; }
    unsigned line_count() const override { return 64; }
    boardlink::DeviceResult request(std::span<const unsigned>, std::span<const int>, std::optional<unsigned>,
                                    std::optional<unsigned>, const std::string&) override {
        return {};
    }
    boardlink::DeviceResult set(std::span<const int> levels) override {
        benchmark::DoNotOptimize(levels.data());
        ++sets;
        return {};
    }
    boardlink::DeviceResult get(int& level) override {
        level = 0;
        return {};
    }
    boardlink::DeviceResult read_edges(std::vector<boardlink::LockEdge>&) override { return {}; }
    boardlink::DeviceResult get_edge_line(int& level) override { return get(level); }
    void close() override {}
    std::string description() const override { return "quiet chip"; }
    uint64_t sets = 0;
};

EvalState bench_state() {
    EvalState s;
    variants::apply_port_defaults(s);
    variants::apply_variant_choice(s, "ksy7100-1");
    return s;
}

std::unique_ptr<boardlink::FtdiPort> usb_port() {
    std::string error;
    return boardlink::FtdiPort::open(std::make_unique<QuietAdapter>(), {}, error);
}

void per_iteration(benchmark::State& bs, const char* name, double total) {
    bs.counters[name] = benchmark::Counter(total, benchmark::Counter::kAvgIterations);
}

// One latch write as an action sends it (the N latch again), over the USB adapter.
void BM_LatchWriteOverUsb(benchmark::State& bs) {
    EvalState s = bench_state();
    auto port = usb_port();
    const uint64_t transfers = port->transfers(), bytes = port->bytes_sent();
    for (auto _ : bs) actions::resend_latch(s, *port, kNLatch);
    per_iteration(bs, "transfers_per_latch", double(port->transfers() - transfers));
    per_iteration(bs, "bytes_per_latch", double(port->bytes_sent() - bytes));
}

// One tick of plain hopping: the N latch twice, as one action.
void BM_PlainHopOverUsb(benchmark::State& bs) {
    EvalState s = bench_state();
    auto port = usb_port();
    actions::HopRun run;
    const actions::HopRun::Entries entries{"1750", "1752", "10", "5"};
    if (!run.start_plain(s, *port, entries).ok()) bs.SkipWithError("the hop run did not start");
    const uint64_t transfers = port->transfers(), bytes = port->bytes_sent();
    for (auto _ : bs) run.tick_plain(s, *port, entries, {});
    per_iteration(bs, "transfers_per_hop", double(port->transfers() - transfers));
    per_iteration(bs, "bytes_per_hop", double(port->bytes_sent() - bytes));
}

// A whole supply measurement (four steps, without the settling waits): every status read is a
// transfer of its own.
void BM_SupplyMeasurementOverUsb(benchmark::State& bs) {
    EvalState s = bench_state();
    auto port = usb_port();
    const uint64_t transfers = port->transfers(), bytes = port->bytes_sent();
    for (auto _ : bs) {
        actions::SupplyReading reading;
        for (int k = 0; k < actions::SupplyReading::kSteps; ++k) reading.step(s, *port, k);
        benchmark::DoNotOptimize(reading);
    }
    per_iteration(bs, "transfers_per_measurement", double(port->transfers() - transfers));
    per_iteration(bs, "bytes_per_measurement", double(port->bytes_sent() - bytes));
}

// One latch write over a GPIO chip: a set of the lines for each write that moves one.
void BM_LatchWriteOverGpio(benchmark::State& bs) {
    EvalState s = bench_state();
    auto chip = std::make_unique<QuietChip>();
    QuietChip& quiet = *chip;
    boardlink::GpioSettings settings{"gpiochip0", {}};
    settings.pins.pin = {17, 27, 22, 23, 24, 25};
    std::string error;
    auto port = boardlink::GpioPort::open(std::move(chip), settings, error);
    if (!port) return bs.SkipWithError(error.c_str());
    for (auto _ : bs) actions::resend_latch(s, *port, kNLatch);
    per_iteration(bs, "sets_per_latch", double(quiet.sets));
}

}  // namespace

BENCHMARK(BM_LatchWriteOverUsb);
BENCHMARK(BM_PlainHopOverUsb);
BENCHMARK(BM_SupplyMeasurementOverUsb);
BENCHMARK(BM_LatchWriteOverGpio);

BENCHMARK_MAIN();
