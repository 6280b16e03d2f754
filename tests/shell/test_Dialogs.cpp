// The message box and file dialog wrappers the windows call.
#include "support/GuiFixture.h"

#include <QAbstractButton>
#include <QDir>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

using Dialogs = test::GuiFixture;

TEST(FileDialogFilter, BarSeparatedPairsBecomeQtFilters) {
    const struct {
        QString bar, qt;
    } cases[] = {
        {u"Excel |*.xls"_s, u"Excel (*.xls)"_s},
        {u"Excel |*.xls|Excel 2007 |*.xlsx"_s, u"Excel (*.xls);;Excel 2007 (*.xlsx)"_s},
        {u"Database Backup |*.morvalen"_s, u"Database Backup (*.morvalen)"_s},
        {u"Pictures|*.jpg;*.bmp"_s, u"Pictures (*.jpg *.bmp)"_s},
        {u""_s, u""_s},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileDialog::QtFilter(c.bar), c.qt) << c.bar.toStdString();
    }
}

TEST_F(Dialogs, QueuedFileNamesAnswerDialogsInOrder) {
    FileDialog::setNextFileName(u"/tmp/a.xls"_s);
    FileDialog::setNextFileName(QString());
    EXPECT_EQ(FileDialog::getSaveFileName(nullptr, u"t"_s, folder.path(), u"x.xls"_s, u"Excel |*.xls"_s),
              u"/tmp/a.xls"_s);
    EXPECT_TRUE(FileDialog::getOpenFileName(nullptr, u"t"_s, folder.path(), u"Excel |*.xls"_s).isEmpty());
    ASSERT_EQ(FileDialog::shown().size(), 2);
    EXPECT_TRUE(FileDialog::shown()[0].save);
    EXPECT_EQ(FileDialog::shown()[0].suggested, u"x.xls"_s);
    EXPECT_FALSE(FileDialog::shown()[1].save);
    EXPECT_EQ(FileDialog::shown()[1].startFolder, folder.path());
}

TEST_F(Dialogs, RealDialogPutsTheCurrentFolderBack) {
    const QString before = QDir::currentPath();
    QTimer::singleShot(100, [&] {
        // The dialog may browse elsewhere; cancelling must leave the program where it was.
        QDir::setCurrent(QDir::tempPath());
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            dialog->close();
        }
    });
    EXPECT_TRUE(FileDialog::getOpenFileName(nullptr, u"t"_s, folder.path(), u"Excel |*.xls"_s).isEmpty());
    EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(Dialogs, PasswordPromptHidesWhatIsTypedAndGivesItBack) {
    // Asked while a wait cursor is up: the prompt has the usual pointer, the wait comes back.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const bool accept : {true, false}) {
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        Qt::CursorShape pointer = Qt::WaitCursor;
        QTimer::singleShot(100, [&] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            auto* field = dialog->findChild<QLineEdit*>();
            echo = field ? field->echoMode() : QLineEdit::Normal;
            pointer =
                QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::WaitCursor;
            dialog->setTextValue(u"s3cret"_s);
            accept ? dialog->accept() : dialog->reject();
        });
        const auto typed = InputDialog::getPassword(nullptr, u"رمز عبور سرور"_s, u"رمز عبور:"_s);
        EXPECT_EQ(typed, accept ? std::optional<QString>(u"s3cret"_s) : std::nullopt) << accept;
        EXPECT_EQ(echo, QLineEdit::Password) << accept;
        EXPECT_EQ(pointer, Qt::ArrowCursor) << accept;
        ASSERT_TRUE(QApplication::overrideCursor());
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor) << accept;
    }
    QApplication::restoreOverrideCursor();
    ASSERT_EQ(InputDialog::shown().size(), 2);
    EXPECT_EQ(InputDialog::shown()[0].label, u"رمز عبور:"_s);

    // A queued answer is taken without a prompt.
    InputDialog::setNextText(std::nullopt);
    EXPECT_FALSE(InputDialog::getPassword(nullptr, u"t"_s, u"l"_s));
}

TEST_F(Dialogs, MessageBoxesAreRecordedAndAnswered) {
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Cancel);
    EXPECT_EQ(MessageBox::question(nullptr, u"توجه"_s, u"آيا؟"_s), QMessageBox::Yes);
    // Anything but Yes, closing the box included, reads as No.
    EXPECT_EQ(MessageBox::question(nullptr, u"توجه"_s, u"دوباره؟"_s), QMessageBox::No);
    ASSERT_EQ(MessageBox::shown().size(), 2);
    EXPECT_EQ(MessageBox::shown()[0].icon, MessageBox::Icon::Question);
    EXPECT_EQ(MessageBox::shown()[0].buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(MessageBox::shown()[1].text, u"دوباره؟"_s);

    // Without a queued answer the real box is shown and waits.
    QTimer::singleShot(50, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), u"خطا"_s);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MessageBox::critical(nullptr, u"خطا"_s, u"متن"_s), QMessageBox::Ok);
}

} // namespace
} // namespace morvalen
