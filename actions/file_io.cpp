#include "actions/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <random>
#include <vector>

namespace actions {
namespace {

std::string cause_of(int error) { return std::strerror(error); }

// A descriptor, closed when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    int get() const { return fd_; }
    // Closes it now, for the error a close reports (a delayed write failure).
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

// Where a file name leads: the folder that holds it, open, and its own name in there.
struct Place {
    Fd folder;
    std::string leaf;
    bool follow_links = true;  // a user's own path may lead through links; a store's names may not
    std::string problem;       // why the name leads nowhere
};

bool plain_leaf(std::string_view leaf) { return !leaf.empty() && leaf != "." && leaf != ".."; }

const char* const kNotPlain = "not the name of a file (it names a folder)";

// A control character has no place in a file name, and a NUL would cut the name short for the
// system, after the checks here saw all of it.
bool holds_control_character(std::string_view name) {
    return std::any_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}
const char* const kControlCharacter = "the name holds a control character (a NUL, a line feed...)";

Place place_of_path(const std::string& path) {
    Place p;
    if (holds_control_character(path)) {
        p.problem = kControlCharacter;
        return p;
    }
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    p.leaf = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!plain_leaf(p.leaf)) {
        p.problem = kNotPlain;
        return p;
    }
    p.folder = Fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (p.folder.get() < 0) p.problem = cause_of(errno);
    return p;
}

// A name beneath the folder `base`, resolved one component at a time, none of them a link.
Place place_beneath(int base, const std::string& name) {
    Place p;
    p.follow_links = false;
    if (holds_control_character(name)) {
        p.problem = kControlCharacter;
        return p;
    }
    if (name.empty() || name.front() == '/') {
        p.problem = name.empty() ? "a file name is needed"
                                 : "only names inside the server's folder are allowed, not absolute paths";
        return p;
    }
    std::vector<std::string> parts;
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find('/', start);
        if (end == std::string::npos) end = name.size();
        parts.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    p.leaf = parts.back();
    parts.pop_back();
    if (!plain_leaf(p.leaf)) {
        p.problem = kNotPlain;
        return p;
    }
    p.folder = Fd(::fcntl(base, F_DUPFD_CLOEXEC, 0));
    for (const std::string& part : parts) {
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            p.problem = "only names inside the server's folder are allowed, not '..'";
            return p;
        }
        Fd next(::openat(p.folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next.get() < 0) {
            const int error = errno;
            struct stat st {};
            const bool link = error == ELOOP || (::fstatat(p.folder.get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                                                 S_ISLNK(st.st_mode));
            p.problem = "'" + part.substr(0, 40) + "' is " +
                        (link ? std::string("a symbolic link, which the command server does not follow")
                         : error == ENOTDIR ? std::string("not a folder")
                                            : cause_of(error));
            return p;
        }
        p.folder = std::move(next);
    }
    if (p.folder.get() < 0) p.problem = cause_of(errno);
    return p;
}

// What is at the place now: nothing (ENOENT), a regular file, or something refused.
std::string refused_kind(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return cause_of(EISDIR);
    if (S_ISLNK(st.st_mode)) return "a symbolic link, which the command server does not follow";
    if (!S_ISREG(st.st_mode)) return "not a regular file (a FIFO, a device or a socket)";
    return {};
}

FileText read_at(const Place& p, size_t limit) {
    if (!p.problem.empty()) return {std::nullopt, p.problem};
    const int nofollow = p.follow_links ? 0 : O_NOFOLLOW;
    // Looked at before it is opened, so no FIFO or device is ever opened; then opened without
    // waiting and looked at again, in case it was swapped in between.
    struct stat st {};
    if (::fstatat(p.folder.get(), p.leaf.c_str(), &st, p.follow_links ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return {std::nullopt, cause_of(errno)};
    if (auto refused = refused_kind(st); !refused.empty()) return {std::nullopt, refused};
    Fd fd(::openat(p.folder.get(), p.leaf.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | nofollow));
    if (fd.get() < 0) return {std::nullopt, errno == ELOOP ? refused_kind(st) : cause_of(errno)};
    if (::fstat(fd.get(), &st) != 0) return {std::nullopt, cause_of(errno)};
    if (auto refused = refused_kind(st); !refused.empty()) return {std::nullopt, refused};

    std::string text;
    char buffer[8192];
    while (text.size() <= limit) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {std::nullopt, cause_of(errno)};
        if (n == 0) break;
        text.append(buffer, size_t(n));
    }
    if (text.size() > limit + 1) text.resize(limit + 1);
    return {std::move(text), {}};
}

// A short name for the temporary file, so that any file name the system allows can be saved.
std::string temporary_name(std::mt19937& random) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string name = ".ksy";
    for (int i = 0; i < 8; ++i) name += letters[random() % (sizeof letters - 1)];
    return name;
}

std::string write_at(const Place& p, std::string_view text) {
    if (!p.problem.empty()) return p.problem;
    const int folder = p.folder.get();
    // The file replaced keeps its mode; a new one is created with read and write for all, less
    // the umask, which the system applies to the creating call itself (reading the process-wide
    // umask would mean setting it, a moment in which another thread's files get the wrong mode).
    std::optional<mode_t> kept_mode;
    struct stat st {};
    if (::fstatat(folder, p.leaf.c_str(), &st, p.follow_links ? 0 : AT_SYMLINK_NOFOLLOW) == 0) {
        if (auto refused = refused_kind(st); !refused.empty()) return refused;
        kept_mode = st.st_mode & 07777;
    }

    std::mt19937 random(std::random_device{}());
    std::string temporary;
    Fd fd;
    for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
        temporary = temporary_name(random);
        fd = Fd(::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         kept_mode ? 0600 : 0666));
        if (fd.get() < 0 && errno != EEXIST) return cause_of(errno);
    }
    if (fd.get() < 0) return cause_of(EEXIST);
    auto fail = [&](int error) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return cause_of(error);
    };
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? errno : EIO);
        done += size_t(n);
    }
    if ((kept_mode && ::fchmod(fd.get(), *kept_mode) != 0) || ::fsync(fd.get()) != 0) return fail(errno);
    if (fd.close() != 0) return fail(errno);
    if (::renameat(folder, temporary.c_str(), folder, p.leaf.c_str()) != 0) return fail(errno);
    ::fsync(folder);  // the new name too reaches the disk
    return {};
}

}  // namespace

