// Runs where nobody sits in front of the screen. Start-up switches this on
// for Qt's offscreen platform: every box and the file dialog then writes one
// line to standard error and is answered at once (OK, Cancel), so an
// unattended run always ends by itself; the status log goes to standard
// error too (as on every platform, for a support person reading a run
// afterwards). Tests on the offscreen platform leave it off and press the
// buttons themselves.
#pragma once

#include <QString>
#include <string>

namespace rk::app {

void setNoOneAtScreen(bool on);
bool noOneAtScreen();

// One line on standard error, UTF-8 from Windows-1252, written at once or
// dropped (see StderrLog.h): never waits for the reader.
void writeStderrLine(const std::string& ansiText);

// Qt's warnings about what the offscreen platform cannot do (opacity,
// size hints): noise in a caller's log.
bool isOffscreenPlatformNoise(const QString& message);
// Qt's warnings about its runtime folder ("QStandardPaths: XDG_RUNTIME_DIR
// not set ...", "... wrong permissions on runtime directory ..."): Qt goes
// on, the program keeps nothing there; not the first line a caller reads.
bool isQtStartNoise(const QString& message);
// Installs a message handler that drops exactly those and passes every
// other message to the handler before it, or, where that is Qt's default,
// writes it through stderrLog().
void dropOffscreenPlatformNoise();

} // namespace rk::app
