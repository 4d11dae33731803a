// A fresh Application per test (the end of the program, once requested,
// stays requested for the life of the object), and helpers to show and
// activate a MainWindow as start-up does.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>
#include <memory>

#include "app/shell/Application.h"
#include "tests/app/FormTestDoubles.h"

namespace rk::test {

class FormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "rk_app_tests";
        static char* argv[] = {name, nullptr};
        m_app = std::make_unique<app::Application>(argc, argv);
    }
    void TearDown() override
    {
        m_form.reset();
        m_app.reset();
    }

    app::Application& application() { return *m_app; }

    TestMainWindow& makeForm(app::Arguments args = {})
    {
        m_form = std::make_unique<TestMainWindow>(std::move(args), events, setup);
        return *m_form;
    }

    // Start-up's show and activate, then the events they cause.
    void showAndActivate(TestMainWindow& form)
    {
        m_app->setMainWindow(&form);
        form.show();
        form.activateWindow();
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
    std::unique_ptr<app::Application> m_app;
    std::unique_ptr<TestMainWindow> m_form;
};

} // namespace rk::test
