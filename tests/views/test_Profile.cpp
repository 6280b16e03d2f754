// The profile chart, the interpretation panel and the report sections.
#include "core/Interpretation.h"
#include "core/SchemaScale.h"
#include "store/AdministrationStore.h"
#include "store/AnswerStore.h"
#include "store/ExamineeStore.h"
#include "store/ReportSectionStore.h"
#include "store/SchemaTextStore.h"
#include "support/GuiFixture.h"
#include "views/ProfileLooks.h"
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
#include <QHeaderView>
#include <QImage>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTableWidget>
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
        // Gridlines at whole tens of percent, from 0 up.
        EXPECT_EQ(axis->tickType(), QValueAxis::TicksDynamic);
        EXPECT_EQ(axis->tickAnchor(), 0);
        EXPECT_EQ(axis->tickInterval(), 10);
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

TEST_F(Profile, EveryLabelIsLegibleInEveryLook) {
    // Each value label against the band it stands on and the chart around it (a high
    // value's label reaches above the plot), each axis label and the title against the
    // chart's background: at least 4.5 to 1.
    ProfileWindow* p = open(Uniform("5"));
    p->m_showScoresCheck->setChecked(true);
    for (const QString& appearance : AppearanceNames()) {
        p->m_appearanceCombo->setCurrentText(appearance);
        for (const QString& palette : PaletteNames()) {
            SCOPED_TRACE((appearance + u" / "_s + palette).toStdString());
            p->m_paletteCombo->setCurrentText(palette);
            const QColor background = p->m_chart->backgroundBrush().color();
            QList<QColor> under = {p->m_chart->plotAreaBackgroundBrush().color(), background};
            auto* categories = qobject_cast<QBarCategoryAxis*>(p->m_chart->axes(Qt::Horizontal).value(0));
            if (categories->shadesVisible()) {
                under.append(categories->shadesBrush().color());
            }
            for (int scale = 1; scale <= 18; ++scale) {
                ASSERT_TRUE(p->m_valueLabels[scale]->isVisible());
                for (const QColor& ground : under) {
                    EXPECT_GE(ContrastRatio(p->m_valueLabels[scale]->brush().color(), ground), 4.5)
                        << "value label " << scale << " on " << ground.name().toStdString();
                }
                EXPECT_GE(ContrastRatio(p->m_categoryLabels[scale]->brush().color(), background), 4.5)
                    << scale;
            }
            EXPECT_GE(ContrastRatio(valueAxis(p)->labelsBrush().color(), background), 4.5);
            EXPECT_GE(ContrastRatio(p->m_chart->titleBrush().color(), background), 4.5);
        }
    }
}

// The colour the chart shows at a point of its own coordinates (category, percentage).
QColor ShownAt(ProfileWindow* p, const QImage& picture, QPointF value) {
    const QPointF inChart = p->m_chart->mapToPosition(value, p->m_series);
    const QPoint inView = p->m_chartView->mapFromScene(p->m_chart->mapToScene(inChart));
    return picture.pixelColor(p->m_chartView->viewport()->mapTo(p->m_chartView, inView));
}

