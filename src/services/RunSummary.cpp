#include "services/RunSummary.h"

namespace vinculor {

void RunSummary::setTableCount(const std::string& table, std::size_t records) {
    for (TableCount& entry : tables) {
        if (entry.table == table) {
            entry.records = records;
            return;
        }
    }
    tables.push_back({table, records});
}

std::string RunSummary::toText() const {
    return {};
}

std::string RunSummary::toJson() const {
    return "{}";
}

} // namespace vinculor
