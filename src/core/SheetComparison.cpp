#include "core/SheetComparison.h"

namespace morvalen {

std::string ChangeText(int first, int last) {
    const int change = last - first;
    return (change > 0 ? "+" : "") + std::to_string(change);
}

} // namespace morvalen
