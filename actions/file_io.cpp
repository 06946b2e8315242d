#include "actions/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace actions {
namespace {

std::string cause_of(int error) { return std::strerror(error); }

// The mode a new file gets (read and write for all, less the umask), or the mode of the file
// being replaced.
mode_t mode_for(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

FileText read_file(const std::string& path, size_t limit) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {std::nullopt, cause_of(errno)};
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return {std::nullopt, cause_of(EISDIR)};
    }
    std::string text;
    char buffer[8192];
    while (text.size() <= limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return {std::nullopt, cause_of(error)};
        }
        if (n == 0) break;
        text.append(buffer, size_t(n));
    }
    ::close(fd);
    if (text.size() > limit + 1) text.resize(limit + 1);
    return {std::move(text), {}};
}

std::string write_file_atomically(const std::string& path, std::string_view text) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + (folder.back() == '/' ? "" : "/") + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return cause_of(errno);

    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return cause_of(error);
    };
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? errno : EIO);
        done += size_t(n);
    }
    if (::fchmod(fd, mode_for(path)) != 0 || ::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return cause_of(error);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return cause_of(error);
    }
    return {};
}

}  // namespace actions
