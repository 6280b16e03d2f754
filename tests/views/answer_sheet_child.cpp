// Opens the answer sheet on a program folder, loads its newest examinee and types answers
// into items 1 to 232 as fast as the window takes them, writing "item answer" on standard
// output after each key; then waits to be killed. The program the crash test kills part
// way through typing.
//   answer_sheet_child <programFolder> idle [item=answer ...]
// instead loads the examinee, writes "loaded", waits for a line on standard input (while
// another workstation writes), types the answers given, writes what the sheet said, if
// anything, and closes the sheet as its user would.
#include "shell/MessageBox.h"
#include "views/AnswerSheetWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || (args.size() > 2 && args[2] != QStringLiteral("idle"))) {
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
    const auto type = [](QWidget* cell, char answer) {
        const QString text(QLatin1Char{answer});
        const auto key = Qt::Key_0 + (answer - '0');
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(cell, &press);
        QApplication::sendEvent(cell, &release);
    };
    if (args.size() > 2) {
        morvalen::MessageBox::setFallbackAnswer(QMessageBox::Yes); // no box waits for a click
        std::printf("loaded\n");
        std::fflush(stdout);
        std::string line;
        std::getline(std::cin, line);
        for (const QString& typed : args.mid(3)) {
            const QStringList parts = typed.split(QLatin1Char('='));
            type(sheet->m_answerCells[parts[0].toInt()], parts[1].at(0).toLatin1());
        }
        for (const auto& shown : morvalen::MessageBox::shown()) {
            std::printf("message %s\n", shown.text.toUtf8().constData());
        }
        sheet->close();
        std::printf("closed\n");
        std::fflush(stdout);
        return 0;
    }
    for (int item = 1; item <= morvalen::kItemCount; ++item) {
        QWidget* focus = sheet->focusWidget();
        if (focus != sheet->m_answerCells[item]) {
            return 4; // the sheet did not move on to this item
        }
        const char answer = static_cast<char>('1' + item % 6);
        type(focus, answer);
        std::printf("%d %c\n", item, answer);
        std::fflush(stdout);
        QCoreApplication::processEvents();
    }
    return app.exec();
}
