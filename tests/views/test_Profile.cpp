// The profile chart, the interpretation panel and the report sections.
#include "core/Interpretation.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/ReportSectionStore.h"
#include "support/GuiFixture.h"
#include "views/ProfileWindow.h"
#include "views/ResultsWindow.h"

#include <QBarCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTextEdit>
#include <QValueAxis>

namespace morvalen {
namespace {

using namespace Qt::StringLiterals;

ScoringResult Uniform(const std::string& answer) {
    AnswerTexts answers;
    answers.fill(answer);
    return ScoreAnswers(answers);
}

class Profile : public test::GuiFixture {
protected:
    void SetUp() override {
        GuiFixture::SetUp();
        MessageBox::setFallbackAnswer(QMessageBox::Ok);
        db = Database::open(folder.path(), DatabaseFile::Main);
        Examinee e;
        e.code = u"8"_s;
        e.fullName = u"ليلا"_s;
        ASSERT_TRUE(ExamineeStore(*db).addWithAnswerRow(e));
    }

    ProfileWindow* open(const ScoringResult& result) {
        auto* p = new ProfileWindow(context, result, u"8"_s);
        p->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(p));
        return p;
    }

    static QValueAxis* valueAxis(ProfileWindow* p) {
        return qobject_cast<QValueAxis*>(p->m_chart->axes(Qt::Vertical).value(0));
    }

    std::unique_ptr<Database> db;
};

TEST_F(Profile, PointsStayInsideTheFixedAxis) {
    for (const std::string answer : {"", "6"}) {
        ProfileWindow* p = open(Uniform(answer));
        QValueAxis* axis = valueAxis(p);
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->min(), 0);
        EXPECT_EQ(axis->max(), 105);
        const auto points = p->m_series->points();
        ASSERT_EQ(points.size(), 18);
        for (const QPointF& point : points) {
            EXPECT_EQ(point.y(), answer.empty() ? 0 : 100);
            EXPECT_LE(point.y(), axis->max());
        }
        EXPECT_EQ(p->m_percentEdits[8]->text(), answer.empty() ? u"0"_s : u"100"_s);
        auto* categories = qobject_cast<QBarCategoryAxis*>(p->m_chart->axes(Qt::Horizontal).value(0));
        ASSERT_NE(categories, nullptr);
        EXPECT_EQ(categories->categories(), ProfileWindow::PointLabels());
        EXPECT_EQ(categories->labelsAngle(), 285);
        p->close();
    }
}

TEST_F(Profile, ValueLabelsFollowTheCheckBox) {
    ProfileWindow* p = open(Uniform("4"));
    const auto visible = [p] {
        return std::count_if(p->m_valueLabels.begin(), p->m_valueLabels.end(),
                             [](QGraphicsSimpleTextItem* l) { return l->isVisible(); });
    };
    EXPECT_EQ(visible(), 0);
    QTest::mouseClick(p->m_showScoresCheck, Qt::LeftButton);
    EXPECT_EQ(visible(), 18);
    EXPECT_EQ(p->m_valueLabels[1]->text(), u"67"_s);
    EXPECT_EQ(p->m_valueLabels[1]->rotation(), -90) << "upright, at 90 degrees";
    QTest::mouseClick(p->m_showScoresCheck, Qt::LeftButton);
    EXPECT_EQ(visible(), 0);
}

TEST_F(Profile, AppearanceComesBackWhileThePaletteStays) {
    ProfileWindow* p = open(Uniform("3"));
    EXPECT_EQ(p->m_appearanceCombo->currentText(), u"Nature"_s);
    EXPECT_EQ(p->m_paletteCombo->currentText(), u"Postmodern"_s);
    ASSERT_EQ(p->m_paletteCombo->count(), 31);
    EXPECT_EQ(p->m_paletteCombo->itemText(0), u"Victorian"_s);
    EXPECT_EQ(p->m_paletteCombo->itemText(30), u"Blue"_s);
    const QColor startBackground = p->m_chart->backgroundBrush().color();
    p->m_paletteCombo->setCurrentText(u"Fire"_s);
    const QColor fire = p->m_series->pen().color();
    p->m_appearanceCombo->setCurrentText(u"Black"_s);
    EXPECT_NE(p->m_chart->backgroundBrush().color(), startBackground);
    p->m_appearanceCombo->setCurrentText(u"Nature"_s);
    EXPECT_EQ(p->m_chart->backgroundBrush().color(), startBackground);
    EXPECT_EQ(p->m_series->pen().color(), fire);
    // Every palette draws its own line.
    QSet<QRgb> lines;
    for (int i = 0; i < p->m_paletteCombo->count(); ++i) {
        p->m_paletteCombo->setCurrentIndex(i);
        lines.insert(p->m_series->pen().color().rgb());
    }
    EXPECT_EQ(lines.size(), 31);
}

TEST_F(Profile, ActivatingAgainKeepsOneProfileUnderOneTitle) {
    ProfileWindow* p = open(Uniform("2"));
    p->activate();
    p->activate();
    EXPECT_EQ(p->m_chart->series().size(), 1);
    EXPECT_EQ(p->m_series->count(), 18);
    EXPECT_EQ(p->m_chart->title(), u"Morvalen"_s);
}