int Distance(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST_F(Profile, OneBandBehindTheWholeProfile) {
    // The band spans every category: below the line, between the gridlines at 10 and 20,
    // the chart shows one colour from the first scale to the last.
    ProfileWindow* p = open(Uniform("4"));
    for (const QString& appearance : AppearanceNames()) {
        SCOPED_TRACE(appearance.toStdString());
        p->m_appearanceCombo->setCurrentText(appearance);
        QCoreApplication::processEvents();
        const QImage picture = p->m_chartView->grab().toImage();
        const QColor first = ShownAt(p, picture, QPointF(0, 15));
        for (int category = 0; category < 18; ++category) {
            for (const qreal x : {category - 0.3, category + 0.0, category + 0.3}) {
                EXPECT_LE(Distance(ShownAt(p, picture, QPointF(x, 15)), first), 6) << x;
            }
        }
    }
}

TEST_F(Profile, MarkersShowThePalettesMarkerColour) {
    ProfileWindow* p = open(Uniform("4"));
    for (const QString& palette : {u"Fire"_s, u"Blue"_s, u"Postmodern"_s, u"Gray"_s, u"Victorian"_s}) {
        SCOPED_TRACE(palette.toStdString());
        p->m_paletteCombo->setCurrentText(palette);
        QCoreApplication::processEvents();
        const QImage picture = p->m_chartView->grab().toImage();
        const QColor marker = PaletteNamed(palette).marker;
        for (const int category : {0, 8, 17}) {
            const QPointF point = p->m_series->at(category);
            EXPECT_LE(Distance(ShownAt(p, picture, point), marker), 30)
                << category << ": " << ShownAt(p, picture, point).name().toStdString() << " instead of "
                << marker.name().toStdString();
        }
    }
}

TEST_F(Profile, ChosenLookSurvivesOtherApplicationsButNotOtherWindows) {
    ProfileWindow* p = open(Uniform("3"));
    p->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    p->m_appearanceCombo->setCurrentText(u"Black"_s);
    p->m_paletteCombo->setCurrentText(u"Fire"_s);
    // Off to another application and back: no window of this program was active between.
    QApplication::setActiveWindow(nullptr);
    QApplication::setActiveWindow(p);
    EXPECT_EQ(p->m_appearanceCombo->currentText(), u"Black"_s);
    EXPECT_EQ(p->m_paletteCombo->currentText(), u"Fire"_s);
    // Another window of the program, then back: the chart is built again from the start.
    auto* other = new QWidget;
    other->show();
    other->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(other));
    p->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(p));
    EXPECT_EQ(p->m_appearanceCombo->currentText(), u"Nature"_s);
    EXPECT_EQ(p->m_paletteCombo->currentText(), u"Postmodern"_s);
    EXPECT_EQ(p->m_series->count(), 18);
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
    EXPECT_EQ(p->m_optionsPanel->geometry(), QRect(1000 - 188, 0, 188, 600));
    // Too narrow for the chart: it keeps its size, the panel still hugs the right edge.
    const QSize before = p->m_chartView->size();
    p->resize(150, 600);
    QTest::qWait(20);
    EXPECT_EQ(p->m_chartView->size(), before);
    EXPECT_EQ(p->m_optionsPanel->x(), p->width() - 188);
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
    // What is stored is the text as built, byte for byte, its CR LF breaks included, and
    // the psychologist's line after a CR LF of its own.
    {
        auto paragraphs = Database::open(folder.path(), DatabaseFile::SchemaTexts);
        ASSERT_TRUE(paragraphs);
        SchemaTextStore texts(*paragraphs);
        const std::string expected =
            BuildInterpretationText(result, ParagraphsFrom(&texts)) + "\r\nيادداشت روانشناس";
        ASSERT_NE(expected.find("\r\n"), std::string::npos);
        EXPECT_EQ(ExamineeStore(*db).comment(u"8"_s).toStdString(), expected);
    }
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

// Sheets kept over therapy, drawn over one another.
class ComparedSheets : public Profile {
protected:
    void SetUp() override {
        Profile::SetUp();
        // Five sheets of examinee 8: four kept ones and the working sheet. They differ scale by
        // scale, so the change from one to another rises on some scales, falls on others and
        // stays on the rest.
        const char* answersByThird[][3] = {
            {"5", "5", "5"}, {"4", "2", "3"}, {"6", "3", "1"}, {"3", "4", "2"}, {"6", "2", "1"}};
        const QString dates[] = {u"1403/01/10"_s, u"1403/04/10"_s, u"1403/07/10"_s, u"1403/10/10"_s};
        AnswerStore store(*db);
        AdministrationStore kept(*db);
        for (int sheet = 0; sheet < 5; ++sheet) {
            AnswerRow row;
            for (const SchemaScale& scale : SchemaScales()) {
                const char* answer = answersByThird[sheet][(scale.number - 1) / 6];
                for (int item = scale.firstItem; item <= scale.lastItem; ++item) {
                    row[std::size_t(item - 1)] = QString::fromLatin1(answer);
                }
            }
            // Item 1 of the second kept sheet unanswered: it scores one item less.
            if (sheet == 1) {
                row[0] = QString();
            }
            ASSERT_TRUE(store.setRow(u"8"_s, row));
            sheets.append(row);
            if (sheet < 4) {
                ASSERT_EQ(kept.keep(u"8"_s, dates[sheet],
                                    QDateTime(QDate(2024, 4, 1), QTime(9, 0)).addMonths(3 * sheet)),
                          KeepOutcome::Kept);
            }
        }
    }

