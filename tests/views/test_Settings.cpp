// The settings window and the themes it applies.
#include "shell/Skin.h"
#include "store/QuestionStore.h"
#include "store/SettingsStore.h"
#include "support/GuiFixture.h"
#include "views/SettingsWindow.h"

#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTextEdit>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class SettingsWindowTest : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        main = new QWidget;
        main->show();
        window = new SettingsWindow(context, main);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void TearDown() override {
        ApplyTheme(*qApp, folder.path(), QString()); // back to the system's look
        GuiFixture::TearDown();
    }

    Settings stored() {
        auto db = Database::open(folder.path(), DatabaseFile::Main);
        return SettingsStore(*db).read().value_or(Settings{});
    }

    // Types over the whole field, as a user who selects it first.
    static void typeInto(QLineEdit* field, const QString& text) {
        field->selectAll();
        QTest::keyClicks(field, text);
    }

    // A key as X delivers it: the key code with the text it types, shortcuts tried first.
    static void press(QWidget* widget, Qt::Key key, const QString& text,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::sendKeyEvent(QTest::Click, widget, key, text, modifiers);
    }

    QPointer<QWidget> main;
    QPointer<SettingsWindow> window;
};

// The database page: the connection file it shows and writes, and what it does with a server
// that cannot be used.
class SettingsDatabaseTab : public SettingsWindowTest {
protected:
    QByteArray connectionFile() const {
        QFile file(folder.file(ConnectionFileName()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void writeConnectionFile(const QByteArray& bytes) {
        QFile file(folder.file(ConnectionFileName()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // A fresh window on the database page, reading the connection file as it is now.
    SettingsWindow* reopen() {
        window->close();
        window = new SettingsWindow(context, main);
        window->show();
        window->m_settingsTabs->setCurrentIndex(3);
        return window;
    }
    void fillServer(SettingsWindow* w, const ServerConnection& server) {
        clickIndicator(w->m_serverDatabaseRadio);
        w->m_serverHostEdit->setText(server.host);
        w->m_serverPortEdit->setText(QString::number(server.port));
        w->m_databaseNameEdit->setText(server.database);
        w->m_serverUserEdit->setText(server.user);
        w->m_requireTlsCheck->setChecked(server.requireTls);
    }
    static ServerConnection unreachable() {
        return {u"127.0.0.1"_s, test::TempProgramFolder::closedLocalPort(), u"clinic"_s, u"reception"_s,
                false};
    }
};

TEST_F(SettingsWindowTest, TabsAndMainWindow) {
    ASSERT_EQ(window->m_settingsTabs->count(), 4);
    EXPECT_EQ(window->m_settingsTabs->tabText(0), u"تغيير تم"_s);
    EXPECT_EQ(window->m_settingsTabs->tabText(1), u"مشخصات كلينيك"_s);
    EXPECT_EQ(window->m_settingsTabs->tabText(2), u"ويرايش سوالات"_s);
    EXPECT_EQ(window->m_settingsTabs->tabText(3), u"پايگاه داده"_s);
    // Nine clinic fields, one for each column of the row, and the hidden contact block.
    EXPECT_EQ(window->m_settingsTabs->widget(1)->findChildren<QLineEdit*>().size(), 10);
    EXPECT_EQ(window->m_telegramLabel->text(), u"تلگرام:"_s);
    EXPECT_FALSE(main->isEnabled());
    window->close();
    EXPECT_TRUE(main->isEnabled());
}

TEST_F(SettingsWindowTest, ThemeNumberIsClampedAppliedAndStored) {
    const struct {
        QString typed;
        QString shown;
        QColor window; // the skin's window colour
    } cases[] = {
        {u"0"_s, u"1"_s, QColor(u"#dce8f7"_s)},
        {u"99"_s, u"23"_s, QColor(u"#dbe6f4"_s)},
        {u"11"_s, u"11"_s, QColor(u"#3b3b3b"_s)},
    };
    for (const auto& c : cases) {
        typeInto(window->m_themeNumberEdit, c.typed);
        EXPECT_EQ(window->m_themeNumberEdit->text(), c.shown) << c.typed.toStdString();
        EXPECT_EQ(qApp->palette().color(QPalette::Window), c.window) << c.typed.toStdString();
        EXPECT_EQ(window->palette().color(QPalette::Window), c.window) << "open windows change at once";
        EXPECT_EQ(stored().theme, c.shown);
    }
    QTest::mouseClick(window->m_nextThemeButton, Qt::LeftButton);
    EXPECT_EQ(window->m_themeNumberEdit->text(), u"12"_s);
    typeInto(window->m_themeNumberEdit, u"1"_s);
    QTest::mouseClick(window->m_previousThemeButton, Qt::LeftButton);
    EXPECT_EQ(window->m_themeNumberEdit->text(), u"1"_s) << "back from 1 stays at 1";
}

TEST_F(SettingsWindowTest, NumberFieldsRefuseOtherKeysWithAMessage) {
    window->m_themeNumberEdit->setText(u"5"_s);
    MessageBox::clearShown();
    window->m_themeNumberEdit->setFocus();
    QTest::keyClicks(window->m_themeNumberEdit, u"x"_s);
    EXPECT_EQ(window->m_themeNumberEdit->text(), u"5"_s);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].text, u"شما بايد عدد وارد كنيد"_s);
    EXPECT_TRUE(MessageBox::shown()[0].timed);
    // Pasted text that is not a number counts as empty.
    window->m_themeNumberEdit->setText(u"abc"_s);
    EXPECT_EQ(window->m_themeNumberEdit->text(), u"1"_s);
}

TEST_F(SettingsWindowTest, NumberFieldsTakeKeysAsXDeliversThem) {
    const QString refusal = u"شما بايد عدد وارد كنيد"_s;
    const struct {
        const char* key;
        Qt::Key code;
        QString text;
        Qt::KeyboardModifiers modifiers;
        QString before;
        int cursor;
        QString after;
        bool focusMovesOn;
        bool refused;
    } keys[] = {
        {"Tab", Qt::Key_Tab, u"\t"_s, Qt::NoModifier, u"5"_s, 1, u"5"_s, true, false},
        {"Shift+Tab", Qt::Key_Backtab, u"\t"_s, Qt::ShiftModifier, u"5"_s, 1, u"5"_s, true, false},
        {"Delete", Qt::Key_Delete, u"\x7f"_s, Qt::NoModifier, u"12"_s, 0, u"2"_s, false, false},
        {"Backspace", Qt::Key_Backspace, u"\b"_s, Qt::NoModifier, u"12"_s, 2, u"1"_s, false, false},
        {"Enter", Qt::Key_Return, u"\r"_s, Qt::NoModifier, u"5"_s, 1, u"5"_s, false, false},
        {"Left", Qt::Key_Left, QString(), Qt::NoModifier, u"12"_s, 2, u"12"_s, false, false},
        {"Persian 4", Qt::Key(0x06F4), u"۴"_s, Qt::NoModifier, u"1"_s, 1, u"14"_s, false, false},
        {"Arabic-Indic 4", Qt::Key(0x0664), u"٤"_s, Qt::NoModifier, u"1"_s, 1, u"14"_s, false, false},
        {"letter x", Qt::Key_X, u"x"_s, Qt::NoModifier, u"5"_s, 1, u"5"_s, false, true},
    };
    const struct {
        QLineEdit* field;
        int page;
    } fields[] = {{window->m_themeNumberEdit, 0}, {window->m_questionNumberEdit, 2}};
    for (const auto& f : fields) {
        window->m_settingsTabs->setCurrentIndex(f.page);
        for (const auto& k : keys) {
            const std::string what = f.field->objectName().toStdString() + ", " + k.key;
            f.field->setText(k.before);
            f.field->setFocus();
            f.field->setCursorPosition(k.cursor);
            ASSERT_EQ(window->focusWidget(), f.field) << what;
            MessageBox::clearShown();
            press(f.field, k.code, k.text, k.modifiers);
            EXPECT_EQ(f.field->text(), k.after) << what;
            EXPECT_EQ(window->focusWidget() != f.field, k.focusMovesOn) << what;
            EXPECT_EQ(timedTexts().contains(refusal), k.refused) << what;
        }
    }
    // A question number typed in Persian digits shows that question.
    window->m_questionNumberEdit->setFocus();
    window->m_questionNumberEdit->selectAll();
    press(window->m_questionNumberEdit, Qt::Key(0x06F2), u"۲"_s);
    press(window->m_questionNumberEdit, Qt::Key(0x06F0), u"۰"_s);
    press(window->m_questionNumberEdit, Qt::Key(0x06F7), u"۷"_s);
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"207"_s);
    EXPECT_TRUE(window->m_questionText->toPlainText().contains(u" 207 "_s));
    // Pasted Persian digits count as the number they write.
    window->m_questionNumberEdit->setText(u"۲۰۰"_s);
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"200"_s);
    // A number pasted with letters after it counts as the number: its question is shown.
    auto questionsDb = Database::open(folder.path(), DatabaseFile::Main);
    const QString fifth = QuestionStore(*questionsDb).text(5);
    ASSERT_FALSE(fifth.isEmpty());
    for (const QString& pasted : {u"5abc"_s, u"5 "_s, u"۵x"_s}) {
        window->m_questionNumberEdit->setText(pasted);
        EXPECT_EQ(window->m_questionNumberEdit->text(), u"5"_s) << pasted.toStdString();
        EXPECT_EQ(window->m_questionText->toPlainText(), fifth) << pasted.toStdString();
    }
    window->m_themeNumberEdit->setText(u"١١"_s);
    EXPECT_EQ(window->m_themeNumberEdit->text(), u"11"_s);
    EXPECT_EQ(stored().theme, u"11"_s);
}

TEST_F(SettingsWindowTest, ClinicFieldsStopAtWhatTheReportCarries) {
    window->m_settingsTabs->setCurrentIndex(1);
    const struct {
        QLineEdit* field;
        int limit;
    } fields[] = {
        {window->m_clinicNameEdit, 60}, {window->m_addressEdit, 150},  {window->m_emailEdit, 50},
        {window->m_telegramEdit, 50},   {window->m_instagramEdit, 50}, {window->m_webEdit, 50},
        {window->m_twitterEdit, 50},    {window->m_facebookEdit, 50},  {window->m_telEdit, 30},
    };
    for (const auto& f : fields) {
        f.field->clear();
        f.field->setFocus();
        QGuiApplication::clipboard()->setText(QString(f.limit + 40, u'ک'));
        press(f.field, Qt::Key_V, u"\x16"_s, Qt::ControlModifier);
        EXPECT_EQ(f.field->text().size(), f.limit) << f.field->objectName().toStdString();
    }
    QTest::mouseClick(window->m_saveClinicButton, Qt::LeftButton);
    const Settings s = stored();
    EXPECT_EQ(s.name, QString(60, u'ک'));
    EXPECT_EQ(s.address, QString(150, u'ک'));
    EXPECT_EQ(s.tel, QString(30, u'ک'));
}

TEST_F(SettingsWindowTest, UnknownThemesGiveTheSystemLook) {
    const QColor system = qApp->palette().color(QPalette::Window);
    const QString folderPath = folder.path();
    EXPECT_EQ(ApplyTheme(*qApp, folderPath, u"11"_s), QColor(u"#3b3b3b"_s));
    for (const QString& none : {u"24"_s, u"0"_s, u"2.5"_s, u"x"_s}) {
        EXPECT_EQ(ApplyTheme(*qApp, folderPath, none), system) << none.toStdString();
    }
    QFile::remove(folder.file(u"Styles/Codejock.cjstyles"_s));
    EXPECT_EQ(ApplyTheme(*qApp, folderPath, u"21"_s), system) << "a missing style file is no skin";
    EXPECT_EQ(ApplyTheme(*qApp, folderPath, u"14"_s), ApplyTheme(*qApp, folderPath, u"20"_s));
}

TEST_F(SettingsWindowTest, ClinicSaveBuildsTheContactBlock) {
    window->m_clinicNameEdit->setText(u"كلينيك 'نور'"_s);
    window->m_telegramEdit->setText(u"@noor"_s);
    window->m_telEdit->setText(u"021555"_s);
    QTest::mouseClick(window->m_saveClinicButton, Qt::LeftButton);
    const Settings s = stored();
    EXPECT_EQ(s.contactBlock, u"@noor\r\n021555\r\n"_s);
    EXPECT_EQ(s.telegram, u"@noor"_s);
    EXPECT_EQ(s.name, u"كلينيك 'نور'"_s);
    ASSERT_FALSE(MessageBox::shown().isEmpty());
    EXPECT_EQ(MessageBox::shown().back().text, u"تغييرات با موفقيت ذخيره شد"_s);
}

TEST_F(SettingsWindowTest, LogoIsStoredAsABitmapAndTheFlagWaitsForASave) {
    const QString jpeg = folder.file(u"clinic.jpg"_s);
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(20, 120, 200));
    ASSERT_TRUE(picture.save(jpeg, "JPG"));
    FileDialog::setNextFileName(jpeg);
    QTest::mouseClick(window->m_chooseLogoButton, Qt::LeftButton);
    QFile logo(window->logoPath());
    ASSERT_TRUE(logo.open(QIODevice::ReadOnly));
    EXPECT_EQ(logo.read(2), "BM") << "bitmap content, whatever the name";
    logo.close();
    EXPECT_EQ(QImage(window->logoPath()).size(), QSize(40, 30));
    EXPECT_EQ(MessageBox::shown().back().text, u" آرم ذخيره شد"_s);
    EXPECT_FALSE(window->m_logoPicture->pixmap().isNull());

    const QByteArray before =
        QFile(window->logoPath()).open(QIODevice::ReadOnly) ? QByteArray("ok") : QByteArray();
    const QString text = folder.file(u"notes.txt"_s);
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("not a picture");
    notes.close();
    FileDialog::setNextFileName(text);
    QTest::mouseClick(window->m_chooseLogoButton, Qt::LeftButton);
    EXPECT_TRUE(MessageBox::shown().back().text.startsWith(u" تصوير ذخيره نشد\r\n"_s));
    EXPECT_EQ(QImage(window->logoPath()).size(), QSize(40, 30)) << "the old logo stays";
    EXPECT_EQ(before, "ok");

    ASSERT_EQ(stored().logo, u"0"_s);
    QTest::mouseClick(window->m_printLogoCheck, Qt::LeftButton);
    EXPECT_EQ(window->m_printLogoCheck->text(), u"آرم را در قسمت پرينت نمايش دهد"_s);
    window->close();
    EXPECT_EQ(stored().logo, u"0"_s) << "a click alone writes nothing";
}

TEST_F(SettingsWindowTest, QuestionEditorClampsAndSaves) {
    window->m_questionNumberEdit->clear();
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"1"_s);
    EXPECT_TRUE(window->m_questionText->toPlainText().contains(u" 1 "_s));
    window->m_questionNumberEdit->setText(u"500"_s);
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"232"_s);
    QTest::mouseClick(window->m_nextQuestionButton, Qt::LeftButton);
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"232"_s);
    QTest::mouseClick(window->m_previousQuestionButton, Qt::LeftButton);
    EXPECT_EQ(window->m_questionNumberEdit->text(), u"231"_s);
    const QString text = u"I'm \"sure\" من هميشه احساس مي كنم كه ..."_s;
    window->m_questionText->setPlainText(text);
    QTest::mouseClick(window->m_saveQuestionButton, Qt::LeftButton);
    EXPECT_EQ(MessageBox::shown().back().text, u"ذخيره شد"_s);
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    EXPECT_EQ(QuestionStore(*db).text(231), text);
}

