// Test helpers for the shell: a fresh Application per test (the end of the
// program, once requested, stays requested) and a driver that acts on each
// box as it opens, the way a user would, from a timer of the box's own loop.
#pragma once

#include "app/shell/Application.h"
#include "app/shell/MessageForm.h"
#include "db/common/Ansi.h"

#include <QApplication>
#include <QPushButton>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <map>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace rk::test {

// The window and first-start tests build on it too.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Named after the test program, as the start-up error box names its module.
        static int argc = 1;
        static char* argv[] = {program_invocation_short_name, nullptr};
        m_app = std::make_unique<rk::app::Application>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

    rk::app::Application& app() { return *m_app; }

private:
    std::unique_ptr<rk::app::Application> m_app;
};

// Calls act once for every box that becomes visible; a box left open for
// five seconds is ended with result 99 so a faulty test fails, not hangs.
// An action that opens a further box must do so from a timer of its own: the
// driver sees nothing while its action runs.
class BoxDriver {
public:
    using Action = std::function<void(rk::app::MessageForm*)>;

    explicit BoxDriver(Action act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(5);
    }

    struct Seen {
        std::string title;
        std::string text;
    };
    const std::vector<Seen>& seen() const { return m_seen; }
    bool timedOut() const { return m_timedOut; }

private:
    void poll()
    {
        std::vector<rk::app::MessageForm*> visible;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<rk::app::MessageForm*>(w); box && box->isVisible()) visible.push_back(box);
        for (rk::app::MessageForm* box : visible) {
            // Marked on the box itself: a new box may take a gone one's address.
            if (!box->property("rkDriven").toBool()) {
                box->setProperty("rkDriven", true);
                m_opened[box].start();
                m_seen.push_back({box->title(), box->text()});
                m_act(box);
                return; // one action per tick: the action may open a nested box
            }
            if (m_opened[box].elapsed() > 5000) {
                m_timedOut = true;
                box->finish(99);
            }
        }
    }

    Action m_act;
    QTimer m_timer;
    std::map<rk::app::MessageForm*, QElapsedTimer> m_opened;
    std::vector<Seen> m_seen;
    bool m_timedOut = false;
};

inline QPushButton* okButton(rk::app::MessageForm* box) { return box->findChild<QPushButton*>("OK"); }

} // namespace rk::test
