#pragma once

#include <string>
#include <string_view>

namespace morvalen {

// The one-line summary of an examinee shown above the results and in the reports: the name,
// then age, gender, marital status and education, each label after four blanks and its
// value after one.
std::string ExamineeSummaryLine(std::string_view fullName, std::string_view age, std::string_view gender,
                                std::string_view maritalStatus, std::string_view education);

} // namespace morvalen