TEST_F(SettingsWindowTest, QuestionTextsImportWholeOrNotAtAll) {
    const auto writeLines = [this](int count) {
        QFile f(folder.file(u"items.txt"_s));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        for (int i = 1; i <= count; ++i) {
            f.write(u"سوال وارد شده %1\r\n"_s.arg(i).toUtf8());
        }
        return f.fileName();
    };
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    QuestionStore questions(*db);
    const QString before = questions.text(7);
    FileDialog::setNextFileName(writeLines(231));
    QTest::mouseClick(window->m_importQuestionsButton, Qt::LeftButton);
    EXPECT_EQ(MessageBox::shown().back().title, u"خطا"_s);
    EXPECT_TRUE(MessageBox::shown().back().text.contains(u"231"_s));
    EXPECT_EQ(questions.text(7), before);

    FileDialog::setNextFileName(writeLines(232));
    QTest::mouseClick(window->m_importQuestionsButton, Qt::LeftButton);
    EXPECT_EQ(questions.text(1), u"سوال وارد شده 1"_s);
    EXPECT_EQ(questions.text(232), u"سوال وارد شده 232"_s);

    const QString out = folder.file(u"out.txt"_s);
    FileDialog::setNextFileName(out);
    QTest::mouseClick(window->m_exportQuestionsButton, Qt::LeftButton);
    QFile exported(out);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(exported.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 232);
    EXPECT_EQ(lines[231], u"سوال وارد شده 232"_s);
}

