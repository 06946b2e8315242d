#include "tests/support/tool_process.h"

#include <fcntl.h>
#include <spawn.h>

#include <stdexcept>

#include "tests/support/trace_reader.h"

extern char** environ;

namespace testing_support {

ToolProcess::ToolProcess(const std::vector<std::string>& args, const std::vector<std::string>& prefix,
                         const std::string& input)
    : in_path_(temp_path("tool_stdin.txt")), out_path_(temp_path("tool_stdout.txt")), err_path_(temp_path("tool_stderr.txt")) {
    std::ofstream(in_path_, std::ios::binary) << input;
    std::vector<std::string> words = prefix;
    words.push_back(KSY_EVAL_PROGRAM);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    ::posix_spawn_file_actions_init(&files);
    ::posix_spawn_file_actions_addopen(&files, 0, in_path_.c_str(), O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&files, 1, out_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::posix_spawn_file_actions_addopen(&files, 2, err_path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int started = ::posix_spawnp(&pid_, argv[0], &files, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&files);
    if (started != 0) throw std::runtime_error("cannot start " + words[0]);
}

}  // namespace testing_support
