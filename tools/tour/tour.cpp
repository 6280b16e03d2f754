// A tour of the whole interface: starts the program on a scratch copy of the delivered data,
// opens every window in turn through the same commands the toolbar runs, and writes one
// picture per window. Usage: morvalen_tour <output folder>   (see scripts/screenshot-tour.sh)
#include "shell/Appearance.h"
#include "shell/Desktop.h"
#include "shell/ExitQuestion.h"
#include "shell/InputDialog.h"
#include "shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/TimedMessage.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/ProgramFolder.h"
#include "update/DownloadWindow.h"
#include "update/UpdateCommands.h"
#include "update/UpdatePopup.h"
#include "views/AnswerSheetWindow.h"
#include "views/BackupWindow.h"
#include "views/ExamineeFileWindow.h"
#include "views/ProfileWindow.h"
#include "views/QuestionnaireWindow.h"
#include "views/RegistryWindow.h"
#include "views/ResultsWindow.h"
#include "views/SettingsWindow.h"
#include "views/ViewCommands.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using namespace morvalen;
using namespace Qt::StringLiterals;

namespace {

QString g_out;
int g_count = 0;

void Settle(int ms = 300) {
    QTest::qWait(ms);
}

void Save(QWidget* window, const QString& name) {
    if (!window) {
        std::fprintf(stderr, "missing: %s\n", qPrintable(name));
        return;
    }
    Settle();
    const QString path = QDir(g_out).filePath(u"%1-%2.png"_s.arg(++g_count, 2, 10, QChar(u'0')).arg(name));
    window->window()->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

// The top-level window of a class that is showing now.
template <typename W> W* Showing() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* match = qobject_cast<W*>(w); match && match->isVisible()) {
            return match;
        }
    }
    return nullptr;
}

QWidget* ShowingNamed(const QString& objectName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->objectName() == objectName) {
            return w;
        }
    }
    return nullptr;
}

void Seed(const QString& folder) {
    auto db = Database::open(folder, DatabaseFile::Main);
    ExamineeStore examinees(*db);
    AnswerStore answers(*db);
    const QString names[] = {u"سارا احمدي"_s, u"علي رضايي"_s, u"مريم كريمي"_s};
    for (int i = 0; i < 3; ++i) {
        Examinee e;
        e.code = QString::number(i + 1);
        e.fullName = names[i];
        e.age = QString::number(25 + 7 * i);
        e.gender = i == 1 ? u"مرد"_s : u"زن"_s;
        examinees.addWithAnswerRow(e);
        AnswerRow row;
        for (int item = 0; item < kItemCount; ++item) {
            row[std::size_t(item)] = QString::number(1 + (item * (i + 3)) % 6);
        }
        answers.setRow(e.code, row);
    }
    // The longest lists of items answered 5 or 6: every answer "6". Newest, so first in the list.
    Examinee all;
    all.code = u"4"_s;
    all.fullName = u"همه پاسخ ها شش"_s;
    examinees.addWithAnswerRow(all);
    AnswerRow sixes;
    sixes.fill(u"6"_s);
    answers.setRow(all.code, sixes);

    // Examinee 1 answered twice before the sheet she holds now: at intake, high on most
    // scales, and after some months of work, lower; both sheets kept.
    AdministrationStore administrations(*db);
    const struct {
        QString date;
        QDateTime at;
        int base;
        int spread;
    } kept[] = {{u"1403/03/10"_s, QDateTime(QDate(2024, 5, 30), QTime(10, 15)), 3, 4},
                {u"1403/07/15"_s, QDateTime(QDate(2024, 10, 6), QTime(17, 40)), 2, 4}};
    const AnswerRow now = answers.row(u"1"_s).value_or(AnswerRow{});
    for (const auto& sheet : kept) {
        AnswerRow row;
        for (int item = 0; item < kItemCount; ++item) {
            row[std::size_t(item)] = QString::number(sheet.base + (item * 7 + sheet.base) % sheet.spread);
        }
        answers.setRow(u"1"_s, row);
        administrations.keep(u"1"_s, sheet.date, sheet.at);
    }
    answers.setRow(u"1"_s, now);
}

