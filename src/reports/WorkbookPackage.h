#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace morvalen {

// The zip package of an .xlsx or .ods, made safe for liborcus: every part is unpacked here
// (libgsf), every XML part must be well-formed (QXmlStreamReader), and the parts are packed
// again, uncompressed, in a fresh zip. liborcus 0.17 aborts on some malformed XML, so it only
// ever sees XML already checked, and exactly the bytes that were checked. nullopt with the
// reason in *error for a damaged package, or one that unpacks to more than a workbook needs.
std::optional<QByteArray> CheckedPackage(const QByteArray& zip, QString* error);

} // namespace morvalen
