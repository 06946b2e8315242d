#include "link/trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <ctime>

namespace boardlink {
namespace {

// VCD identifier codes of the signals, in the order CLK, DATA, LE, D3, D4 (data bits 0..4).
constexpr char kDataIds[5] = {'!', '"', '#', '$', '%'};
constexpr char kStatusId = '&';
constexpr char kLinkFailId = '\'';
constexpr char kActionId = '(';
constexpr char kLockDetectId = ')';

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

// A string value: no blanks, no line breaks.
std::string string_value(std::string_view text) {
    std::string clean(text.substr(0, 200));
    for (char& c : clean)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '$') c = '_';
    return clean.empty() ? "_" : clean;
}

// The timescale for a backend clocked at `rate_hz`: the largest power of ten of nanoseconds not
// longer than its period, and 1 us at most (1 us steps keep a long trace small for a viewer).
uint64_t step_ns_for(std::optional<uint32_t> rate_hz) {
    uint64_t step = 1000;
    if (rate_hz && *rate_hz > 0)
        while (step > 1 && step > 1'000'000'000ull / *rate_hz) step /= 10;
    return step;
}

const char* timescale_text(uint64_t step_ns) {
    switch (step_ns) {
    case 1000: return "1 us";
    case 100: return "100 ns";
    case 10: return "10 ns";
    default: return "1 ns";
    }
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
    const auto rate = inner_->access_rate_hz();
    step_ns_ = step_ns_for(rate);
    std::string rate_and_time;
    if (rate && *rate > 0) {
        rate_hz_ = *rate;
        rate_and_time = "rate: bit-bang at " + std::to_string(*rate) +
                        " Hz; time: each transfer at the monotonic clock when it was sent, its accesses one period "
                        "of the rate apart";
    } else {
        rate_and_time = "rate: each access as fast as the link takes it; time: the monotonic clock when each access "
                        "was made, at least one time step after the one before (a nominal access time of one step "
                        "where an access takes less, as on the simulated board)";
    }
    std::time_t wall = std::time(nullptr);
    char date[64];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&wall));
    text_ = std::string("$date ") + date + " $end\n" +
            "$version ksy7100-eval board link trace $end\n"
            "$comment link: " + comment_text(inner_->name()) + "; " + rate_and_time +
            ", from the start of the trace; ACTION names the user action whose latch writes follow $end\n"
            "$timescale " + timescale_text(step_ns_) + " $end\n"
            "$scope module port $end\n"
            "$var wire 1 ! CLK $end\n"
            "$var wire 1 \" DATA $end\n"
            "$var wire 1 # LE $end\n"
            "$var wire 1 $ D3 $end\n"
            "$var wire 1 % D4 $end\n"
            "$var wire 1 & STATUS $end\n"
            "$var wire 1 ' LINKFAIL $end\n"
            "$var string 1 ( ACTION $end\n"
            "$var wire 1 ) LD $end\n"
            "$upscope $end\n"
            "$enddefinitions $end\n"
            "#0\n$dumpvars\nx!\nx\"\nx#\nx$\nx%\nx&\n0'\nx)\n$end\n";
    time_written_ = true;
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
    pending_.push_back({Access::Write, value, std::nullopt});
    if (!sends_at_flush()) confirm();
}

uint8_t TracePort::in(uint16_t address) {
    uint8_t value = inner_->in(address);
    if (!recording() || link_failed_ || link_just_failed()) return value;
    if (address == kStatusRegister) pending_.push_back({Access::Status, value, std::nullopt});
    confirm();  // a batching backend sends what it queued before it can read
    return value;
}

std::optional<bool> TracePort::lock_detect() {
    const auto level = inner_->lock_detect();
    // A line whose edges come stamped is recorded from the stamps alone.
    if (!level || edges_stamped_ || !recording() || link_failed_ || link_just_failed()) return level;
    pending_.push_back({Access::LockDetect, uint8_t(*level), std::nullopt});
    confirm();
    return level;
}

