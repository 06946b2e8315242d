#pragma once
// A port that records every data-register write and status read of the port it wraps as a VCD
// waveform, one time step per port access. Signals: CLK (data bit 0), DATA (bit 1), LE (bit 2),
// D3, D4 (bits 3, 4) and STATUS (status bit 4). A waveform viewer's SPI decoder with clk=CLK,
// mosi=DATA, cs=LE (active low) and 24-bit words reads the latch words back.
//
// The file is flushed at the end of every latch write and readback transfer (flush()), so it is
// whole up to the last complete transfer however the program ends.
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "link/port.h"

namespace boardlink {

class TracePort : public Port {
public:
    // Creates the trace file and writes its header. On failure returns nullptr and sets `error`.
    static std::unique_ptr<TracePort> create(std::unique_ptr<Port> inner, const std::string& path,
                                             std::string& error);
    ~TracePort() override;

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    void flush() override;
    std::string name() const override;
    std::string failure() const override { return inner_->failure(); }

    Port& inner() { return *inner_; }
    const std::string& path() const { return path_; }
    // Why the trace could not be written (disk full), once it happened; the link itself goes on.
    const std::string& trace_error() const { return trace_error_; }

private:
    TracePort(std::unique_ptr<Port> inner, std::string path);
    void record_data(uint8_t value);
    void check_stream();

    std::unique_ptr<Port> inner_;
    std::string path_;
    std::ofstream file_;
    uint64_t time_ = 0;
    int data_ = -1;    // last data-register value written to the trace; -1 before the first
    int status_ = -1;  // last status bit written
    std::string trace_error_;
};

}  // namespace boardlink
