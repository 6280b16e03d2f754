#include "core/ExamineeSummary.h"

namespace morvalen {

std::string ExamineeSummaryLine(std::string_view fullName, std::string_view age, std::string_view gender,
                                std::string_view maritalStatus, std::string_view education) {
    std::string line(fullName);
    const auto field = [&line](std::string_view label, std::string_view value) {
        line.append("    ").append(label).append(" ").append(value);
    };
    field("سن:", age);
    field("جنسيت:", gender);
    field("وضعيت تاهل:", maritalStatus);
    field("تحصيلات:", education);
    return line;
}

} // namespace morvalen