FileText PathStore::read(const std::string& path, size_t limit) const { return read_at(place_of_path(path), limit); }

std::string PathStore::write(const std::string& path, std::string_view text) const {
    return write_at(place_of_path(path), text);
}

FolderStore::FolderStore(const std::string& folder) {
    folder_fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_fd_ < 0) open_error_ = "the folder " + folder.substr(0, 80) + " cannot be opened: " + cause_of(errno);
}

FolderStore::~FolderStore() {
    if (folder_fd_ >= 0) ::close(folder_fd_);
}

FileText FolderStore::read(const std::string& name, size_t limit) const {
    if (folder_fd_ < 0) return {std::nullopt, open_error_};
    Place p = place_beneath(folder_fd_, name);
    if (p.problem.empty() && before_use) before_use();
    return read_at(p, limit);
}

std::string FolderStore::write(const std::string& name, std::string_view text) const {
    if (folder_fd_ < 0) return open_error_;
    Place p = place_beneath(folder_fd_, name);
    if (p.problem.empty() && before_use) before_use();
    return write_at(p, text);
}

FileText read_file(const std::string& path, size_t limit) { return PathStore().read(path, limit); }

std::string write_file_atomically(const std::string& path, std::string_view text) {
    return PathStore().write(path, text);
}

}  // namespace actions
