#include "import/SolucSchema.h"

namespace vinculor::importing {

std::vector<FieldDef> solucSchema(FieldType day, FieldType period) {
    std::vector<FieldDef> fields;
    for (const std::string_view name : kSolucFields) {
        FieldDef f{std::string(name), FieldType::Character, 10};
        if (name == "DIA" || name == "HORA") {
            f.type = name == "DIA" ? day : period;
            f.width = 0;
        }
        fields.push_back(std::move(f));
    }
    return fields;
}

} // namespace vinculor::importing