TEST_F(SettingsDatabaseTab, ShowsTheConnectionFile) {
    const struct {
        const char* what;
        QByteArray file; // empty: no file
        bool server;
        QString host, port, database, user;
        bool tls;
        QString state; // part of the line about the database in use
    } cases[] = {
        {"no file", {}, false, u""_s, u"5432"_s, u""_s, u""_s, false, u"بانك اطلاعات همين رايانه"_s},
        {"server",
         "kind=server\nhost=db.clinic\nport=6543\ndatabase=clinic\nuser=reception\nrequireTls=true\n", true,
         u"db.clinic"_s, u"6543"_s, u"clinic"_s, u"reception"_s, true,
         u"پايگاه داده «clinic» روي سرور «db.clinic:6543»"_s},
        {"damaged", "kind=elsewhere\n", false, u""_s, u"5432"_s, u""_s, u""_s, false,
         u"«connection.ini» خراب است"_s},
    };
    for (const auto& c : cases) {
        QFile::remove(folder.file(ConnectionFileName()));
        if (!c.file.isEmpty()) {
            writeConnectionFile(c.file);
        }
        SettingsWindow* w = reopen();
        EXPECT_EQ(w->m_serverDatabaseRadio->isChecked(), c.server) << c.what;
        EXPECT_EQ(w->m_localDatabaseRadio->isChecked(), !c.server) << c.what;
        EXPECT_EQ(w->m_serverHostEdit->text(), c.host) << c.what;
        EXPECT_EQ(w->m_serverPortEdit->text(), c.port) << c.what;
        EXPECT_EQ(w->m_databaseNameEdit->text(), c.database) << c.what;
        EXPECT_EQ(w->m_serverUserEdit->text(), c.user) << c.what;
        EXPECT_EQ(w->m_requireTlsCheck->isChecked(), c.tls) << c.what;
        EXPECT_EQ(w->m_serverHostEdit->isEnabled(), c.server) << c.what << ": the fields only for a server";
        EXPECT_EQ(w->m_moveToServerButton->isEnabled(), c.server) << c.what;
        EXPECT_TRUE(w->m_databaseStateLabel->text().contains(c.state))
            << c.what << ": " << w->m_databaseStateLabel->text().toStdString();
        EXPECT_EQ(connectionFile(), c.file) << c.what << ": showing writes nothing";
    }
}

