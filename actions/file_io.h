#pragma once
// Whole-file reads and writes for the tool's files: a bounded read of a regular file that never
// waits (a FIFO or a device is refused, not opened for a read that blocks), so no file can exhaust
// the memory or stall the tool; and a write that replaces a file whole or not at all, so a failure
// (a full disk, a signal) never leaves half a file where the previous one was.
//
// A file is named to a store: as a path (the user's own choice in a file dialog or on the command
// line), or as a name inside one folder that it can never leave (the command server's). The folder
// is held open as a directory descriptor, and every name is resolved beneath it one component at a
// time without following a symbolic link, and then used through the descriptor of the folder it
// names: swapping a subfolder for a link between the resolving and the use leads nowhere else.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace actions {

struct FileText {
    std::optional<std::string> text;  // at most `limit` + 1 bytes, so a caller sees the file is too large
    std::string cause;                // why it could not be read
};

class FileStore {
public:
    virtual ~FileStore() = default;
    virtual FileText read(const std::string& name, size_t limit) const = 0;
    // Writes `text` into a temporary file beside the file named, flushes it to the disk and then
    // puts it in that file's place. Empty on success, else the cause; the temporary file is gone
    // either way.
    virtual std::string write(const std::string& name, std::string_view text) const = 0;
};

// Names are paths.
class PathStore : public FileStore {
public:
    FileText read(const std::string& path, size_t limit) const override;
    std::string write(const std::string& path, std::string_view text) const override;
};

// Names lead into one folder and its subfolders, never out of them.
class FolderStore : public FileStore {
public:
    explicit FolderStore(const std::string& folder);
    ~FolderStore() override;
    FolderStore(const FolderStore&) = delete;
    FolderStore& operator=(const FolderStore&) = delete;

    FileText read(const std::string& name, size_t limit) const override;
    std::string write(const std::string& name, std::string_view text) const override;

    // Runs once a name's folder is open, before the file is opened, created or renamed in it: a
    // seam where tests change the folder tree as an attacker would.
    std::function<void()> before_use;

private:
    int folder_fd_ = -1;
    std::string open_error_;  // why the folder itself could not be opened
};

FileText read_file(const std::string& path, size_t limit);
std::string write_file_atomically(const std::string& path, std::string_view text);

}  // namespace actions
