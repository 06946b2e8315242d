#pragma once
// A port that records the data-register writes and status reads of the port it wraps as a VCD
// waveform on a real time axis. Signals: CLK (data bit 0), DATA (bit 1), LE (bit 2), D3, D4
// (bits 3, 4), STATUS (status bit 4), LINKFAIL, ACTION, a string signal that names each user
// action where its latch writes begin ("LoadNow", "HopTick17"), and LD, the lock-detect line as
// each read of it found it (a lock measurement reads it after every hop). A waveform viewer's SPI decoder
// with clk=CLK, mosi=DATA, cs=LE (active low) and 24-bit words reads the latch words back.
//
// Time: the monotonic clock from the trace's start. An access the backend makes at once is
// stamped when it is made, at least one time step after the one before (the simulated board's
// accesses take nanoseconds: one step, 1 us, is its nominal access time); a backend that clocks
// a transfer out at a rate (a USB adapter) has the transfer stamped when it is sent and its
// accesses one period apart. The header's comment says which, with the link and the rate.
//
// The trace shows only what the backend reports as sent: for a backend that writes each access
// at once, every access before the one that failed; for one that sends at flush(), the accesses
// of every flush that succeeded. When the link fails, LINKFAIL goes high and ACTION says
// "LinkFailed:" with the cause, so a reader sees where and why the board stopped following. The
// body holds no comment but the closing one: a comment stops some VCD readers where it stands.
//
// The file is written at the end of every latch write and readback transfer (flush()), so it is
// whole up to the last complete transfer however the program ends; a completed trace ends with
// the comment "end of trace". When the file cannot be written (disk full, size limit), it is cut
// back to the end of the last whole transfer, so it still decodes, and tracing stops; the link
// itself goes on, and trace_error() says why.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/port.h"

namespace boardlink {

class TracePort : public Port {
public:
    // Creates the trace file and writes its header. On failure returns nullptr and sets `error`.
    static std::unique_ptr<TracePort> create(std::unique_ptr<Port> inner, const std::string& path,
                                             std::string& error);
    ~TracePort() override;  // finish(), then the inner port is closed

    void out(uint16_t address, uint8_t value) override;
    uint8_t in(uint16_t address) override;
    void flush() override;
    void mark(std::string_view action) override;
    std::string name() const override;
    std::string failure() const override { return inner_->failure(); }
    bool sends_at_flush() const override { return inner_->sends_at_flush(); }
    std::optional<uint32_t> access_rate_hz() const override { return inner_->access_rate_hz(); }
    std::optional<bool> lock_detect() override;
    bool lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) override;
    std::optional<int64_t> latched_at_ns() const override { return inner_->latched_at_ns(); }

    // Writes the last step and the closing comment and closes the file. Accesses after it are
    // passed on unrecorded.
    void finish();

    Port& inner() { return *inner_; }
    const std::string& path() const { return path_; }
    // Why the trace stopped before its end (the file could not be written); empty while it is fine.
    const std::string& trace_error() const { return trace_error_; }
    bool recording() const { return fd_ >= 0; }

private:
    struct Access {
        enum Kind : uint8_t { Write, Status, LockDetect } kind;  // a data-register write, a status or LD read
        uint8_t value;
        std::optional<uint64_t> at;  // the step it happened at, where the link stamped it
    };

    TracePort(std::unique_ptr<Port> inner, std::string path, int fd);
    bool link_just_failed();
    void confirm();  // the pending accesses reached the board
    uint64_t now() const;  // time steps since the trace began
    void render(const Access& access, uint64_t time);
    void step_to(uint64_t time);
    void mark_link_failure();
    bool write_out();  // false: the file failed, tracing stopped
    void stop(int err);

    std::unique_ptr<Port> inner_;
    std::string path_;
    int fd_ = -1;
    uint64_t written_ = 0;    // bytes in the file
    uint64_t committed_ = 0;  // file size at the end of the last whole transfer
    std::vector<Access> pending_;  // sent to a batching backend, not yet reported as sent
    std::string text_;             // rendered, not yet written
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    uint64_t step_ns_ = 1000;  // the timescale
    uint64_t rate_hz_ = 0;       // a transfer's accesses are clocked out at; 0: each made at once
    uint64_t clocked_until_ = 0;  // the end of the last transfer clocked out at the rate
    uint64_t time_ = 0;          // of the last step written
    bool time_written_ = false;  // "#<time_>" stands before the values being written
    std::string mark_;           // the action to name with the next access
    int data_ = -1;    // last data-register value written to the trace; -1 before the first
    int status_ = -1;  // last status bit written
    int lock_detect_ = -1;  // last lock-detect level written
    bool edges_stamped_ = false;  // the link gives the lock-detect line as stamped edges
    bool link_failed_ = false;
    std::string trace_error_;
};

}  // namespace boardlink
