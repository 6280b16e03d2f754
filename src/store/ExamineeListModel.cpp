#include "store/ExamineeListModel.h"

#include "core/SearchText.h"

#include <QSqlError>
#include <QSqlQuery>

#include <limits>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

QStringList Columns(ExamineeList list) {
    switch (list) {
    case ExamineeList::Registry:
        return {u"id"_s,     u"FullName"_s, u"Alter"_s,      u"Geschlecht"_s, u"Heirat"_s,
                u"Datum1"_s, u"Bildung"_s,  u"TelNummer1"_s, u"Tester"_s,     u"Code"_s};
    case ExamineeList::Brief:
        return {u"id"_s, u"FullName"_s, u"Alter"_s, u"Code"_s};
    case ExamineeList::Results:
        return {u"id"_s, u"FullName"_s, u"Alter"_s, u"Code"_s, u"Geschlecht"_s, u"Heirat"_s, u"Bildung"_s};
    }
    return {};
}

} // namespace

ExamineeListModel::ExamineeListModel(Database& db, ExamineeList list, QObject* parent)
    : QAbstractTableModel(parent)
    , m_db(db)
    , m_columns(Columns(list))
    , m_headers(m_columns) {
    reload();
}

int ExamineeListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ExamineeListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ExamineeListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole) ||
        index.row() >= m_rows.size()) {
        return {};
    }
    return m_rows[index.row()].value(index.column());
}

QVariant ExamineeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < m_headers.size()) {
        return m_headers[section];
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool ExamineeListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                      int role) {
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) || section < 0 ||
        section >= m_headers.size()) {
        return false;
    }
    m_headers[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

bool ExamineeListModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !m_atEnd;
}

void ExamineeListModel::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid()) {
        readPage();
    }
}

bool ExamineeListModel::setSearch(const QString& typed) {
    const QString typedBefore = m_typed;
    const QString searchBefore = m_searchText;
    m_typed = typed;
    m_searchText = QString::fromStdString(SearchText(typed.toStdString()));
    if (!reload()) {
        m_typed = typedBefore;
        m_searchText = searchBefore;
        return false;
    }
    return true;
}

bool ExamineeListModel::onServer() const {
    return m_db.isServer();
}

bool ExamineeListModel::reload() {
    // The first page is read aside, so a failed read leaves the grid with the rows it showed
    // rather than with none.
    const qint64 lastIdBefore = m_lastId;
    const bool atEndBefore = m_atEnd;
    m_lastId = std::numeric_limits<qint64>::max();
    m_atEnd = false;
    QVector<QStringList> page;
    if (!readRows(&page)) {
        m_lastId = lastIdBefore;
        m_atEnd = atEndBefore;
        return false;
    }
    beginResetModel();
    m_rows = std::move(page);
    endResetModel();
    return true;
}

bool ExamineeListModel::readPage() {
    if (m_atEnd) {
        return false;
    }
    QVector<QStringList> page;
    if (!readRows(&page)) {
        // No more pages are asked for by scrolling until the list is read again.
        m_atEnd = true;
        return false;
    }
    if (!page.isEmpty()) {
        const int first = static_cast<int>(m_rows.size());
        beginInsertRows({}, first, first + static_cast<int>(page.size()) - 1);
        m_rows += page;
        endInsertRows();
    }
    return true;
}

bool ExamineeListModel::readRows(QVector<QStringList>* page) {
    QStringList quoted;
    for (const QString& c : m_columns) {
        quoted.append(m_db.quotedColumn(c));
    }
    if (!m_db.ensureConnected()) {
        return false;
    }
    QSqlQuery query(m_db.handle());
    query.setForwardOnly(true);
    const QString columns = quoted.join(u", "_s);
    if (m_searchText.isEmpty()) {
        query.prepare(
            u"SELECT %1 FROM IDE WHERE id < ? ORDER BY id DESC LIMIT %2"_s.arg(columns).arg(kPageSize));
    } else {
        // The index's rows come newest first and stop at a page, so a page costs the same at
        // any number of examinees. The trigram index needs three characters; a shorter text
        // is looked for in the index's rows one by one, which soon fills a page.
        // On the server the trigram index (pg_trgm, where the server has it) serves LIKE.
        const bool trigrams = CharacterCount(m_searchText.toStdString()) >= 3;
        const bool server = m_db.isServer();
        const QString match = !trigrams ? u"instr(Text, ?) > 0"_s
                              : server  ? u"Text LIKE ?"_s
                                        : u"ExamineeSearch MATCH ?"_s;
        query.prepare(
            u"SELECT %1 FROM IDE WHERE id IN (SELECT rowid FROM ExamineeSearch WHERE %2 AND rowid < ? "
            u"ORDER BY rowid DESC LIMIT %3) ORDER BY id DESC"_s.arg(columns, match)
                .arg(kPageSize));
        QString quotedText = m_searchText;
        if (!trigrams) {
            query.addBindValue(m_searchText);
        } else if (server) {
            quotedText.replace(u'\\', u"\\\\"_s).replace(u'%', u"\\%"_s).replace(u'_', u"\\_"_s);
            query.addBindValue(u'%' + quotedText + u'%');
        } else {
            query.addBindValue(u'"' + quotedText.replace(u'"', u"\"\""_s) + u'"');
        }
    }
    query.addBindValue(m_lastId);
    bool read = query.exec();
    if (!read && !m_searchText.isEmpty()) {
        // A database without the index (a restored backup of an earlier release, until the
        // next start upgrades it) is searched row by row, by the same search text.
        query.prepare(
            u"SELECT %1 FROM IDE WHERE id < ? AND instr(morvalen_search_text(FullName, Code, TelNummer1, "
            u"Tester), ?) > 0 ORDER BY id DESC LIMIT %2"_s.arg(columns)
                .arg(kPageSize));
        query.addBindValue(m_lastId);
        query.addBindValue(m_searchText);
        read = query.exec();
    }
    if (!read) {
        m_db.setLastError(query.lastError().text());
        m_db.noteFailure(query.lastError());
        return false;
    }
    while (query.next()) {
        QStringList row;
        for (int c = 0; c < m_columns.size(); ++c) {
            const QVariant v = query.value(c);
            row.append(v.isNull() ? QString() : v.toString());
        }
        m_lastId = query.value(0).toLongLong();
        page->append(row);
    }
    query.finish();
    m_atEnd = page->size() < kPageSize;
    return true;
}

int ExamineeListModel::column(const QString& name) const {
    return static_cast<int>(m_columns.indexOf(name));
}

QString ExamineeListModel::value(int row, const QString& columnName) const {
    const int c = column(columnName);
    return row >= 0 && row < m_rows.size() && c >= 0 ? m_rows[row].value(c) : QString();
}

qint64 ExamineeListModel::idAt(int row) const {
    return value(row, u"id"_s).toLongLong();
}

} // namespace morvalen