    ProfileWindow* openOnWorkingSheet() { return open(ScoreAnswers(ToAnswerTexts(sheets[4]))); }

    // A key as X delivers it: with its text.
    static void press(QWidget* widget, Qt::Key key, const QString& text = {}) {
        QTest::sendKeyEvent(QTest::Click, widget, key, text, Qt::NoModifier);
    }

    // Ticks or clears a row of the sheet list from the keyboard: down to it, then Space.
    static void toggle(ProfileWindow* p, int row) {
        QListWidget* list = p->m_sheetChoiceList;
        list->setFocus();
        press(list, Qt::Key_Home);
        for (int i = 0; i < row; ++i) {
            press(list, Qt::Key_Down);
        }
        ASSERT_EQ(list->currentRow(), row);
        press(list, Qt::Key_Space, u" "_s);
    }

    static QList<QLineSeries*> drawn(ProfileWindow* p) {
        QList<QLineSeries*> lines;
        for (QAbstractSeries* series : p->m_chart->series()) {
            lines.append(qobject_cast<QLineSeries*>(series));
        }
        return lines;
    }

    // The percentages of a sheet by the core's own scoring of its answers.
    int percent(int sheet, int scale) const {
        return ScoreAnswers(ToAnswerTexts(sheets[sheet])).scales[std::size_t(scale - 1)].percent;
    }

    QVector<AnswerRow> sheets; // the four kept ones in order, then the working sheet
};

