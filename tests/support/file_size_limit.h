#pragma once
// Lowers this process's file-size limit while it lives, as a nearly full disk would: a write past
// it fails with EFBIG (SIGXFSZ is ignored meanwhile instead of ending the process).
#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace testing_support {

class FileSizeLimit {
public:
    explicit FileSizeLimit(uint64_t bytes) : old_handler_(signal(SIGXFSZ, SIG_IGN)) {
        getrlimit(RLIMIT_FSIZE, &old_);
        const struct rlimit limit{bytes, old_.rlim_max};
        ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old_); signal(SIGXFSZ, old_handler_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    sighandler_t old_handler_;
    struct rlimit old_ {};
    bool ok_ = false;
};

}  // namespace testing_support
