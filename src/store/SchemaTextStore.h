#pragma once

#include "core/Interpretation.h"
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

// The paragraphs for the interpretation rule; with no store (the file could not be opened)
// every paragraph is the empty text.
ParagraphLookup ParagraphsFrom(SchemaTextStore* store);

} // namespace morvalen