bool TracePort::lock_edges(std::vector<LockEdge>& edges, int64_t& resolution_ns) {
    const size_t first = edges.size();
    if (!inner_->lock_edges(edges, resolution_ns)) return false;
    edges_stamped_ = true;
    if (!recording() || link_failed_ || link_just_failed()) return true;
    // Stamped edges go in at their own times, as far as the steps already written allow: the
    // stamps and the trace both run on the monotonic clock.
    const auto start_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(start_.time_since_epoch()).count();
    for (size_t i = first; i < edges.size(); ++i) {
        const int64_t since_start = std::max<int64_t>(edges[i].at_ns - start_ns, 0);
        pending_.push_back({Access::LockDetect, uint8_t(edges[i].high), uint64_t(since_start) / step_ns_});
    }
    confirm();
    return true;
}

void TracePort::flush() {
    inner_->flush();
    if (!recording()) return;
    if (!link_failed_ && !link_just_failed()) confirm();
    if (write_out()) committed_ = written_;
}

void TracePort::mark(std::string_view action) {
    inner_->mark(action);
    if (recording() && !link_failed_) mark_ = string_value(action);
}

uint64_t TracePort::now() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start_);
    return uint64_t(elapsed.count()) / step_ns_;
}

void TracePort::confirm() {
    if (!pending_.empty()) {
        // A transfer clocked out at a rate goes at once, one period between its accesses; an
        // access made at once is stamped when it was made.
        const uint64_t start = std::max({now(), time_ + 1, clocked_until_});
        auto at = [&](size_t i) { return start + (rate_hz_ ? i * 1'000'000'000ull / rate_hz_ / step_ns_ : i); };
        for (size_t i = 0; i < pending_.size(); ++i)
            render(pending_[i], pending_[i].at ? std::max(*pending_[i].at, time_) : at(i));
        // The adapter clocks the next transfer out once this one is through.
        if (rate_hz_) clocked_until_ = at(pending_.size());
    }
    pending_.clear();
    if (text_.size() > kSpillBytes) write_out();
}

void TracePort::step_to(uint64_t time) {
    if (time_written_ && time == time_) return;
    time_ = time;
    time_written_ = true;
    text_ += '#' + std::to_string(time_) + '\n';
}

void TracePort::render(const Access& access, uint64_t time) {
    if (!mark_.empty()) {
        step_to(time);
        text_ += 's' + mark_ + ' ' + kActionId + '\n';
        mark_.clear();
    }
    if (access.kind == Access::LockDetect) {
        if (lock_detect_ == access.value) return;
        step_to(time);
        text_ += std::string(1, char('0' + access.value)) + kLockDetectId + '\n';
        lock_detect_ = access.value;
    } else if (access.kind == Access::Write) {
        if (data_ == access.value) return;
        step_to(time);
        for (int bit = 0; bit < 5; ++bit) {
            int level = (access.value >> bit) & 1;
            if (data_ < 0 || ((data_ >> bit) & 1) != level) {
                text_ += char('0' + level);
                text_ += kDataIds[bit];
                text_ += '\n';
            }
        }
        data_ = access.value;
    } else {
        int bit = (access.value >> 4) & 1;
        if (bit == status_) return;
        step_to(time);
        text_ += std::string(1, char('0' + bit)) + kStatusId + '\n';
        status_ = bit;
    }
}

void TracePort::mark_link_failure() {
    // What a batching backend had queued never left the PC.
    pending_.clear();
    step_to(std::max(now(), time_ + 1));
    text_ += std::string("1") + kLinkFailId + "\ns" + string_value("LinkFailed:" + inner_->failure()) + ' ' + kActionId +
             '\n';
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
    text_ += '#' + std::to_string(std::max(now(), time_ + 1)) + "\n$comment end of trace $end\n";
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
