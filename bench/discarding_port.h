#pragma once
// A port that takes the bytes and does nothing with them, so a figure is the program's own.
#include <benchmark/benchmark.h>

#include "link/port.h"

class DiscardingPort : public boardlink::Port {
public:
    void out(uint16_t, uint8_t value) override {
        benchmark::DoNotOptimize(value);
        ++writes;
    }
    uint8_t in(uint16_t) override { return 0xFF; }
    std::string name() const override { return "discarding port"; }
    uint64_t writes = 0;
};
