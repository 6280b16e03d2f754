// main() of the Qt test suites: one application object for the whole run.
#include <gtest/gtest.h>

#ifdef MORVALEN_TEST_GUI
#include "shell/Appearance.h"

#include <QApplication>
using App = QApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

#include <cstdlib>

int main(int argc, char** argv) {
    // Test discovery runs the binary without the test's environment; windows must still be
    // created off screen then.
    if (!std::getenv("QT_QPA_PLATFORM")) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    testing::InitGoogleTest(&argc, argv);
    App app(argc, argv);
#ifdef MORVALEN_TEST_GUI
    // Windows are tested as the program shows them: right to left, in the Persian font.
    morvalen::ConfigureApplication(app);
#endif
    return RUN_ALL_TESTS();
}