TEST_F(SettingsDatabaseTab, BackToLocalWritesTheFileAfterAsking) {
    writeConnectionFile("kind=server\nhost=db.clinic\ndatabase=clinic\nuser=reception\n");
    SettingsWindow* w = reopen();
    QSignalSpy switched(w, &SettingsWindow::databaseSwitched);
    clickIndicator(w->m_localDatabaseRadio);
    ASSERT_TRUE(w->m_localDatabaseRadio->isChecked());

    MessageBox::setNextAnswer(QMessageBox::No);
    QTest::mouseClick(w->m_switchDatabaseButton, Qt::LeftButton);
    EXPECT_EQ(MessageBox::shown().back().icon, MessageBox::Icon::Question);
    EXPECT_TRUE(ReadDatabaseChoice(folder.path())->isServer()) << "No leaves the server chosen";
    EXPECT_EQ(switched.count(), 0);

    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(w->m_switchDatabaseButton, Qt::LeftButton);
    const auto choice = ReadDatabaseChoice(folder.path());
    ASSERT_TRUE(choice);
    EXPECT_FALSE(choice->isServer());
    EXPECT_EQ(switched.count(), 1);
    EXPECT_TRUE(MessageBox::shown().back().text.contains(u"برنامه اكنون بسته مي شود"_s));
    EXPECT_TRUE(w->m_databaseStateLabel->text().contains(u"بانك اطلاعات همين رايانه"_s));

    // Already local: said so, nothing switched.
    MessageBox::clearShown();
    QTest::mouseClick(w->m_switchDatabaseButton, Qt::LeftButton);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"همين حالا"_s));
    EXPECT_EQ(switched.count(), 1);
}

