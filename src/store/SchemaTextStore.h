#pragma once

#include "store/Database.h"
#include "store/Query.h"

#include <QString>

namespace morvalen {

// The explanatory paragraph of each schema scale (Themf in "Theme.skn").
class SchemaTextStore {
public:
    explicit SchemaTextStore(Database& db);

    // The paragraph of the first row with this scale code; empty text when there is none.
    QString paragraph(const QString& scaleCode);

private:
    PreparedQuery m_read;
};

} // namespace morvalen
