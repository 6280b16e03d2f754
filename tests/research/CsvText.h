#pragma once

// Reads CSV text as RFC 4180 writes it (quoted fields, doubled quotes, line breaks inside
// quotes), for the tables PSPP prints and for comparing what other readers give back.
#include <QString>
#include <QStringList>

#include <vector>

namespace morvalen::test {

inline std::vector<QStringList> ParseCsv(const QString& text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c == u',') {
            row.append(field);
            field.clear();
            any = true;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            if (any || !field.isEmpty()) {
                row.append(field);
            }
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.isEmpty()) {
        row.append(field);
        rows.push_back(row);
    }
    return rows;
}

} // namespace morvalen::test