TEST_F(SettingsDatabaseTab, UnreachableServerChangesNothing) {
    window->m_settingsTabs->setCurrentIndex(3);
    QSignalSpy switched(window, &SettingsWindow::databaseSwitched);
    const ServerConnection server = unreachable();
    ASSERT_GT(server.port, 0);
    const QString address = u"127.0.0.1:%1"_s.arg(server.port);
    const struct {
        QPushButton* button;
        bool asksFirst;
        QString message;
    } buttons[] = {
        {window->m_testConnectionButton, false, u"اتصال به سرور «%1» برقرار نشد."_s.arg(address)},
        {window->m_switchDatabaseButton, false,
         u"اتصال به سرور «%1» برقرار نشد و پايگاه داده برنامه تغيير نكرد."_s.arg(address)},
        {window->m_moveToServerButton, true, u"اتصال به سرور برقرار نشد."_s},
    };
    for (const auto& b : buttons) {
        const std::string what = b.button->objectName().toStdString();
        fillServer(window, server);
        MessageBox::clearShown();
        if (b.asksFirst) {
            MessageBox::setNextAnswer(QMessageBox::Yes);
        }
        QTest::mouseClick(b.button, Qt::LeftButton);
        ASSERT_EQ(MessageBox::shown().size(), b.asksFirst ? 2 : 1) << what;
        if (b.asksFirst) {
            EXPECT_TRUE(
                MessageBox::shown()[0].text.contains(u"پايگاه داده «clinic» روي سرور «%1»"_s.arg(address)))
                << what << ": the question names the server";
        }
        const auto& box = MessageBox::shown().back();
        EXPECT_EQ(box.icon, MessageBox::Icon::Critical) << what;
        EXPECT_TRUE(box.text.startsWith(b.message)) << what << ": " << box.text.toStdString();
        EXPECT_TRUE(InputDialog::shown().isEmpty()) << what << ": no password asked of a closed port";
        EXPECT_TRUE(connectionFile().isEmpty()) << what;
        EXPECT_EQ(switched.count(), 0) << what;
        EXPECT_TRUE(window->m_settingsTabs->isEnabled()) << what;
        EXPECT_TRUE(window->m_databaseBusyLabel->isHidden()) << what;
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << what << ": the wait cursor is gone";
    }
    auto db = Database::open(folder.path(), DatabaseFile::Main);
    ASSERT_TRUE(db);
    EXPECT_FALSE(db->isServer());
}

