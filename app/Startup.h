// The program from start to end: "--help" and "--version" without a window,
// else the locale formats, the application, the engine session, MainWindow, the
// main loop and the exit code. main() only calls runProgram.
#pragma once

#include <string>

class QTranslator;

namespace rk::app {

int runProgram(int argc, char** argv);

// The texts "--help" and "--version" print (UTF-8).
std::string usageText();
std::string versionText();

// Qt's own texts (the file dialog's) for the user's language; false when
// no translation is installed for it.
bool loadQtTranslations(QTranslator& translator);

} // namespace rk::app
