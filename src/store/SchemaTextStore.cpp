#include "store/SchemaTextStore.h"

namespace morvalen {

using namespace Qt::StringLiterals;

SchemaTextStore::SchemaTextStore(Database& db)
    : m_read(db, u"SELECT Taf FROM Themf WHERE Schema = ? ORDER BY rowid LIMIT 1"_s) {}

QString SchemaTextStore::paragraph(const QString& scaleCode) {
    QString text;
    if (m_read.run({scaleCode}) && m_read.next()) {
        text = m_read.value(0).toString();
    }
    m_read.finish();
    return text;
}

ParagraphLookup ParagraphsFrom(SchemaTextStore* store) {
    return [store](std::string_view code) {
        return store ? store->paragraph(QString::fromUtf8(code.data(), qsizetype(code.size()))).toStdString()
                     : std::string();
    };
}

} // namespace morvalen
