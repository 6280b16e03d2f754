// Opens the answer sheet on a program folder, loads its newest examinee and types answers
// into items 1 to 232 as fast as the window takes them, writing "item answer" on standard
// output after each key; then waits to be killed. The program the crash test kills part
// way through typing.
#include "views/AnswerSheetWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        return 2;
    }
    morvalen::Context context;
    context.programFolder = args[1];
    context.intervals.sheetLoadMs = 0;
    auto* sheet = new morvalen::AnswerSheetWindow(context, nullptr);
    sheet->show();
    sheet->selectExaminee(0);
    QElapsedTimer waited;
    waited.start();
    while (sheet->loadedCode().isEmpty()) {
        if (waited.elapsed() > 10000) {
            return 3;
        }
        QCoreApplication::processEvents();
    }
    for (int item = 1; item <= morvalen::kItemCount; ++item) {
        QWidget* focus = sheet->focusWidget();
        if (focus != sheet->m_answerCells[item]) {
            return 4; // the sheet did not move on to this item
        }
        const char answer = static_cast<char>('1' + item % 6);
        const QString text(QLatin1Char{answer});
        const auto key = Qt::Key_0 + (answer - '0');
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(focus, &press);
        QApplication::sendEvent(focus, &release);
        std::printf("%d %c\n", item, answer);
        std::fflush(stdout);
        QCoreApplication::processEvents();
    }
    return app.exec();
}
