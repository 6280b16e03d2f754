#pragma once

#include "shell/Context.h"
#include "shell/FileDialog.h"
#include "shell/InputDialog.h"
#include "shell/MessageBox.h"
#include "support/QtPrinters.h"
#include "support/TempProgramFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace morvalen::test {

// A window test on a fresh program folder, with timers short enough not to wait for, and
// no window, queued answer or recorded box left over for the next test.
class GuiFixture : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.valid());
        context.programFolder = folder.path();
        context.documentsFolder = folder.path();
        context.intervals = {50, 50, 50, 20, 50};
        MessageBox::clearShown();
        MessageBox::clearNextAnswers();
        MessageBox::setFallbackAnswer(QMessageBox::NoButton);
        FileDialog::clearShown();
        FileDialog::clearNextFileNames();
        InputDialog::clearShown();
        InputDialog::clearNextTexts();
    }

    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            w->hide();
            w->deleteLater();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MessageBox::clearNextAnswers();
        MessageBox::setFallbackAnswer(QMessageBox::NoButton);
        FileDialog::clearNextFileNames();
        InputDialog::clearNextTexts();
        ForgetSessionPasswords();
    }

    // The visible top-level windows of one class.
    template <typename W> static QList<W*> visibleWindows() {
        QList<W*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* typed = qobject_cast<W*>(w); typed && typed->isVisible()) {
                found.append(typed);
            }
        }
        return found;
    }

    // The texts of the self-closing boxes shown so far, in order.
    static QStringList timedTexts() {
        QStringList texts;
        for (const auto& shown : MessageBox::shown()) {
            if (shown.timed) {
                texts.append(shown.text);
            }
        }
        return texts;
    }

    // Types text key by key, Persian included (QTest::keyClicks takes only Latin letters).
    static void type(QWidget* widget, const QString& text) {
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    // A double click as the system sends it: press, release, double click, release (the
    // widget form of QTest::mouseDClick sends the double click alone).
    static void doubleClick(QWidget* widget, QPoint pos) {
        QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
    }

    // Clicks a check or radio button on its indicator, where a user would.
    static void clickIndicator(QAbstractButton* button) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect indicator =
            button->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, button);
        QTest::mouseClick(button, Qt::LeftButton, {}, indicator.center());
    }

    TempProgramFolder folder;
    Context context;
};

} // namespace morvalen::test
