// Recording doubles for the transfer run's ports. Every call that matters to
// the staging side lands in one journal, so a test can assert the exact
// order of statements, commits, log lines and progress values.
#pragma once

#include <algorithm>
#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/ProgressRange.h"
#include "db/common/Ansi.h"
#include "db/common/Exception.h"
#include "tests/support/FakeClock.h"
#include "tests/support/SourceDouble.h"
#include "tests/support/TargetDouble.h"
#include "transfer/TransferPorts.h"

namespace rk::transfer::test {

using rk::app::ProgressRange;

using Journal = std::vector<std::string>;

using rk::test::FakeResult;
using rk::test::FakeSource;
using rk::test::FakeTarget;
using rk::test::scanParams;

class FakeWindow : public TransferWindow {
public:
    explicit FakeWindow(Journal& journal) : m_journal(journal) {}

    std::vector<std::string> log;
    bool startEnabled = true, quitEnabled = true;
    int messagePumps = 0;
    bool recordProgress = true;
    std::function<void()> onProcessMessages;
    std::function<void()> onStopCheck;

    void appendLog(const std::string& line) override
    {
        log.push_back(line);
        m_journal.push_back("LOG " + line);
    }
    void focusLog() override { m_journal.push_back("FOCUS"); }
    void setStartEnabled(bool e) override
    {
        startEnabled = e;
        m_journal.push_back(std::string("start button ") + (e ? "on" : "off"));
    }
    void setQuitEnabled(bool e) override
    {
        quitEnabled = e;
        m_journal.push_back(std::string("quit button ") + (e ? "on" : "off"));
    }
    int progressMax(ProgressBarId bar) const override { return range(bar).max(); }
    void setProgressMax(ProgressBarId bar, int max) override
    {
        range(bar).setMax(max);
        note(bar, " max=", max);
    }
    int progressPosition(ProgressBarId bar) const override { return range(bar).position(); }
    void setProgressPosition(ProgressBarId bar, int position) override
    {
        range(bar).setPosition(position);
        note(bar, " pos=", range(bar).position());
    }
    void repaintWindow() override { m_journal.push_back("REPAINT"); }
    void processEvents() override
    {
        ++messagePumps;
        if (onProcessMessages) onProcessMessages();
    }
    void stopIfRequested() override
    {
        if (onStopCheck) onStopCheck();
    }

private:
    ProgressRange& range(ProgressBarId bar) { return bar == ProgressBarId::Rows ? m_rowBar : m_tableBar; }
    const ProgressRange& range(ProgressBarId bar) const
    {
        return bar == ProgressBarId::Rows ? m_rowBar : m_tableBar;
    }
    void note(ProgressBarId bar, const char* what, int value)
    {
        // The lower bar moves once per row; only its resets and maxima are journalled.
        if (!recordProgress) return;
        if (bar == ProgressBarId::Rows && std::string(what) == " pos=" && value != 0) return;
        m_journal.push_back(std::string(bar == ProgressBarId::Rows ? "row bar" : "table bar") + what +
                            std::to_string(value));
    }

    Journal& m_journal;
    ProgressRange m_rowBar, m_tableBar;
};

using rk::test::FakeClock;

} // namespace rk::transfer::test