TEST_F(SettingsDatabaseTab, ServerFieldsMustBeComplete) {
    window->m_settingsTabs->setCurrentIndex(3);
    const struct {
        QString host, port, database;
        QLineEdit* focused;
    } cases[] = {
        {u""_s, u"5432"_s, u"clinic"_s, window->m_serverHostEdit},
        {u"db.clinic"_s, u""_s, u"clinic"_s, window->m_serverPortEdit},
        {u"db.clinic"_s, u"0"_s, u"clinic"_s, window->m_serverPortEdit},
        {u"db.clinic"_s, u"65536"_s, u"clinic"_s, window->m_serverPortEdit},
        {u"db.clinic"_s, u"5432"_s, u"  "_s, window->m_databaseNameEdit},
    };
    for (QPushButton* button :
         {window->m_testConnectionButton, window->m_switchDatabaseButton, window->m_moveToServerButton}) {
        for (const auto& c : cases) {
            const std::string what =
                button->objectName().toStdString() + ", " + c.focused->objectName().toStdString();
            clickIndicator(window->m_serverDatabaseRadio);
            window->m_serverHostEdit->setText(c.host);
            window->m_serverPortEdit->setText(c.port);
            window->m_databaseNameEdit->setText(c.database);
            MessageBox::clearShown();
            QTest::mouseClick(button, Qt::LeftButton);
            ASSERT_EQ(MessageBox::shown().size(), 1) << what;
            EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Warning) << what;
            EXPECT_EQ(window->focusWidget(), c.focused) << what;
            EXPECT_TRUE(connectionFile().isEmpty()) << what;
        }
    }
}