TEST_F(ComparedSheets, ChosenSheetsAreDrawnEachInItsOwnColourShapeAndLegendDate) {
    ProfileWindow* p = openOnWorkingSheet();
    ASSERT_TRUE(p->m_sheetChoiceList->isVisible());
    ASSERT_EQ(p->m_sheetChoiceList->count(), 5);
    const QStringList titles = {u"1403/01/10"_s, u"1403/04/10"_s, u"1403/07/10"_s, u"1403/10/10"_s,
                                u"پاسخنامه فعلي"_s};
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(p->m_sheetChoiceList->item(row)->text(), titles[row]);
        EXPECT_EQ(p->m_sheetChoiceList->item(row)->checkState(), row == 4 ? Qt::Checked : Qt::Unchecked)
            << row;
    }
    // One sheet: one series, no legend, no table, as without kept sheets.
    const QSize single = p->m_chartView->size();
    EXPECT_EQ(drawn(p).size(), 1);
    EXPECT_FALSE(p->m_chart->legend()->isVisible());
    EXPECT_FALSE(p->m_comparisonTable->isVisible());

    toggle(p, 0);
    toggle(p, 2);
    p->m_showScoresCheck->setChecked(true);
    const QList<QLineSeries*> lines = drawn(p);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(p->shownSheets(), (QVector<int>{0, 2, 4})) << "oldest first";
    EXPECT_TRUE(p->m_chart->legend()->isVisible());
    EXPECT_TRUE(p->m_comparisonTable->isVisible());
    EXPECT_EQ(p->m_comparisonTable->geometry().top(), p->m_chartView->geometry().bottom() + 1 + 5)
        << "under the chart";
    const int sheetOf[] = {0, 2, 4};
    QSet<QRgb> colours;
    QSet<QLegend::MarkerShape> shapes;
    QList<QImage> markers;
    for (int slot = 0; slot < 3; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(lines[slot]->name(), titles[sheetOf[slot]]);
        colours.insert(lines[slot]->pen().color().rgb());
        for (const QImage& other : markers) {
            EXPECT_NE(lines[slot]->lightMarker(), other) << "a marker of its own shape";
        }
        markers.append(lines[slot]->lightMarker());
        const auto legend = p->m_chart->legend()->markers(lines[slot]);
        ASSERT_EQ(legend.size(), 1);
        EXPECT_EQ(legend[0]->label(), titles[sheetOf[slot]]);
        shapes.insert(legend[0]->shape());
        // The points and the scores above them: the core's scoring of that sheet's answers.
        ASSERT_EQ(lines[slot]->count(), 18);
        for (int scale = 1; scale <= 18; ++scale) {
            EXPECT_EQ(lines[slot]->at(scale - 1).y(), percent(sheetOf[slot], scale)) << scale;
            QGraphicsSimpleTextItem* label = p->m_sheetValueLabels[slot + 1][scale];
            EXPECT_TRUE(label->isVisible());
            EXPECT_EQ(label->text(), QString::number(percent(sheetOf[slot], scale)));
        }
    }
    EXPECT_EQ(colours.size(), 3);
    EXPECT_EQ(shapes.size(), 3);
    // No score covers another sheet's marker, nor another score.
    QTest::qWait(20);
    for (int scale = 1; scale <= 18; ++scale) {
        QList<QRectF> scores;
        for (int slot = 1; slot <= 3; ++slot) {
            QGraphicsSimpleTextItem* label = p->m_sheetValueLabels[slot][scale];
            const QRectF score = label->mapRectToParent(label->boundingRect());
            for (const QRectF& other : scores) {
                EXPECT_FALSE(score.intersects(other)) << scale << " " << slot;
            }
            scores.append(score);
            for (int other = 0; other < 3; ++other) {
                const QPointF marker = p->m_chart->mapToPosition(lines[other]->at(scale - 1), lines[other]);
                EXPECT_FALSE(score.intersects(QRectF(marker - QPointF(5, 5), QSizeF(10, 10))))
                    << "scale " << scale << ": the score of sheet " << slot << " on the marker of "
                    << other + 1;
            }
        }
    }
    EXPECT_EQ(lines[0]->pen().color(), PaletteNamed(u"Postmodern"_s).line) << "the first keeps the palette";
    // Every look keeps the sheets apart, and every sheet's scores legible on the band and the
    // chart around it.
    for (const QString& appearance : AppearanceNames()) {
        p->m_appearanceCombo->setCurrentText(appearance);
        for (const QString& palette : PaletteNames()) {
            SCOPED_TRACE((appearance + u" / "_s + palette).toStdString());
            p->m_paletteCombo->setCurrentText(palette);
            QSet<QRgb> inPalette;
            for (QLineSeries* line : drawn(p)) {
                inPalette.insert(line->pen().color().rgb());
            }
            EXPECT_EQ(inPalette.size(), 3);
            for (int slot = 1; slot <= 3; ++slot) {
                const QColor text = p->m_sheetValueLabels[slot][1]->brush().color();
                for (const QColor& ground :
                     {p->m_chart->plotAreaBackgroundBrush().color(), p->m_chart->backgroundBrush().color()}) {
                    EXPECT_GE(ContrastRatio(text, ground), 4.5)
                        << slot << " on " << ground.name().toStdString();
                }
            }
        }
    }

    // Back to one sheet: the window is as it was.
    toggle(p, 0);
    toggle(p, 2);
    EXPECT_EQ(drawn(p).size(), 1);
    EXPECT_FALSE(p->m_chart->legend()->isVisible());
    EXPECT_FALSE(p->m_comparisonTable->isVisible());
    EXPECT_EQ(p->m_chartView->width(), single.width());
    EXPECT_EQ(std::count_if(p->m_valueLabels.begin(), p->m_valueLabels.end(),
                            [](QGraphicsSimpleTextItem* l) { return l->isVisible(); }),
              18);
    for (int slot = 2; slot <= 4; ++slot) {
        for (QGraphicsSimpleTextItem* label : p->m_sheetValueLabels[slot]) {
            ASSERT_FALSE(label->isVisible()) << slot;
        }
    }
}

