#pragma once

#include <QString>

namespace morvalen {

// The bytes free for this user on the volume that holds the folder (or, while the folder
// does not exist yet, its nearest existing parent); -1 when the system cannot tell.
qint64 FreeDiskSpace(const QString& folder);

} // namespace morvalen
