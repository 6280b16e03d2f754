#pragma once

// Real readers of the exported files: LibreOffice for documents and workbooks, poppler for PDFs.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <optional>

namespace morvalen::test {

inline bool HaveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program to its end; its standard output, or nothing when it failed.
inline std::optional<QByteArray> RunProgram(const QString& program, const QStringList& arguments,
                                            int timeoutMs = 120000) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// Converts a file with LibreOffice headless ("pdf", "txt:Text (encoded):UTF8", ...) into outDir
// and gives the new file's path, or the empty text.
inline QString ConvertWithLibreOffice(const QString& file, const QString& format, const QString& extension,
                                      const QString& outDir) {
    const QString profile = QDir(outDir).filePath(QStringLiteral("lo-profile"));
    const auto done =
        RunProgram(QStringLiteral("soffice"),
                   {QStringLiteral("--headless"), QStringLiteral("-env:UserInstallation=file://") + profile,
                    QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir, file});
    const QString out =
        QDir(outDir).filePath(QFileInfo(file).completeBaseName() + QLatin1Char('.') + extension);
    return done && QFileInfo::exists(out) ? out : QString();
}

// A text folded so that what a reader extracts compares with what the program wrote: the
// Arabic presentation forms back to letters, the Persian and Arabic yeh and kaf as one (a
// font draws both with one glyph, and the reader names only one of them), and the invisible
// joiners and direction marks removed.
inline QString Folded(const QString& text) {
    QString out = text.normalized(QString::NormalizationForm_KC);
    out.replace(QChar(0x06CC), QChar(0x064A)).replace(QChar(0x06A9), QChar(0x0643));
    out.remove(QChar(0x200C)).remove(QChar(0x200E)).remove(QChar(0x200F));
    for (char16_t mark = 0x202A; mark <= 0x202E; ++mark) {
        out.remove(QChar(mark));
    }
    for (char16_t mark = 0x2066; mark <= 0x2069; ++mark) {
        out.remove(QChar(mark));
    }
    return out;
}

// Folded, and without blanks: pdftotext moves the blanks around numbers in right-to-left lines.
inline QString Squeezed(const QString& text) {
    QString out = Folded(text);
    out.removeIf([](QChar c) { return c.isSpace(); });
    return out;
}

// The text of a PDF as pdftotext gives it, folded.
inline QString PdfText(const QString& pdf, const QStringList& options = {}) {
    const auto text =
        RunProgram(QStringLiteral("pdftotext"), QStringList(options) << pdf << QStringLiteral("-"));
    return text ? Folded(QString::fromUtf8(*text)) : QString();
}

} // namespace morvalen::test
