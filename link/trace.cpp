#include "link/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace boardlink {
namespace {

// VCD identifier codes of the signals, in the order CLK, DATA, LE, D3, D4 (data bits 0..4).
constexpr char kDataIds[5] = {'!', '"', '#', '$', '%'};
constexpr char kStatusId = '&';
constexpr char kLinkFailId = '\'';

// Rendered text waiting for a flush is written early past this size, so a caller that never
// flushes cannot make the trace hold the whole run in memory.
constexpr size_t kSpillBytes = 1 << 20;

// A comment's text may not contain the word that ends it, nor line breaks.
std::string comment_text(const std::string& text) {
    std::string clean = text;
    for (char& c : clean)
        if (c == '$' || c == '\n' || c == '\r') c = ' ';
    return clean;
}

}  // namespace

std::unique_ptr<TracePort> TracePort::create(std::unique_ptr<Port> inner, const std::string& path,
                                             std::string& error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = "Cannot write the trace file " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<TracePort> trace(new TracePort(std::move(inner), path, fd));
    if (!trace->recording()) {
        error = trace->trace_error_;
        return nullptr;
    }
    return trace;
}

TracePort::TracePort(std::unique_ptr<Port> inner, std::string path, int fd)
    : inner_(std::move(inner)), path_(std::move(path)), fd_(fd) {
    std::time_t now = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    text_ = std::string("$date ") + date + " $end\n" +
            "$version ksy7100-eval board link trace $end\n"
            "$comment one time step per port access; link: " + comment_text(inner_->name()) + " $end\n"
            "$timescale 1 us $end\n"
            "$scope module port $end\n"
            "$var wire 1 ! CLK $end\n"
            "$var wire 1 \" DATA $end\n"
            "$var wire 1 # LE $end\n"
            "$var wire 1 $ D3 $end\n"
            "$var wire 1 % D4 $end\n"
            "$var wire 1 & STATUS $end\n"
            "$var wire 1 ' LINKFAIL $end\n"
            "$upscope $end\n"
            "$enddefinitions $end\n"
            "#0\n$dumpvars\nx!\nx\"\nx#\nx$\nx%\nx&\n0'\n$end\n";
    if (write_out()) committed_ = written_;
}

TracePort::~TracePort() { finish(); }

bool TracePort::link_just_failed() {
    if (inner_->failure().empty()) return false;
    link_failed_ = true;
    mark_link_failure();
    return true;
}

void TracePort::out(uint16_t address, uint8_t value) {
    inner_->out(address, value);
    if (!recording() || link_failed_ || link_just_failed() || address != kDataRegister) return;
    pending_.push_back({true, value});
    if (!sends_at_flush()) confirm();
}

uint8_t TracePort::in(uint16_t address) {
    uint8_t value = inner_->in(address);
    if (!recording() || link_failed_ || link_just_failed()) return value;
    if (address == kStatusRegister) pending_.push_back({false, value});
    confirm();  // a batching backend sends what it queued before it can read
    return value;
}

void TracePort::flush() {
    inner_->flush();
    if (!recording()) return;
    if (!link_failed_ && !link_just_failed()) confirm();
    if (write_out()) committed_ = written_;
}

void TracePort::confirm() {
    for (const Access& access : pending_) render(access);
    pending_.clear();
    if (text_.size() > kSpillBytes) write_out();
}

void TracePort::render(const Access& access) {
    ++time_;
    if (access.write) {
        if (data_ == access.value) return;
        text_ += '#' + std::to_string(time_) + '\n';
        for (int bit = 0; bit < 5; ++bit) {
            int now = (access.value >> bit) & 1;
            if (data_ < 0 || ((data_ >> bit) & 1) != now) {
                text_ += char('0' + now);
                text_ += kDataIds[bit];
                text_ += '\n';
            }
        }
        data_ = access.value;
    } else {
        int bit = (access.value >> 4) & 1;
        if (bit == status_) return;
        text_ += '#' + std::to_string(time_) + '\n' + char('0' + bit) + kStatusId + '\n';
        status_ = bit;
    }
}

void TracePort::mark_link_failure() {
    // What a batching backend had queued never left the PC.
    pending_.clear();
    ++time_;
    text_ += '#' + std::to_string(time_) + "\n1" + kLinkFailId + "\n$comment link failed: " +
             comment_text(inner_->failure()) + " $end\n";
}

bool TracePort::write_out() {
    size_t done = 0;
    while (done < text_.size()) {
        ssize_t n = ::write(fd_, text_.data() + done, text_.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            written_ += static_cast<uint64_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            stop(n < 0 ? errno : EIO);
            return false;
        }
    }
    text_.clear();
    return true;
}

void TracePort::stop(int err) {
    trace_error_ = "Writing the trace file " + path_ + " failed: " + std::strerror(err);
    // Back to the end of the last whole transfer, so the file still decodes.
    if (::ftruncate(fd_, static_cast<off_t>(committed_)) != 0)
        trace_error_ += std::string(" (cutting it back to its last whole transfer failed too: ") +
                        std::strerror(errno) + ")";
    ::close(fd_);
    fd_ = -1;
    pending_.clear();
    text_.clear();
    text_.shrink_to_fit();
}

void TracePort::finish() {
    if (!recording()) return;
    pending_.clear();  // queued in a batching backend but never flushed: never sent
    text_ += '#' + std::to_string(time_ + 1) + "\n$comment end of trace $end\n";
    if (!write_out()) return;
    committed_ = written_;
    if (::close(fd_) != 0 && trace_error_.empty())
        trace_error_ = "Writing the trace file " + path_ + " failed: " + std::strerror(errno);
    fd_ = -1;
}

std::string TracePort::name() const {
    if (!trace_error_.empty()) return inner_->name() + "; trace to " + path_ + " stopped";
    return inner_->name() + ", traced to " + path_;
}

}  // namespace boardlink
