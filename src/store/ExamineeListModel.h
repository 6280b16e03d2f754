#pragma once

#include "store/Database.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

namespace morvalen {

// The column lists of the examinee lists; every list shows the newest examinee first.
enum class ExamineeList {
    Registry, // id, FullName, Alter, Geschlecht, Heirat, Datum1, Bildung, TelNummer1, Tester, Code
    Brief,    // id, FullName, Alter, Code (answer sheet, file browser)
    Results,  // id, FullName, Alter, Code, Geschlecht, Heirat, Bildung
};

// A list of examinees for a grid, read a page at a time as the grid scrolls. Every page is
// read by a statement that finishes at once, so a list left open never holds a lock that
// would keep another window from saving. A search narrows it to the examinees whose name,
// code, phone number or tester's name holds the searched text, still newest first.
class ExamineeListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kPageSize = 256;

    ExamineeListModel(Database& db, ExamineeList list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role = Qt::EditRole) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    // Whether the list is read from the clinic's server, where other workstations write too.
    bool onServer() const;
    // Why the last read failed: the database's words (on the server, a lost or absent server
    // is told in Persian first).
    QString lastError() const { return m_db.lastError(); }
    // Reads the list again from the newest examinee. A read that fails (a server gone away)
    // keeps the rows the list had and gives false; the database's last error says why.
    bool reload();

    // Shows only the examinees that match the typed text (all of them for an empty one),
    // compared in search text form (SearchText), and reads the list again; on a failed read
    // the list and its search stay as they were.
    bool setSearch(const QString& typed);
    QString search() const { return m_typed; }

    // The column's position by its name ("Code", "FullName", ...), or -1.
    int column(const QString& name) const;
    QString value(int row, const QString& columnName) const;
    qint64 idAt(int row) const;

private:
    // The next page after m_lastId, appended; false on a failed read, with nothing changed.
    bool readPage();
    // The rows of the page after m_lastId, into *page; moves m_lastId and m_atEnd on success.
    bool readRows(QVector<QStringList>* page);

    Database& m_db;
    QStringList m_columns;
    QStringList m_headers;
    QVector<QStringList> m_rows;
    QString m_typed;
    QString m_searchText; // m_typed in search text form
    qint64 m_lastId = 0;
    bool m_atEnd = false;
};

} // namespace morvalen
