#include <cstdio>
#include <string>
#include <vector>

#include "app/options.h"
#include "link/board_link.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    ParsedOptions parsed = parse_options(args);
    if (!parsed.options) {
        std::fprintf(stderr, "ksy7100-eval: %s\n%s", parsed.error.c_str(), usage_text().c_str());
        return 2;
    }
    const Options& options = *parsed.options;
    if (options.help) {
        std::fputs(usage_text().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("ksy7100-eval %s\n", KSY_VERSION);
        return 0;
    }

    boardlink::BoardLink board;
    auto opened = board.open(options.link);
    if (!opened.ok) {
        std::fprintf(stderr, "ksy7100-eval: %s\n", opened.error.c_str());
        return 1;
    }
    if (!opened.claim_error.empty())
        std::fprintf(stderr, "Failed to claim Parallel Port: %s\nUsing the simulated board instead.\n",
                     opened.claim_error.c_str());
    std::printf("Board link: %s\n", board.name().c_str());
    return 0;
}
