#pragma once
// Whole-file reads and writes for the tool's files: a bounded read, so no file can exhaust the
// memory, and a write that replaces a file whole or not at all, so a failure (a full disk, a
// signal) never leaves half a file where the previous one was.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace actions {

struct FileText {
    std::optional<std::string> text;  // at most `limit` + 1 bytes, so a caller sees the file is too large
    std::string cause;                // why it could not be read
};
FileText read_file(const std::string& path, size_t limit);

// Writes `text` into a temporary file beside `path`, flushes it to the disk and then puts it in
// the place of `path`. Empty on success, else the cause; the temporary file is gone either way.
std::string write_file_atomically(const std::string& path, std::string_view text);

}  // namespace actions
