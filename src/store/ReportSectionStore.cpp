#include "store/ReportSectionStore.h"

#include "core/Interpretation.h"
#include "store/SchemaTextStore.h"

#include <memory>

namespace morvalen {

using namespace Qt::StringLiterals;

ReportSectionStore::ReportSectionStore(Database& db)
    : m_write(db,
              u"UPDATE Tafsir SET Comment = ? WHERE rowid = (SELECT rowid FROM Tafsir WHERE Code = ? ORDER "
              u"BY rowid LIMIT 1)"_s)
    , m_read(db, u"SELECT Comment FROM Tafsir WHERE Code = ? ORDER BY rowid LIMIT 1"_s) {}

bool ReportSectionStore::write(const QString& key, const QString& text) {
    const bool ok = m_write.run({text, key}) && m_write.query().numRowsAffected() > 0;
    m_write.finish();
    return ok;
}

QString ReportSectionStore::read(const QString& key) {
    QString text;
    if (m_read.run({key}) && m_read.next()) {
        text = m_read.value(0).toString();
    }
    m_read.finish();
    return text;
}

int StoreReportSections(const QString& programFolder, const ScoringResult& result) {
    auto sections = Database::open(programFolder, DatabaseFile::ReportSections);
    if (!sections) {
        return 0;
    }
    auto texts = Database::open(programFolder, DatabaseFile::SchemaTexts);
    std::unique_ptr<SchemaTextStore> paragraphs = texts ? std::make_unique<SchemaTextStore>(*texts) : nullptr;
    const ParagraphLookup lookup = ParagraphsFrom(paragraphs.get());
    ReportSectionStore store(*sections);
    int written = 0;
    for (const ReportSection& section : BuildReportSections(result, lookup)) {
        written += store.write(QString::fromStdString(section.key), QString::fromStdString(section.text));
    }
    return written;
}

} // namespace morvalen
