// The reports as the user meets them: from the click on the print button to the preview's
// first page ready, and from the click on the Word button to the document written.
#include "SeededDatabase.h"
#include "shell/Desktop.h"
#include "shell/MessageBox.h"
#include "store/ExamineeStore.h"
#include "views/ProfileWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace morvalen;
using namespace Qt::StringLiterals;

namespace {

// A program folder from the delivered files, with one examinee, a stored interpretation and
// the clinic's settings; message boxes answered and no document program started.
struct ReportFolder {
    ReportFolder() {
        bench::CopyDeliveredFiles(dir.path(),
                                  {u"morvalen.mdb"_s, u"Theme.skn"_s, u"NNPic.mdb"_s, u"ATaf.fr3"_s});
        context.programFolder = dir.path();
        context.documentsFolder = dir.path();
        auto db = Database::open(dir.path(), DatabaseFile::Main);
        Examinee e;
        e.code = u"1"_s;
        e.fullName = u"سارا احمدي"_s;
        ExamineeStore(*db).addWithAnswerRow(e);
        ExamineeStore(*db).setComment(u"1"_s, u"تفسير ذخيره شده\r\nسطر دوم"_s);
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        Desktop::setOpenerForTests([](const QUrl&) { return true; });
        AnswerTexts answers;
        for (int i = 0; i < kItemCount; ++i) {
            answers[std::size_t(i)] = std::to_string(1 + i % 6);
        }
        profile = new ProfileWindow(context, ScoreAnswers(answers), u"1"_s);
        profile->setExamineeLine(u"نام: سارا احمدي    سن: 29"_s);
        profile->resize(1100, 700);
        profile->show();
        QApplication::processEvents();
    }
    ~ReportFolder() {
        delete profile;
        Desktop::setOpenerForTests({});
        MessageBox::setFallbackAnswer(QMessageBox::NoButton);
        MessageBox::clearShown();
    }

    QTemporaryDir dir;
    Context context;
    ProfileWindow* profile = nullptr;
};

void BM_PrintClickToFirstPreviewPage(benchmark::State& state) {
    ReportFolder folder;
    for (auto _ : state) {
        folder.profile->m_printButton->click();
        auto* preview = folder.profile->findChild<QPrintPreviewDialog*>();
        auto* pages = preview ? preview->findChild<QPrintPreviewWidget*>() : nullptr;
        while (pages && pages->pageCount() == 0) {
            QApplication::processEvents();
        }
        if (!pages) {
            state.SkipWithError("no preview");
            break;
        }
        state.PauseTiming();
        delete preview;
        state.ResumeTiming();
    }
}

void BM_WordClickToFileWritten(benchmark::State& state) {
    ReportFolder folder;
    const QString path = folder.dir.filePath(u"Morvalen.docx"_s);
    for (auto _ : state) {
        folder.profile->m_wordButton->click();
        if (QFileInfo(path).size() == 0) {
            state.SkipWithError("no document");
            break;
        }
    }
}

} // namespace

BENCHMARK(BM_PrintClickToFirstPreviewPage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_WordClickToFileWritten)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
