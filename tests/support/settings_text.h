#pragma once
// Settings-file texts edited line by line (lines end in CR LF, the first is line 1), so a test
// starts from a file the tool itself wrote and spoils or changes exactly one value.
#include <string>

namespace testing_support {

inline std::string replace_line(std::string text, int line, const std::string& value) {
    size_t start = 0;
    for (int i = 1; i < line; ++i) start = text.find("\r\n", start) + 2;
    return text.replace(start, text.find("\r\n", start) - start, value);
}

}  // namespace testing_support
