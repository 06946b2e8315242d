#include "link/trace.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace boardlink {
namespace {

// VCD identifier codes of the six signals, in the order CLK, DATA, LE, D3, D4 (data bits 0..4).
constexpr char kDataIds[5] = {'!', '"', '#', '$', '%'};
constexpr char kStatusId = '&';

}  // namespace

std::unique_ptr<TracePort> TracePort::create(std::unique_ptr<Port> inner, const std::string& path,
                                             std::string& error) {
    std::unique_ptr<TracePort> trace(new TracePort(std::move(inner), path));
    if (!trace->file_) {
        error = "Cannot write the trace file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return trace;
}

TracePort::TracePort(std::unique_ptr<Port> inner, std::string path)
    : inner_(std::move(inner)), path_(std::move(path)), file_(path_, std::ios::out | std::ios::trunc) {
    if (!file_) return;
    std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    file_ << "$date " << date << " $end\n"
          << "$version ksy7100-eval board link trace $end\n"
          << "$comment one time step per port access; link: " << inner_->name() << " $end\n"
          << "$timescale 1 us $end\n"
          << "$scope module port $end\n"
          << "$var wire 1 ! CLK $end\n"
          << "$var wire 1 \" DATA $end\n"
          << "$var wire 1 # LE $end\n"
          << "$var wire 1 $ D3 $end\n"
          << "$var wire 1 % D4 $end\n"
          << "$var wire 1 & STATUS $end\n"
          << "$upscope $end\n"
          << "$enddefinitions $end\n"
          << "#0\n$dumpvars\nx!\nx\"\nx#\nx$\nx%\nx&\n$end\n";
    file_.flush();
    check_stream();
}

TracePort::~TracePort() {
    if (file_) {
        file_ << '#' << time_ + 1 << '\n';  // closes the last step so viewers show its length
        file_.flush();
    }
}

void TracePort::record_data(uint8_t value) {
    ++time_;
    if (data_ == value) return;
    file_ << '#' << time_ << '\n';
    for (int bit = 0; bit < 5; ++bit) {
        int now = (value >> bit) & 1;
        if (data_ < 0 || ((data_ >> bit) & 1) != now) file_ << now << kDataIds[bit] << '\n';
    }
    data_ = value;
}

void TracePort::out(uint16_t address, uint8_t value) {
    inner_->out(address, value);
    if (address == kDataRegister) record_data(value);
}

uint8_t TracePort::in(uint16_t address) {
    uint8_t value = inner_->in(address);
    ++time_;
    int bit = (value >> 4) & 1;
    if (address == kStatusRegister && bit != status_) {
        file_ << '#' << time_ << '\n' << bit << kStatusId << '\n';
        status_ = bit;
    }
    return value;
}

void TracePort::flush() {
    inner_->flush();
    file_.flush();
    check_stream();
}

void TracePort::check_stream() {
    if (!file_ && trace_error_.empty())
        trace_error_ = "Writing the trace file " + path_ + " failed: " + std::strerror(errno);
}

std::string TracePort::name() const { return inner_->name() + ", traced to " + path_; }

}  // namespace boardlink
