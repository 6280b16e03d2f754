// Damaged and hostile workbooks: the reader must refuse them or read them, never crash, hang
// or write anything. A bounded loop of mutated files, run under the sanitizers in CI.
#include "TestWorkbooks.h"
#include "reports/AnswerImport.h"
#include "reports/XlsxBlankWorkbook.h"
#include "support/Files.h"
#include "support/TempProgramFolder.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <gtest/gtest.h>

#include <random>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

// One mutation of the kinds a broken copy or a hostile sender makes: flipped bytes, bytes
// overwritten with edge values, a cut end, a copied or removed stretch.
QByteArray Mutate(QByteArray bytes, std::mt19937& random) {
    if (bytes.isEmpty()) {
        return bytes;
    }
    const auto pick = [&random](qsizetype n) {
        return static_cast<qsizetype>(
            std::uniform_int_distribution<qsizetype>(0, std::max<qsizetype>(n - 1, 0))(random));
    };
    const int steps = 1 + static_cast<int>(random() % 8);
    for (int s = 0; s < steps && !bytes.isEmpty(); ++s) {
        const qsizetype at = pick(bytes.size());
        switch (random() % 6) {
        case 0:
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
            break;
        case 1: {
            static const char edges[] = {0, 1, 0x7F, static_cast<char>(0x80), static_cast<char>(0xFF)};
            bytes[at] = edges[random() % sizeof edges];
            break;
        }
        case 2:
            bytes.truncate(at);
            break;
        case 3: {
            const qsizetype length = pick(64) + 1;
            bytes.insert(pick(bytes.size()), bytes.mid(at, length));
            break;
        }
        case 4:
            bytes.remove(at, pick(64) + 1);
            break;
        default:
            // Four bytes of a length or offset field set to a large value.
            for (qsizetype i = at; i < std::min(bytes.size(), at + 4); ++i) {
                bytes[i] = static_cast<char>(0xFF);
            }
        }
    }
    return bytes;
}

// The "Workbook" stream of an .xls, to be mutated and put back into a container of its own
// (WrapInOle), so mutations reach the record reader behind the container.
QByteArray WorkbookStream(const QByteArray& file) {
    gsf_init();
    QByteArray out;
    GsfInput* input =
        gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), file.size(), FALSE);
    GsfInfile* ole = gsf_infile_msole_new(input, nullptr);
    g_object_unref(input);
    if (!ole) {
        return out;
    }
    if (GsfInput* stream = gsf_infile_child_by_name(ole, "Workbook")) {
        out.resize(static_cast<qsizetype>(gsf_input_size(stream)));
        gsf_input_read(stream, static_cast<size_t>(out.size()), reinterpret_cast<guint8*>(out.data()));
        g_object_unref(stream);
    }
    g_object_unref(ole);
    return out;
}

class WorkbookFuzz : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.valid()); }

    // Reads every mutant through the import's reader; counts how many were still read.
    // MORVALEN_FUZZ_SCALE multiplies the count for a longer run by hand.
    int run(const QByteArray& seed, const QString& suffix, int count, std::uint32_t seedNumber,
            const std::function<QByteArray(std::mt19937&)>& mutant) {
        count *= std::max(1, qEnvironmentVariableIntValue("MORVALEN_FUZZ_SCALE"));
        std::mt19937 random(seedNumber);
        const QString path = folder.file(u"mutant"_s + suffix);
        int readable = 0;
        for (int i = 0; i < count; ++i) {
            const QByteArray bytes = mutant ? mutant(random) : Mutate(seed, random);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                ADD_FAILURE() << "cannot write the mutant";
                return readable;
            }
            f.write(bytes);
            f.close();
            const AnswerWorkbook workbook = ReadAnswerWorkbook(path);
            if (workbook.status == ImportStatus::Imported) {
                ++readable;
            } else {
                EXPECT_TRUE(workbook.status == ImportStatus::Unreadable ||
                            workbook.status == ImportStatus::WrongMarker);
            }
        }
        return readable;
    }

    test::TempProgramFolder folder;
};

