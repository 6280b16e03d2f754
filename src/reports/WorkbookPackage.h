#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>

namespace morvalen {

// The parts of a zip package by their full path inside it ("xl/workbook.xml").
using PackageParts = std::map<QByteArray, QByteArray>;

// The zip package of an .xlsx or .ods, unpacked (libgsf) and checked: every XML part must be
// well-formed. nullopt with the reason in *error for a damaged package, or one that unpacks to
// more than a workbook needs.
std::optional<PackageParts> UnpackedPackage(const QByteArray& zip, QString* error);

} // namespace morvalen
