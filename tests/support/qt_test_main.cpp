#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdlib>

// Third-party libraries (fontconfig, libdbus) keep memory for the life of the
// process; LeakSanitizer would report it at exit. Run by hand or by ctest, the
// binary and every program it starts use the same suppressions.
extern "C" const char* __lsan_default_options() {
    return "suppressions=" KR5061_LSAN_SUPPRESSIONS;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("LSAN_OPTIONS")) {
        qputenv("LSAN_OPTIONS", "suppressions=" KR5061_LSAN_SUPPRESSIONS);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
