#pragma once

#include <QString>
#include <QVector>

class QWidget;

namespace morvalen {

// Open and save dialogs. A filter is given as the program writes it, description and
// pattern pairs separated by vertical bars ("Excel |*.xls|Excel 2007 |*.xlsx"); the first
// pair is the default. A cancelled dialog gives the empty text. The current folder is put
// back afterwards, so a dialog never moves the program away from its own folder.
class FileDialog {
public:
    static QString getOpenFileName(QWidget* parent, const QString& title, const QString& startFolder,
                                   const QString& filter);
    // suggested: a full path or a bare name in startFolder. *selectedFilter, when given,
    // receives the filter the user chose in Qt's form ("Excel 2007 (*.xlsx)").
    static QString getSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
                                   const QString& suggested, const QString& filter,
                                   QString* selectedFilter = nullptr);

    // "Excel |*.xls|All |*.*" as Qt writes it: "Excel (*.xls);;All (*.*)".
    static QString QtFilter(const QString& barFilter);

    // A chosen save name with the suffix (".pdf") added only when it does not end in it
    // already, in any letter case: "report.PDF" stays, "report" becomes "report.pdf".
    static QString WithSuffix(const QString& name, const QString& suffix);

    struct Record {
        bool save = false;
        QString title;
        QString startFolder;
        QString suggested;
        QString filter;
    };
    // Test hooks: a queued name (empty for Cancel) answers the next dialog without showing it.
    static void setNextFileName(const QString& name);
    static void clearNextFileNames();
    static const QVector<Record>& shown();
    static void clearShown();
};

} // namespace morvalen
