#pragma once
// Running the tool as a user without rights to a device node: CI runs as root, to whom every node
// is open, so the tool is started through setpriv as user nobody.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testing_support {

// The words that start the tool as nobody, or empty with `why_not` set when that cannot be done.
inline std::vector<std::string> as_nobody(std::string& why_not) {
    if (::geteuid() != 0) {
        why_not = "not running as root: the node's permissions are this user's own";
        return {};
    }
    if (::access("/usr/bin/setpriv", X_OK) != 0) {
        why_not = "setpriv (util-linux) is not installed";
        return {};
    }
    return {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
}

// Gives the bed's node to root alone. umockdev makes the node a link to a terminal of its own,
// which a chmod would pass through to, so the link gives way to a file of root's.
inline void close_node(const std::string& root, const std::string& devnode) {
    const std::string path = root + devnode;
    ::unlink(path.c_str());
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    if (fd >= 0) ::close(fd);
}

}  // namespace testing_support