// However the scores of 1 to 4 sheets crowd round a scale, each stays over its own scale's
// point: its middle is nearer its own scale than any other.
TEST_F(ComparedSheets, EveryScoreStandsOverItsOwnScale) {
    ProfileWindow* p = openOnWorkingSheet();
    p->m_showScoresCheck->setChecked(true);
    for (int sheets = 1; sheets <= 4; ++sheets) {
        SCOPED_TRACE(sheets);
        if (sheets > 1) {
            toggle(p, sheets - 2);
        }
        QTest::qWait(20);
        const QList<QLineSeries*> lines = drawn(p);
        ASSERT_EQ(lines.size(), sheets);
        const auto scaleX = [&](int scale) {
            return p->m_chart->mapToPosition(QPointF(scale - 1, 0), lines[0]).x();
        };
        for (int slot = 1; slot <= sheets; ++slot) {
            for (int scale = 1; scale <= 18; ++scale) {
                QGraphicsSimpleTextItem* label = p->m_sheetValueLabels[slot][scale];
                ASSERT_TRUE(label->isVisible());
                const qreal middle = label->mapRectToParent(label->boundingRect()).center().x();
                const qreal own = std::abs(middle - scaleX(scale));
                for (int other = 1; other <= 18; ++other) {
                    if (other != scale) {
                        EXPECT_LT(own, std::abs(middle - scaleX(other)))
                            << "sheet " << slot << " scale " << scale << " nearer scale " << other;
                    }
                }
            }
        }
    }
}

TEST_F(ComparedSheets, TableGivesEachSheetsPercentagesAndTheChangeFromFirstToLast) {
    ProfileWindow* p = openOnWorkingSheet();
    toggle(p, 1);
    toggle(p, 3);
    const int shown[] = {1, 3, 4};
    QTableWidget* table = p->m_comparisonTable;
    ASSERT_EQ(table->rowCount(), 4);
    ASSERT_EQ(table->columnCount(), 18);
    EXPECT_EQ(table->verticalHeaderItem(0)->text(), u"1403/04/10"_s);
    EXPECT_EQ(table->verticalHeaderItem(2)->text(), u"پاسخنامه فعلي"_s);
    EXPECT_EQ(table->verticalHeaderItem(3)->text(), u"تغيير"_s);
    QSet<QChar> signs;
    for (int scale = 1; scale <= 18; ++scale) {
        SCOPED_TRACE(scale);
        EXPECT_EQ(table->horizontalHeaderItem(scale - 1)->text(),
                  QString::fromLatin1(SchemaScales()[std::size_t(scale - 1)].code.data(), 2));
        for (int row = 0; row < 3; ++row) {
            EXPECT_EQ(table->item(row, scale - 1)->text(), QString::number(percent(shown[row], scale)));
        }
        const int change = percent(4, scale) - percent(1, scale);
        const QString text = table->item(3, scale - 1)->text();
        EXPECT_EQ(text, change > 0 ? u"+%1"_s.arg(change) : QString::number(change));
        signs.insert(text[0]);
    }
    // The sheets rise, fall and stay: every kind of change was shown.
    EXPECT_TRUE(signs.contains(u'+') && signs.contains(u'-') && signs.contains(u'0'));
    // Every cell is seen whole: the table is as tall as its rows.
    EXPECT_GE(table->viewport()->height(), table->rowViewportPosition(3) + table->rowHeight(3));
    EXPECT_LE(table->geometry().bottom(), p->height());

    // The reports get the same sheets and numbers, oldest first.
    const SheetComparison compared = p->comparison();
    ASSERT_TRUE(compared.compares());
    EXPECT_EQ(compared.titles, (QStringList{u"1403/04/10"_s, u"1403/10/10"_s, u"پاسخنامه فعلي"_s}));
    EXPECT_EQ(compared.chart.size(), p->m_chartView->size());
    const QVector<QStringList> rows = compared.tableRows();
    ASSERT_EQ(rows.size(), 19);
    for (int scale = 1; scale <= 18; ++scale) {
        EXPECT_EQ(rows[scale].mid(1),
                  (QStringList{table->item(0, scale - 1)->text(), table->item(1, scale - 1)->text(),
                               table->item(2, scale - 1)->text(), table->item(3, scale - 1)->text()}))
            << scale;
    }
}