// The row of an examinee in a list of examinees, by code (the list's fourth column).
int RowOf(QTableView* list, const QString& code) {
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        if (list->model()->index(row, 3).data().toString() == code) {
            return row;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ConfigureApplication(app);
    if (argc < 2) {
        std::fprintf(stderr, "usage: morvalen_tour <output folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_out);

    QTemporaryDir scratch;
    QString error;
    const QString exeFolder = QCoreApplication::applicationDirPath();
    const QString folder = PrepareProgramFolder(scratch.filePath(u"nowhere"_s), scratch.filePath(u"data"_s),
                                                DefaultSeedFolder(exeFolder), &error);
    if (folder.isEmpty()) {
        std::fprintf(stderr, "no program folder: %s\n", qPrintable(error));
        return 1;
    }
    Seed(folder);
    Context context = Context::Production(folder);
    context.documentsFolder = scratch.path();
    // No box waits for a click and no browser starts.
    MessageBox::setFallbackAnswer(QMessageBox::Ok);
    Desktop::setOpenerForTests([](const QUrl&) { return true; });

    auto services = std::make_shared<MainServices>();
    InstallViewCommands(*services);
    InstallUpdateCommands(*services);
    services->versionProbe = nullptr; // no network in the tour
    MainWindow* main = MainWindow::ShowMain(context, services);
    main->resize(1200, 800);
    Save(main, u"MainWindow"_s);

    // The windows of the toolbar, each closed again before the next.
    const std::pair<int, const char*> commands[] = {{100, "RegistryWindow"},     {101, "AnswerSheetWindow"},
                                                    {140, "ExamineeFileWindow"}, {141, "ResultsWindow"},
                                                    {142, "SettingsWindow"},     {143, "UpdateWindow"},
                                                    {144, "BackupWindow"},       {145, "AboutWindow"}};
    for (const auto& [id, name] : commands) {
        main->runCommand(id);
        QWidget* window = ShowingNamed(QString::fromLatin1(name));
        Save(window, QString::fromLatin1(name));
        if (id == 100 && window) {
            // A search typed with the Persian yeh, finding the name stored with the Arabic one.
            auto* registry = static_cast<RegistryWindow*>(window);
            registry->m_searchEdit->setFocus();
            for (const QChar c : u"رضایی"_s) {
                QTest::sendKeyEvent(QTest::Click, registry->m_searchEdit, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
            }
            Save(registry, u"RegistryWindow-search"_s);
            registry->m_searchEdit->clear();
        }
        if (id == 101 && window) {
            // The second typing of examinee 3's sheet, with two slips: typed blind, then the
            // differences one by one. One is left open, so the results show the mark.
            auto* sheet = static_cast<AnswerSheetWindow*>(window);
            sheet->selectExaminee(1);
            if (!QTest::qWaitFor([sheet] { return !sheet->loadedCode().isEmpty(); }, 5000)) {
                std::fprintf(stderr, "the answer sheet did not load\n");
            }
            const AnswerRow first = AnswerStore(*Database::open(folder, DatabaseFile::Main))
                                        .row(sheet->loadedCode())
                                        .value_or(AnswerRow{});
            sheet->m_secondEntryButton->click();
            const auto typeKey = [sheet](const QString& text) {
                QTest::sendKeyEvent(QTest::Click, sheet->focusWidget(), Qt::Key_unknown, text,
                                    Qt::NoModifier);
            };
            for (int item = 1; item <= kItemCount; ++item) {
                QString answer = first[std::size_t(item - 1)];
                if (item == 12 || item == 35) {
                    answer = answer == u"1"_s ? u"2"_s : u"1"_s;
                }
                typeKey(answer);
                if (item == 60) {
                    Save(sheet, u"AnswerSheetWindow-second-entry"_s);
                }
            }
            Save(sheet, u"AnswerSheetWindow-reconcile"_s);
            typeKey(first[11]);
            Save(sheet, u"AnswerSheetWindow-reconcile-next"_s);
        }
        if (id == 142 && window) {
            // The database page: this workstation's file, then a clinic's server filled in.
            auto* settings = static_cast<SettingsWindow*>(window);
            settings->m_settingsTabs->setCurrentIndex(3);
            Save(settings, u"SettingsWindow-database"_s);
            settings->m_serverDatabaseRadio->setChecked(true);
            settings->m_serverHostEdit->setText(u"192.168.1.10"_s);
            settings->m_databaseNameEdit->setText(u"clinic"_s);
            settings->m_serverUserEdit->setText(u"reception"_s);
            settings->m_requireTlsCheck->setChecked(true);
            Save(settings, u"SettingsWindow-database-server"_s);
            // The server's password prompt, pictured and cancelled.
            QTimer::singleShot(300, [] {
                if (QWidget* prompt = QApplication::activeModalWidget()) {
                    Save(prompt, u"ServerPasswordPrompt"_s);
                    prompt->close();
                }
            });
            InputDialog::getPassword(settings, u"رمز عبور سرور"_s,
                                     u"رمز عبور كاربر «reception» براي پايگاه داده «clinic» روي سرور "
                                     u"«192.168.1.10»:"_s);
            settings->m_settingsTabs->setCurrentIndex(0);
        }
        if (id == 144 && window) {
            static_cast<BackupWindow*>(window)->m_helpButton->click();
            Save(window, u"BackupWindow-help"_s);
        }
        if (id == 140 && window) {
            static_cast<ExamineeFileWindow*>(window)->m_helpButton->click();
            Save(window, u"ExamineeFileWindow-help"_s);
        }
        if (id == 141 && window) {
            // The results of the first examinee, the profile and the printed report's preview.
            auto* results = static_cast<ResultsWindow*>(window);
            results->selectExaminee(0); // every answer "6"
            Save(results, u"ResultsWindow-all-sixes"_s);
            results->m_answersButton->click();
            Save(results, u"ResultsWindow-answers"_s);
            results->m_helpButton->click();
            Save(results, u"ResultsWindow-both-panels"_s);
            results->selectExaminee(1); // hides the answers; the help stays open
            Save(results, u"ResultsWindow-help"_s);
            results->m_helpCloseButton->click();
            Save(results, u"ResultsWindow-scored"_s);
            ProfileWindow* profile = results->openProfile();
            profile->resize(1100, 720);
            Save(profile, u"ProfileWindow"_s);
            profile->m_appearanceCombo->setCurrentText(u"Black"_s);
            profile->m_showScoresCheck->setChecked(true);
            Save(profile, u"ProfileWindow-Black-labels"_s);
            profile->m_interpretationButton->click();
            Save(profile, u"ProfileWindow-interpretation"_s);
            if (QPrintPreviewDialog* preview = profile->printReport()) {
                Save(preview, u"report-preview"_s);
                preview->close();
            }
            profile->close();

            // Examinee 1's kept sheets, then her profile with all three drawn over one another.
            results->show();
            results->selectExaminee(RowOf(results->m_examineeList, u"1"_s));
            Save(results, u"ResultsWindow-sheets"_s);
            ProfileWindow* compared = results->openProfile();
            compared->resize(1100, 720);
            for (int row = 0; row < compared->m_sheetChoiceList->count(); ++row) {
                compared->m_sheetChoiceList->item(row)->setCheckState(Qt::Checked);
            }
            Save(compared, u"ProfileWindow-three-sheets"_s);
            compared->m_showScoresCheck->setChecked(true);
            Save(compared, u"ProfileWindow-three-sheets-scores"_s);
            compared->m_appearanceCombo->setCurrentText(u"Black"_s);
            Save(compared, u"ProfileWindow-three-sheets-Black"_s);
            if (QPrintPreviewDialog* preview = compared->printReport()) {
                Save(preview, u"report-preview-three-sheets"_s);
                preview->close();
            }
            compared->close();
        }
        if (window) {
            window->close();
        }
        Settle(100);
    }

    auto* test = new QuestionnaireWindow(context, u"1"_s, u"سارا احمدي"_s, main);
    test->show();
    Save(test, u"QuestionnaireWindow"_s);
    test->m_startButton->click();
    Save(test, u"QuestionnaireWindow-item"_s);
    test->close();

    // A self-closing box, pictured while it waits for its timer.
    MessageBox::setFallbackAnswer(QMessageBox::NoButton);
    QTimer::singleShot(200, [] { Save(ShowingNamed(u"TimedMessageBox"_s), u"timed-message"_s); });
    ShowTimedMessage(main, u"اطلاعات ذخيره شد"_s, 1500);
    MessageBox::setFallbackAnswer(QMessageBox::Ok);

    // The update notice and its popup, as the start-up probe shows them.
    main->showUpdateNotice();
    Save(main, u"MainWindow-update-notice"_s);
    auto* popup = new UpdatePopup(context, main);
    popup->m_showButton->click();
    Settle(700); // it unfolds in about half a second
    Save(popup->m_popup, u"UpdatePopup"_s);
    popup->m_popup->close();

    auto* progress = new DownloadWindow(context, main);
    progress->show();
    Save(progress, u"DownloadWindow"_s);
    progress->close();

    auto* exit = new ExitQuestion(context, services);
    exit->show();
    Save(exit, u"ExitQuestion"_s);
    exit->hide();

    std::printf("%d pictures in %s\n", g_count, qPrintable(g_out));
    QCoreApplication::exit(0);
    return 0;
}
