// MainWindow as the port of connectTargetDatabase (log, dialog, boxes, close) and
// its reaction to a change of the regional settings.
#include "app/FileDialogs.h"
#include "locale/LocaleFormats.h"
#include "tests/app/WindowTestSupport.h"

namespace rk::test {
namespace {

using app::MsgKind;

// The target connection as connectTargetDatabase sees it.
class FakeConnection : public transfer::TargetConnection {
public:
    explicit FakeConnection(bool opens) : m_opens(opens) {}
    void setDatabaseName(const std::string& path) override { name = path; }
    void open() override
    {
        if (!m_opens) throw EDatabaseError("cannot open");
        m_connected = true;
    }
    bool connected() const override { return m_connected; }
    std::string name;

private:
    bool m_opens;
    bool m_connected = false;
};

const auto kNoFile = [](const std::string&) { return false; };

TEST_F(WindowTest, CancelledDialogLeavesTheLogLineAndTheErrorBox)
{
    TestMainWindow& window = makeWindow();
    FakeConnection connection(true);
    transfer::connectTargetDatabase(window.connectPort(), connection, window.args(), kNoFile);

    EXPECT_EQ(window.lines(), (std::vector<std::string>{ansi("Übertragung von Ravelkamp 5 Daten in die Datenbank der Version VI")}));
    EXPECT_EQ(events.front(), "dialog " + ansi("Pfad zur Ravelkamp VI Datenbank|C:\\Programme\\|Datenbank|*.fdb"));
    EXPECT_EQ(window.boxes, (std::vector<Box>{{ansi("Keine Verbindung zur RK VI Datenbank!"), MsgKind::Error}}));
    EXPECT_FALSE(app().terminated());
}

TEST_F(WindowTest, ChosenFileThatCannotBeOpenedClosesTheWindow)
{
    TestMainWindow& window = makeWindow();
    window.dialogAnswer = "/data/rk6.fdb";
    FakeConnection connection(false);
    transfer::connectTargetDatabase(window.connectPort(), connection, window.args(), kNoFile);

    EXPECT_EQ(connection.name, "/data/rk6.fdb");
    EXPECT_EQ(window.boxes, (std::vector<Box>{{ansi("Kein Zugriff auf RK5 Daten."), MsgKind::Information},
                                            {ansi("Keine Verbindung zur RK VI Datenbank!"), MsgKind::Error}}));
    // The window's close operation ran between the two boxes.
    const auto closed = std::find(events.begin(), events.end(), "IBDatabase1.Close");
    ASSERT_NE(closed, events.end());
    EXPECT_EQ(*(closed + 1), "box " + ansi("Keine Verbindung zur RK VI Datenbank!"));
    EXPECT_TRUE(app().terminated());
}

TEST(QtFileFilter, NamePatternPairsBecomeQtFilters)
{
    EXPECT_EQ(app::qtFileFilter(ansi("Datenbank|*.fdb")).toStdString(), "Datenbank (*.fdb)");
    EXPECT_EQ(app::qtFileFilter("A|*.a;*.b|B|*.c").toStdString(), "A (*.a *.b);;B (*.c)");
    EXPECT_EQ(app::qtFileFilter("").toStdString(), "");
}

TEST_F(WindowTest, ChangedRegionalSettingsAreReadAgain)
{
    TestMainWindow& window = makeWindow();
    locale::LocaleFormats odd;
    odd.decimalMark = '#';
    locale::setCurrentFormats(odd);
    QEvent change(QEvent::LocaleChange);
    QApplication::sendEvent(&window, &change);
    EXPECT_NE(locale::currentFormats()->decimalMark, '#');
}

} // namespace
} // namespace rk::test