TEST_F(WorkbookFuzz, MutatedXlsxFilesNeverCrashTheReader) {
    const QString seedPath = folder.file(u"seed.xlsx"_s);
    QStringList questions;
    for (int i = 1; i <= kItemCount; ++i) {
        questions.append(u"سوال %1"_s.arg(i));
    }
    ASSERT_TRUE(WriteBlankAnswerWorkbook(seedPath, questions, nullptr));
    const QByteArray seed = test::ReadAll(seedPath);
    ASSERT_EQ(ReadAnswerWorkbook(seedPath).status, ImportStatus::Imported);

    // Raw mutations mostly break the zip layer; re-zipped mutations of the parts reach the
    // XML readers behind it.
    const int raw = run(seed, u".xlsx"_s, 1000, 1, nullptr);
    const auto entries = test::ZipEntries(seed);
    ASSERT_FALSE(entries.isEmpty());
    const int parts = run({}, u".xlsx"_s, 1000, 2, [&](std::mt19937& random) {
        auto mutated = entries;
        auto& entry = mutated[static_cast<qsizetype>(random() % mutated.size())];
        entry.second = Mutate(entry.second, random);
        return test::MakeZip(mutated);
    });
    RecordProperty("readable_raw", raw);
    RecordProperty("readable_parts", parts);
    EXPECT_GT(parts, 0) << "some mutants must still be read, or the loop tests only the zip layer";
}

TEST_F(WorkbookFuzz, MutatedOdsFilesNeverCrashTheReader) {
    QByteArray rows =
        "<table:table-row><table:table-cell table:number-columns-repeated=\"16384\"/></table:table-row>";
    for (int item = 1; item <= kItemCount; ++item) {
        rows += "<table:table-row table:number-rows-repeated=\"1\"><table:table-cell "
                "table:number-columns-repeated=\"2\"/>";
        rows += item % 2 ? "<table:table-cell office:value-type=\"float\" office:value=\"" +
                               QByteArray::number(item % 6 + 1) + "\"><text:p>x</text:p></table:table-cell>"
                         : QByteArray("<table:table-cell office:value-type=\"string\"><text:p><text:s "
                                      "text:c=\"2\"/>2<text:span>x</text:span></text:p></table:table-cell>");
        if (item == 2) {
            rows += "<table:table-cell table:number-columns-repeated=\"22\"/><table:table-cell "
                    "office:value-type=\"string\"><text:p>Morvalen</text:p></table:table-cell>";
        }
        rows += "</table:table-row>";
    }
    const QString seedPath = test::WriteTestOds(folder.file(u"seed.ods"_s), rows);
    ASSERT_EQ(ReadAnswerWorkbook(seedPath).status, ImportStatus::Imported);
    const QByteArray seed = test::ReadAll(seedPath);
    const auto entries = test::ZipEntries(seed);
    ASSERT_FALSE(entries.isEmpty());
    const int raw = run(seed, u".ods"_s, 300, 5, nullptr);
    // The content part mutated, so the mutations reach the XML reader.
    const int parts = run({}, u".ods"_s, 1000, 6, [&](std::mt19937& random) {
        auto mutated = entries;
        for (auto& entry : mutated) {
            if (entry.first == u"content.xml"_s) {
                entry.second = Mutate(entry.second, random);
            }
        }
        return test::MakeZip(mutated);
    });
    RecordProperty("readable_raw", raw);
    RecordProperty("readable_parts", parts);
    EXPECT_GT(parts, 0) << "some mutants must still be read, or the loop tests only the zip layer";
}

TEST_F(WorkbookFuzz, MutatedXlsFilesNeverCrashTheReader) {
    std::map<int, test::TestCell> answers;
    for (int item = 1; item <= kItemCount; ++item) {
        answers[item] = item % 2 ? test::TestCell(static_cast<double>(item % 6 + 1)) : test::TestCell(u"2"_s);
    }
    test::TestCells cells = test::AnswerCells(u"Morvalen"_s, answers);
    cells[{0, 1}] = u"سوال"_s;
    const QString seedPath = folder.file(u"seed.xls"_s);
    ASSERT_TRUE(test::WriteTestXls(seedPath, u"morvalen.example"_s, cells));
    ASSERT_EQ(ReadAnswerWorkbook(seedPath).status, ImportStatus::Imported);
    const QByteArray seed = test::ReadAll(seedPath);
    const int raw = run(seed, u".xls"_s, 1000, 3, nullptr);
    const QByteArray stream = WorkbookStream(seed);
    ASSERT_FALSE(stream.isEmpty());
    const int records = run({}, u".xls"_s, 1000, 4,
                            [&](std::mt19937& random) { return test::WrapInOle(Mutate(stream, random)); });
    RecordProperty("readable_raw", raw);
    RecordProperty("readable_records", records);
    EXPECT_GT(records, 0) << "some mutants must still be read, or the loop tests only the container";
}

} // namespace
} // namespace morvalen
