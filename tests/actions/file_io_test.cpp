// The command server's file folder under abuse: names that lead out of it, links swapped in
// between resolving a name and using it, FIFOs that would block a read, and the longest names.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "actions/file_io.h"

namespace fs = std::filesystem;
using actions::FolderStore;

namespace {

struct Tree {
    Tree() {
        root = fs::path(::testing::TempDir()) / ("file-io-" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "folder/sub");
        fs::create_directories(root / "outside");
        std::ofstream(root / "outside/secret.txt") << "secret";
        std::ofstream(root / "folder/sub/a.txt") << "inside";
        fs::create_directory_symlink(root / "outside", root / "folder/link");
        fs::create_symlink(root / "outside/secret.txt", root / "folder/secret.txt");
        ::mkfifo((root / "folder/fifo").c_str(), 0600);
    }
    ~Tree() { fs::remove_all(root); }
    std::set<std::string> entries(const fs::path& folder) const {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename());
        return names;
    }
    fs::path root;
};

}  // namespace

TEST(FolderStore, NamesLeadIntoTheFolderOnlyAndReadOnlyRegularFilesWithoutWaiting) {
    Tree t;
    FolderStore store((t.root / "folder").string());
    const std::string not_a_file = "not the name of a file (it names a folder)";
    const std::string link = "a symbolic link, which the command server does not follow";
    const std::tuple<std::string, std::string> cases[] = {  // name, the cause of a refusal ("": saved and read)
        {"a.txt", ""}, {"sub/b.txt", ""}, {"./sub//c.txt", ""}, {std::string(255, 'n'), ""},
        {"../a.txt", "only names inside the server's folder are allowed, not '..'"},
        {"sub/../../a.txt", "only names inside the server's folder are allowed, not '..'"},
        {"/etc/passwd", "only names inside the server's folder are allowed, not absolute paths"},
        {"", "a file name is needed"},
        {".", not_a_file}, {"sub/.", not_a_file}, {"sub/", not_a_file},
        {"link/x.txt", "'link' is " + link}, {"secret.txt", link},
        {"fifo", "not a regular file (a FIFO, a device or a socket)"},
        {std::string(256, 'n'), "File name too long"},
        {std::string("..\0/escaped.txt", 15), "the name holds a control character (a NUL, a line feed...)"},
        {"sub/a\nb.txt", "the name holds a control character (a NUL, a line feed...)"},
    };
    for (const auto& [name, cause] : cases) {
        SCOPED_TRACE(name.substr(0, 20));
        EXPECT_EQ(store.write(name, "text"), cause);
        const actions::FileText read = store.read(name, 100);
        EXPECT_EQ(read.cause, cause);
        EXPECT_EQ(read.text, cause.empty() ? std::optional<std::string>("text") : std::nullopt);
    }
    EXPECT_EQ(t.entries(t.root / "outside"), std::set<std::string>{"secret.txt"}) << "nothing written outside";
    EXPECT_EQ(t.entries(t.root), (std::set<std::string>{"folder", "outside"})) << "nor beside the folder";
    EXPECT_EQ(actions::write_file_atomically((t.root / "folder/..").string() + std::string("\0/x", 3), "t"),
              "the name holds a control character (a NUL, a line feed...)") << "a path cut short by a NUL";
    EXPECT_EQ(actions::read_file((t.root / "folder/fifo").string(), 100).cause,
              "not a regular file (a FIFO, a device or a socket)") << "a path read never waits on a FIFO";
}

// An attacker who can write in the folder swaps a subfolder for a link to elsewhere between the
// name's resolving and its use: the save and the load still use the subfolder resolved.
TEST(FolderStore, ASubfolderSwappedForALinkAfterResolvingLeadsNowhereElse) {
    Tree t;
    FolderStore store((t.root / "folder").string());
    store.before_use = [&] {
        fs::rename(t.root / "folder/sub", t.root / "folder/old");
        fs::create_directory_symlink(t.root / "outside", t.root / "folder/sub");
    };
    EXPECT_EQ(store.write("sub/a.txt", "saved"), "");
    EXPECT_EQ(t.entries(t.root / "outside"), std::set<std::string>{"secret.txt"});
    std::ifstream saved(t.root / "folder/old/a.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), "saved");

    fs::remove(t.root / "folder/sub");
    fs::rename(t.root / "folder/old", t.root / "folder/sub");
    store.before_use = [&] {
        fs::rename(t.root / "folder/sub", t.root / "folder/old");
        fs::create_directory_symlink(t.root / "outside", t.root / "folder/sub");
        fs::copy_file(t.root / "outside/secret.txt", t.root / "outside/a.txt");
    };
    EXPECT_EQ(store.read("sub/a.txt", 100).text, std::optional<std::string>("saved"));
}