TEST_F(ComparedSheets, AtMostFourSheetsAndAtLeastOne) {
    ProfileWindow* p = openOnWorkingSheet();
    for (int row = 0; row < 3; ++row) {
        toggle(p, row);
    }
    ASSERT_EQ(drawn(p).size(), 4);
    MessageBox::clearShown();
    toggle(p, 3);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].text, u"حداکثر چهار پاسخنامه با هم نشان داده مي شود."_s);
    EXPECT_EQ(p->m_sheetChoiceList->item(3)->checkState(), Qt::Unchecked);
    EXPECT_EQ(drawn(p).size(), 4);
    EXPECT_EQ(p->m_comparisonTable->rowCount(), 5);

    // Cleared down to one sheet, the last one stays.
    for (int row = 0; row < 3; ++row) {
        toggle(p, row);
    }
    MessageBox::clearShown();
    toggle(p, 4);
    ASSERT_EQ(MessageBox::shown().size(), 1);
    EXPECT_EQ(MessageBox::shown()[0].text, u"دست کم يک پاسخنامه بايد نشان داده شود."_s);
    EXPECT_EQ(p->m_sheetChoiceList->item(4)->checkState(), Qt::Checked);
    EXPECT_EQ(drawn(p).size(), 1);
}

TEST_F(ComparedSheets, ResultsOpenTheProfileOnTheSheetTheyShow) {
    auto* results = new ResultsWindow(context, nullptr);
    results->show();
    results->selectExaminee(0);
    ASSERT_EQ(results->m_sheetList->rowCount(), 5);
    // The results list the working sheet first, then the kept ones; row 2 is the second kept.
    results->m_sheetList->setCurrentCell(2, 0);
    ProfileWindow* p = results->openProfile();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(drawn(p).size(), 1);
    for (int scale = 1; scale <= 18; ++scale) {
        EXPECT_EQ(p->m_series->at(scale - 1).y(), percent(1, scale)) << scale;
    }
    EXPECT_EQ(p->m_sheetChoiceList->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(p->m_sheetChoiceList->item(4)->checkState(), Qt::Unchecked);
    // Another sheet drawn with it comes from the store, the shown one from the results.
    toggle(p, 4);
    ASSERT_EQ(drawn(p).size(), 2);
    EXPECT_EQ(drawn(p)[1]->at(0).y(), percent(4, 1));
}

TEST_F(ComparedSheets, TwoSheetsOfOneDayAreToldApartByTheirTime) {
    ASSERT_EQ(
        AdministrationStore(*db).keep(u"8"_s, u"1403/10/10"_s, QDateTime(QDate(2025, 1, 1), QTime(16, 45))),
        KeepOutcome::Kept);
    ProfileWindow* p = openOnWorkingSheet();
    ASSERT_EQ(p->m_sheetChoiceList->count(), 6);
    EXPECT_EQ(p->m_sheetChoiceList->item(2)->text(), u"1403/07/10"_s);
    EXPECT_EQ(p->m_sheetChoiceList->item(3)->text(), u"1403/10/10  09:00"_s);
    EXPECT_EQ(p->m_sheetChoiceList->item(4)->text(), u"1403/10/10  16:45"_s);
}

TEST_F(ComparedSheets, AnEmptiedWorkingSheetIsNotOfferedUnlessShown) {
    ASSERT_TRUE(AnswerStore(*db).setRow(u"8"_s, AnswerRow{}));
    ProfileWindow* fromKept = open(ScoreAnswers(ToAnswerTexts(sheets[0])));
    fromKept->setShownSheet(AdministrationStore(*db).list(u"8"_s)[0].id);
    EXPECT_EQ(fromKept->m_sheetChoiceList->count(), 4);
    fromKept->close();
    ProfileWindow* fromWorking = open(Uniform(""));
    EXPECT_EQ(fromWorking->m_sheetChoiceList->count(), 5);
    EXPECT_EQ(fromWorking->m_sheetChoiceList->item(4)->checkState(), Qt::Checked);
}

} // namespace
} // namespace morvalen
