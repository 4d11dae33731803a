// The program from start to end: "--help" and "--version" without a window,
// else the locale formats, the application, the engine session, MainWindow, the
// main loop and the exit code. main() only calls RunProgram.
#pragma once

#include <string>

class QTranslator;

namespace rk::app {

int RunProgram(int argc, char** argv);

// The texts "--help" and "--version" print (UTF-8).
std::string UsageText();
std::string VersionText();

// Qt's own texts (the file dialog's) for the user's language; false when
// no translation is installed for it.
bool LoadQtTranslations(QTranslator& translator);

} // namespace rk::app
