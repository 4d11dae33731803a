// The window tests' fixture: a fresh Application per test (ShellTest), a
// MainWindow over recording doubles, and helpers to show and activate it
// as start-up does.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <memory>

#include "tests/app/WindowTestDoubles.h"
#include "tests/app/shell/ShellTestSupport.h"

namespace rk::test {

class WindowTest : public ShellTest {
protected:
    void TearDown() override
    {
        m_window.reset();
        ShellTest::TearDown();
    }

    TestMainWindow& makeWindow(app::Arguments args = {})
    {
        m_window = std::make_unique<TestMainWindow>(std::move(args), events, setup);
        return *m_window;
    }

    // Start-up's show and activate, then the events they cause.
    void showAndActivate(TestMainWindow& window)
    {
        app().setMainWindow(&window);
        window.show();
        window.activateWindow();
        QApplication::processEvents();
    }

    // Processes events for `ms` milliseconds, or until `done` holds.
    static void pump(int ms, const std::function<bool()>& done = {})
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms && !(done && done())) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            QTest::qWait(1);
        }
    }

    Events events;
    FakeSetup setup;

private:
    std::unique_ptr<TestMainWindow> m_window;
};

} // namespace rk::test
