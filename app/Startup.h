// The program from start to end: "--help" and "--version" without a window,
// else the locale formats, the application, the engine session, Form1, the
// main loop and the exit code. main() only calls RunProgram.
#pragma once

#include <string>

namespace rk::app {

int RunProgram(int argc, char** argv);

// The texts "--help" and "--version" print (UTF-8).
std::string UsageText();
std::string VersionText();

} // namespace rk::app