TEST_F(Profile, ChartPictureHasTheChartsSize) {
    ProfileWindow* p = open(Uniform("5"));
    p->resize(1000, 600);
    QTest::qWait(20);
    const QString path = folder.file(u"Morvalen-2.jpg"_s);
    ASSERT_TRUE(p->saveChartPicture(path));
    const QImage picture(path);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), p->m_chartView->size());
    EXPECT_EQ(p->m_chartView->width(), 1000 - 200 - 5);
    EXPECT_EQ(p->m_optionsPanel->geometry(), QRect(1000 - 200, 0, 200, 600));
    // Too narrow for the chart: it keeps its size, the panel still hugs the right edge.
    const QSize before = p->m_chartView->size();
    p->resize(150, 600);
    QTest::qWait(20);
    EXPECT_EQ(p->m_chartView->size(), before);
    EXPECT_EQ(p->m_optionsPanel->x(), p->width() - 200);
}

TEST_F(Profile, InterpretationIsBuiltEditedStoredAndShownAgain) {
    AnswerTexts answers;
    answers.fill("2");
    answers[9] = "6";
    const ScoringResult result = ScoreAnswers(answers);
    ProfileWindow* p = open(result);
    QTest::mouseClick(p->m_interpretationButton, Qt::LeftButton);
    EXPECT_TRUE(p->m_interpretationPanel->isVisible());
    QTest::mouseClick(p->m_storedInterpretationButton, Qt::LeftButton);
    EXPECT_TRUE(p->m_interpretationText->toPlainText().isEmpty()) << "nothing stored yet";
    QTest::mouseClick(p->m_newInterpretationButton, Qt::LeftButton);
    const QString built = p->m_interpretationText->toPlainText();
    EXPECT_TRUE(built.startsWith(u"اين يك تفسير سيستمي مي باشد"_s));
    EXPECT_TRUE(built.contains(u"( سوال: 10, )"_s));
    QTest::mouseClick(p->m_newInterpretationButton, Qt::LeftButton);
    EXPECT_EQ(p->m_interpretationText->toPlainText(), built) << "built again, not appended";
    p->m_interpretationText->setPlainText(built + u"\nيادداشت روانشناس"_s);
    QTest::mouseClick(p->m_saveInterpretationButton, Qt::LeftButton);
    p->m_interpretationText->setPlainText(u"نسخه دوم"_s);
    QTest::mouseClick(p->m_saveInterpretationButton, Qt::LeftButton);
    QTest::mouseClick(p->m_interpretationCloseButton, Qt::LeftButton);
    EXPECT_FALSE(p->m_interpretationPanel->isVisible());
    p->close();

    ProfileWindow* again = open(result);
    EXPECT_TRUE(again->m_interpretationText->toPlainText().isEmpty());
    QTest::mouseClick(again->m_storedInterpretationButton, Qt::LeftButton);
    EXPECT_EQ(again->m_interpretationText->toPlainText(), u"نسخه دوم"_s);
    EXPECT_EQ(ExamineeStore(*db).comment(u"8"_s), u"نسخه دوم"_s);
}

TEST_F(Profile, MissingParagraphFileStillBuildsTheText) {
    QFile::remove(folder.file(u"Theme.skn"_s));
    ProfileWindow* p = open(Uniform("6"));
    QTest::mouseClick(p->m_interpretationButton, Qt::LeftButton);
    QTest::mouseClick(p->m_newInterpretationButton, Qt::LeftButton);
    const QString text = p->m_interpretationText->toPlainText();
    EXPECT_TRUE(text.startsWith(u"اين يك تفسير سيستمي"_s));
    EXPECT_TRUE(text.contains(u"PU:"_s));
    EXPECT_TRUE(p->isVisible());
}

TEST_F(Profile, StoreReportSectionsKeepsOnlyTheLastExamineesSections) {
    AnswerTexts first;
    first.fill("6");
    ASSERT_EQ(StoreReportSections(folder.path(), ScoreAnswers(first)), 19);
    AnswerTexts second;
    second.fill("1");
    second[0] = "";
    ASSERT_EQ(StoreReportSections(folder.path(), ScoreAnswers(second)), 19);
    auto sections = Database::open(folder.path(), DatabaseFile::ReportSections);
    ReportSectionStore store(*sections);
    EXPECT_EQ(store.read(u"V"_s), u"تعداد سوالات بدون پاسخ  1  سوال مي باشد.\r\n"_s);
    EXPECT_EQ(store.read(u"ED"_s), u"آزمودني در اين طرحواره مشكلي ندارد.\r\n\r\n"_s);
    EXPECT_EQ(store.read(u"PU"_s), u"آزمودني در اين طرحواره مشكلي ندارد.\r\n\r\n"_s);
    // A section without its row is skipped; the others are still written.
    ASSERT_TRUE(sections->exec(u"DELETE FROM Tafsir WHERE Code = 'MA'"_s));
    EXPECT_EQ(StoreReportSections(folder.path(), ScoreAnswers(first)), 18);
    EXPECT_TRUE(store.read(u"PU"_s).contains(u"219,"_s));
}

TEST_F(Profile, ResultsOpenTheProfileAndHideWhenItCloses) {
    auto* results = new ResultsWindow(context, nullptr);
    results->show();
    EXPECT_FALSE(results->m_profileButton->isEnabled());
    results->selectExaminee(0);
    ASSERT_TRUE(results->m_profileButton->isEnabled());
    QTest::mouseClick(results->m_profileButton, Qt::LeftButton);
    const auto profiles = visibleWindows<ProfileWindow>();
    ASSERT_EQ(profiles.size(), 1);
    EXPECT_TRUE(profiles[0]->isModal());
    QTest::mouseClick(profiles[0]->m_exitButton, Qt::LeftButton);
    EXPECT_FALSE(results->isVisible()) << "the results view waits hidden";
}

} // namespace
} // namespace morvalen
