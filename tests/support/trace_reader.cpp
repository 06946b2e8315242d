#include "tests/support/trace_reader.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace testing_support {

TraceReading read_trace(const std::string& path) {
    TraceReading r;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (text.empty() || text.back() != '\n') r.problem = text.empty() ? "empty file" : "the last line is cut";
    if (text.empty()) return r;

    std::map<std::string, std::string> id_of;  // signal name -> id
    std::map<std::string, int> level;          // id -> 0/1 (x counts as 0)
    bool definitions = true, in_dump = false;
    long time = -1;
    int clk = 0, le = 0, fail = 0;
    uint32_t shift = 0;
    auto settle = [&] {
        const int new_clk = level[id_of["CLK"]], new_le = level[id_of["LE"]], new_fail = level[id_of["LINKFAIL"]];
        if (!clk && new_clk) shift = ((shift << 1) | level[id_of["DATA"]]) & 0xFFFFFF;
        if (!le && new_le) {
            r.words.push_back(shift);
            r.word_times.push_back(time);
        }
        if (!fail && new_fail) r.link_failed_at = time;
        clk = new_clk, le = new_le, fail = new_fail;
    };

    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line) && r.problem.empty()) {
        std::istringstream ls(line);
        std::string tok;
        ls >> tok;
        if (definitions) {
            if (tok == "$var") {
                std::string type, width, id, name;
                ls >> type >> width >> id >> name;
                id_of[name] = id;
            } else if (tok == "$timescale") {
                std::string amount, unit;
                ls >> amount >> unit;
                const long factor = unit == "us" ? 1000 : unit == "ns" ? 1 : 0;
                r.timescale_ns = std::stol(amount) * factor;
            }
            definitions = tok != "$enddefinitions";
        } else if (tok == "$comment") {
            const size_t start = line.find("$comment") + 8, end = line.rfind("$end");
            if (end == std::string::npos || end < start) {
                r.problem = "comment without $end: " + line;
            } else {
                const std::string body = line.substr(start, end - start);
                const size_t first = body.find_first_not_of(' ');
                r.comments.push_back(first == std::string::npos ? "" : body.substr(first, body.find_last_not_of(' ') + 1 - first));
            }
        } else if (tok == "$dumpvars" || (tok == "$end" && in_dump)) {
            in_dump = tok == "$dumpvars";
        } else if (!tok.empty() && tok[0] == '#') {
            char* end = nullptr;
            const long parsed = std::strtol(tok.c_str() + 1, &end, 10), t = end == tok.c_str() + 1 ? -1 : parsed;
            if (t <= time) r.problem = "step out of order: " + line;
            if (time >= 0) settle();
            time = t;
        } else if (tok.size() >= 2 && tok[0] == 's') {
            std::string id;
            ls >> id;
            if (id != id_of["ACTION"] || id.empty()) r.problem = "a string value of another signal: " + line;
            else r.marks.push_back({time, tok.substr(1)});
        } else if (tok.size() >= 2 && (tok[0] == '0' || tok[0] == '1' || tok[0] == 'x')) {
            const std::string id = tok.substr(1);
            bool known = false;
            for (const auto& [name, known_id] : id_of) known = known || known_id == id;
            if (!known) r.problem = "unknown signal in: " + line;
            if (!in_dump && id == id_of["LD"] && tok[0] == '1' && !level[id]) r.ld_rises.push_back(time);
            level[id] = tok[0] == '1';
            if (!in_dump && id == id_of["STATUS"]) ++r.status_changes;
        } else {
            r.problem = "malformed line: " + line;
        }
    }
    if (definitions && r.problem.empty()) r.problem = "no $enddefinitions";
    settle();
    r.complete = !r.comments.empty() && r.comments.back() == "end of trace";
    return r;
}

std::string temp_path(const std::string& name) {
    return (std::filesystem::temp_directory_path() / ("ksy_" + std::to_string(::getpid()) + "_" + name)).string();
}

}  // namespace testing_support