TEST_F(SettingsDatabaseTab, WorksFromTheKeyboard) {
    window->m_settingsTabs->setCurrentIndex(3);
    fillServer(window, unreachable());
    // Tab goes through the server's fields in the order of the form, then the buttons.
    QWidget* const order[] = {window->m_serverHostEdit,       window->m_serverPortEdit,
                              window->m_databaseNameEdit,     window->m_serverUserEdit,
                              window->m_requireTlsCheck,      window->m_testConnectionButton,
                              window->m_switchDatabaseButton, window->m_moveToServerButton};
    window->m_serverHostEdit->setFocus();
    for (std::size_t i = 1; i < std::size(order); ++i) {
        press(window->focusWidget(), Qt::Key_Tab, u"\t"_s);
        EXPECT_EQ(window->focusWidget(), order[i]) << "after " << order[i - 1]->objectName().toStdString();
    }
    // The port takes Persian digits as ASCII and refuses letters.
    window->m_serverPortEdit->clear();
    window->m_serverPortEdit->setFocus();
    MessageBox::clearShown();
    press(window->m_serverPortEdit, Qt::Key(0x06F6), u"۶"_s);
    press(window->m_serverPortEdit, Qt::Key_X, u"x"_s);
    press(window->m_serverPortEdit, Qt::Key(0x06F5), u"۵"_s);
    EXPECT_EQ(window->m_serverPortEdit->text(), u"65"_s);
    EXPECT_TRUE(timedTexts().contains(u"شما بايد عدد وارد كنيد"_s));
    // Enter on a focused button presses it.
    window->m_serverPortEdit->setText(QString::number(unreachable().port));
    window->m_testConnectionButton->setFocus();
    MessageBox::clearShown();
    press(window->m_testConnectionButton, Qt::Key_Return, u"\r"_s);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].text.contains(u"برقرار نشد"_s));
}

} // namespace
} // namespace morvalen
