// The self-closing confirmation box.
#include "shell/TimedMessage.h"
#include "support/GuiFixture.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

class TimedMessage : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        // Made on the heap: the fixture's teardown deletes every top-level window.
        owner = new QWidget;
        owner->setWindowTitle(u"owner"_s);
        owner->show();
        // A box that never closes would hang the run; this fails the test instead.
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] {
            ADD_FAILURE() << "a box stayed open";
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->done(0);
            }
        });
        safety.start(10000);
    }

    static QMessageBox* OpenTimedBox() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w);
                box && box->isVisible() && box->objectName() == u"TimedMessageBox"_s) {
                return box;
            }
        }
        return nullptr;
    }

    QPointer<QWidget> owner;
    QTimer safety;
};

TEST_F(TimedMessage, ClosesItselfAsIfOkWerePressed) {
    struct Seen {
        QString title, text;
        int buttons = 0;
        bool okIsDefault = false;
        bool modalToOwner = false;
    } seen;
    QTimer::singleShot(0, [&] {
        QMessageBox* box = OpenTimedBox();
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.buttons = static_cast<int>(box->buttons().size());
        seen.okIsDefault =
            static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::Ok);
        seen.modalToOwner = box->parentWidget() == owner && box->windowModality() == Qt::WindowModal;
    });
    QElapsedTimer clock;
    clock.start();
    ShowTimedMessage(owner, u"ذخيره شد"_s, 200);
    EXPECT_GE(clock.elapsed(), 150) << "closed before its time";
    EXPECT_EQ(seen.title, u"پيام"_s);
    EXPECT_EQ(seen.text, u"ذخيره شد"_s);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_TRUE(seen.okIsDefault);
    EXPECT_TRUE(seen.modalToOwner);
    EXPECT_EQ(OpenTimedBox(), nullptr);
}

TEST_F(TimedMessage, UserMayCloseItFirst) {
    QTimer::singleShot(0, [] {
        QMessageBox* box = OpenTimedBox();
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Ok)->click();
    });
    QElapsedTimer clock;
    clock.start();
    ShowTimedMessage(owner, u"پايان"_s, 8000);
    EXPECT_LT(clock.elapsed(), 4000);
}

TEST_F(TimedMessage, SecondBoxGetsItsOwnFullTime) {
    // The first box is closed at once; its timer would have run out at 200 ms. The second
    // box, opened straight after with 3 s of its own, must still be open at 600 ms.
    QTimer::singleShot(0, [] { OpenTimedBox()->button(QMessageBox::Ok)->click(); });
    QElapsedTimer clock;
    clock.start();
    ShowTimedMessage(owner, u"اول"_s, 200);
    bool stillOpen = false;
    QTimer::singleShot(600 - static_cast<int>(clock.elapsed()), [&] {
        QMessageBox* box = OpenTimedBox();
        stillOpen = box && box->text() == u"دوم"_s;
        if (box) {
            box->button(QMessageBox::Ok)->click();
        }
    });
    ShowTimedMessage(owner, u"دوم"_s, 3000);
    EXPECT_TRUE(stillOpen);
}

TEST_F(TimedMessage, LeavesAnUnrelatedBoxWithTheSameTitleOpen) {
    QPointer<QMessageBox> other = new QMessageBox(QMessageBox::NoIcon, u"پيام"_s, u"ديگر"_s, QMessageBox::Ok);
    other->setAttribute(Qt::WA_DeleteOnClose);
    other->show();
    ShowTimedMessage(owner, u"ذخيره شد"_s, 50);
    QTest::qWait(150);
    ASSERT_FALSE(other.isNull());
    EXPECT_TRUE(other->isVisible());
}

TEST_F(TimedMessage, IsRecordedAndCanBeAnsweredByTests) {
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QElapsedTimer clock;
    clock.start();
    ShowTimedMessage(owner, u"تغييرات با موفقيت ذخيره شد"_s, 5000);
    EXPECT_LT(clock.elapsed(), 2000) << "a queued answer skips the box";
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_TRUE(MessageBox::shown()[0].timed);
    EXPECT_EQ(MessageBox::shown()[0].title, u"پيام"_s);
    EXPECT_EQ(MessageBox::shown()[0].text, u"تغييرات با موفقيت ذخيره شد"_s);
}

} // namespace
} // namespace morvalen
