#pragma once

#include <optional>

namespace morvalen {

// Whether the machine has a network connection, as far as the system can tell. When it
// cannot tell, the answer is yes: the request itself then finds out.
bool IsConnected();

// Tests fix the answer; nullopt asks the system again.
void SetConnectedForTests(std::optional<bool> connected);

} // namespace morvalen
