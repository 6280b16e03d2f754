#include "reports/SheetComparison.h"

#include "core/SchemaScale.h"
#include "core/SheetComparison.h"

namespace morvalen {

using namespace Qt::StringLiterals;

QVector<QStringList> SheetComparison::tableRows() const {
    QVector<QStringList> rows;
    if (!compares()) {
        return rows;
    }
    rows.append(QStringList{u"طرحواره"_s} + titles + QStringList{u"تغيير"_s});
    const auto& scales = SchemaScales();
    for (int scale = 0; scale < kScaleCount; ++scale) {
        const std::string_view caption = scales[scale].caption;
        QStringList row{QString::fromUtf8(caption.data(), qsizetype(caption.size())).trimmed()};
        for (const auto& sheet : percents) {
            row.append(QString::number(sheet[scale]));
        }
        row.append(QString::fromStdString(ChangeText(percents.first()[scale], percents.last()[scale])));
        rows.append(row);
    }
    return rows;
}

} // namespace morvalen
