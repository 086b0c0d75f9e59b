#include "support/LogRecords.h"

#include <cctype>

namespace sktest {

std::vector<std::string> SplitLogRecords(const std::string& content)
{
    auto stampAt = [&](size_t pos) {
        static const std::string kShape = "dddd-dd-dd dd:dd:dd,ddd ";
        if (pos + kShape.size() > content.size())
            return false;
        for (size_t i = 0; i < kShape.size(); ++i) {
            char c = content[pos + i];
            if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kShape[i])
                return false;
        }
        return true;
    };
    std::vector<size_t> starts;
    for (size_t pos = 0; pos < content.size(); ++pos) {
        if ((pos == 0 || (pos >= 2 && content.compare(pos - 2, 2, "\n ") == 0)) && stampAt(pos))
            starts.push_back(pos);
    }
    std::vector<std::string> records;
    for (size_t k = 0; k < starts.size(); ++k) {
        size_t begin = starts[k] + 24;
        size_t end = k + 1 < starts.size() ? starts[k + 1] - 2 : content.size() - 2; // drop "\n "
        records.push_back(content.substr(begin, end - begin));
    }
    return records;
}

} // namespace sktest
