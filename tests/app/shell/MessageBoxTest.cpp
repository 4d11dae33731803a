// showMessageBox on the offscreen platform: the built box, the keys and
// clicks that end it, Ctrl+C, and what goes on while it is open.
#include "ShellTestSupport.h"

#include "app/shell/MessageBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace rk::app;
using rk::ansi;
using rk::test::BoxDriver;
using rk::test::okButton;

namespace {

class MessageBoxTest : public rk::test::ShellTest {};

// Legend: how the user ends the box -> the result.
struct EndCase {
    const char* name;
    std::function<void(MessageForm*)> act;
    int result;
};

class MessageBoxEndTest : public rk::test::ShellTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(MessageBoxEndTest, Result)
{
    BoxDriver driver(GetParam().act);
    EXPECT_EQ(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information), GetParam().result);
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_FALSE(driver.timedOut());
}

INSTANTIATE_TEST_SUITE_P(
    Ways, MessageBoxEndTest,
    ::testing::Values(
        EndCase{"EnterOnBox", [](MessageForm* b) { QTest::keyClick(b, Qt::Key_Return); }, mrOk},
        EndCase{"KeypadEnterOnButton", [](MessageForm* b) { QTest::keyClick(okButton(b), Qt::Key_Enter, Qt::KeypadModifier); }, mrOk},
        EndCase{"EscapeOnBox", [](MessageForm* b) { QTest::keyClick(b, Qt::Key_Escape); }, mrOk},
        EndCase{"EscapeOnButton", [](MessageForm* b) { QTest::keyClick(okButton(b), Qt::Key_Escape); }, mrOk},
        EndCase{"SpaceOnButton", [](MessageForm* b) { QTest::keyClick(okButton(b), Qt::Key_Space); }, mrOk},
        EndCase{"Click", [](MessageForm* b) { QTest::mouseClick(okButton(b), Qt::LeftButton); }, mrOk},
        EndCase{"SystemClose", [](MessageForm* b) { b->windowHandle()->close(); }, mrCancel}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MessageBoxTest, KindGivesTitleIconAndOneDefaultOkButton)
{
    std::vector<std::string> titles;
    std::vector<QString> texts;
    BoxDriver driver([&](MessageForm* box) {
        titles.push_back(box->windowTitle().toStdString());
        texts.push_back(box->findChild<QLabel*>("Message")->text());
        const QObjectList& children = box->children();
        std::vector<QString> names;
        for (QObject* child : children)
            if (child->isWidgetType()) names.push_back(child->objectName());
        EXPECT_EQ(names, (std::vector<QString>{"Image", "Message", "OK"}));
        QPushButton* ok = okButton(box);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_TRUE(ok->isDefault());
        EXPECT_FALSE(box->findChild<QLabel*>("Image")->pixmap().isNull());
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        QTest::keyClick(box, Qt::Key_Return);
    });
    showMessageBox(ansi("Keine Verbindung zur RK VI Datenbank!"), MsgKind::Error);
    showMessageBox(ansi("Kein Zugriff auf RK5 Daten."), MsgKind::Information);
    EXPECT_EQ(titles, (std::vector<std::string>{"Fehler", "Informationen"}));
    EXPECT_EQ(texts, (std::vector<QString>{"Keine Verbindung zur RK VI Datenbank!", "Kein Zugriff auf RK5 Daten."}));
}

TEST_F(MessageBoxTest, ChildrenSitWhereTheLayoutPutsThemAndTheBoxIsCentred)
{
    MessageForm box(ansi("Informationen"), ansi("Übertragung beendet"), QStyle::SP_MessageBoxInformation);
    const MessageBoxLayout& l = box.boxLayout();
    EXPECT_EQ(box.size(), l.client);
    EXPECT_EQ(box.findChild<QLabel*>("Image")->geometry(), l.image);
    EXPECT_EQ(box.findChild<QLabel*>("Message")->geometry(), l.message);
    EXPECT_EQ(okButton(&box)->geometry(), l.buttons.at(0));
    // The base units are the font's: a bigger font gives a bigger box.
    const QFont font = messageBoxFont();
    QFont big = font;
    big.setPixelSize(QFontMetrics(font).height() * 2);
    const auto small = layOutMessageBox(measureMessageBox(font, "Text", {"OK"}, 800));
    const auto large = layOutMessageBox(measureMessageBox(big, "Text", {"OK"}, 800));
    EXPECT_GT(large.buttonHeight, small.buttonHeight);
    EXPECT_GT(large.client.width(), small.client.width());

    BoxDriver driver([](MessageForm* b) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        EXPECT_EQ(b->frameGeometry().topLeft(), centeredPosition(b->frameGeometry().size(), screen.size()));
        QTest::keyClick(b, Qt::Key_Return);
    });
    EXPECT_EQ(box.execute(true), mrOk);
}

TEST_F(MessageBoxTest, LongTextWrapsWithinHalfTheScreen)
{
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    std::string longText;
    for (int i = 0; i < 40; ++i) longText += "Datenbank ";
    MessageForm shortBox("T", "Datenbank", QStyle::SP_MessageBoxInformation);
    MessageForm longBox("T", longText, QStyle::SP_MessageBoxInformation);
    EXPECT_LE(longBox.boxLayout().message.width(), half);
    EXPECT_GT(longBox.boxLayout().message.height(), 2 * shortBox.boxLayout().message.height());
    EXPECT_GT(longBox.boxLayout().buttons[0].top(), shortBox.boxLayout().buttons[0].top());
}

TEST_F(MessageBoxTest, CtrlCCopiesTheBoxCtrlShiftCDoesNothing)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("vorher");
    QString afterShift, afterCtrl;
    BoxDriver driver([&](MessageForm* box) {
        QTest::keyClick(okButton(box), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        afterShift = clipboard->text();
        QTest::keyClick(okButton(box), Qt::Key_C, Qt::ControlModifier);
        afterCtrl = clipboard->text();
        EXPECT_TRUE(box->isVisible());
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information), mrOk);
    EXPECT_EQ(afterShift, "vorher");
    const QByteArray expected = "---------------------------\r\nInformationen\r\n---------------------------\r\n"
                                "\xC3\x9c" "bertragung beendet\r\n---------------------------\r\nOK   \r\n"
                                "---------------------------\r\n";
    EXPECT_EQ(afterCtrl.toUtf8(), expected);
}

TEST_F(MessageBoxTest, RefusedClipboardIsShownAndTheBoxStaysOpen)
{
    auto old = detail::setClipboardWriter([](const QString&) { return false; });
    bool boxStillOpen = false;
    BoxDriver driver([&](MessageForm* box) {
        if (box->title() == "Informationen") {
            // Opens the error box on top.
            QTimer::singleShot(0, box, [box] { QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier); });
            return;
        }
        boxStillOpen = true;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* other = qobject_cast<MessageForm*>(w); other && other != box)
                boxStillOpen = boxStillOpen && other->isVisible();
        QTest::keyClick(box, Qt::Key_Return);
        // The information box waits on; end it from its own loop.
        QTimer::singleShot(20, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<MessageForm*>(w); b && b->isVisible()) b->finish(mrOk);
        });
    });
    EXPECT_EQ(showMessageBox(ansi("Übertragung beendet"), MsgKind::Information), mrOk);
    detail::setClipboardWriter(old);
    ASSERT_EQ(driver.seen().size(), 2u);
    EXPECT_EQ(driver.seen()[1].title, "RK_VAD2AV");
    EXPECT_EQ(driver.seen()[1].text, ansi("Zwischenablage kann nicht geöffnet werden."));
    EXPECT_TRUE(boxStillOpen);
}

TEST_F(MessageBoxTest, TimersAndPostedEventsGoOnWhileABoxIsOpen)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    bool posted = false;
    BoxDriver driver([&](MessageForm* box) {
        QMetaObject::invokeMethod(&app(), [&] { posted = true; }, Qt::QueuedConnection);
        QTimer::singleShot(100, box, [box] { QTest::keyClick(box, Qt::Key_Return); });
    });
    EXPECT_EQ(showMessageBox("Text", MsgKind::Information), mrOk);
    EXPECT_GE(ticks, 5);
    EXPECT_TRUE(posted);
}

TEST_F(MessageBoxTest, StayOnTopMainWindowGivesItUpWhileTheBoxIsOpen)
{
    QWidget main(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    auto* button = new QPushButton("Beenden", &main);
    bool clicked = false;
    QObject::connect(button, &QPushButton::clicked, [&] { clicked = true; });
    main.show();
    app().setMainWindow(&main);
    bool onTopWhileOpen = true;
    BoxDriver driver([&](MessageForm* box) {
        onTopWhileOpen = main.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint);
        // Through the window system, as a user's click comes: input reaches only the box.
        QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, button->geometry().center());
        QTest::keyClick(box, Qt::Key_Return);
    });
    showMessageBox("Text", MsgKind::Information);
    EXPECT_FALSE(onTopWhileOpen);
    EXPECT_FALSE(clicked);
    EXPECT_TRUE(main.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(main.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(MessageBoxTest, HeadlessRunWritesTitleAndTextToStandardError)
{
    app().terminate(); // the box then ends at once
    ::testing::internal::CaptureStderr();
    showMessageBox(ansi("Zeile eins\r\nÜbertragung beendet"), MsgKind::Error);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Fehler: Zeile eins \xC3\x9c" "bertragung beendet\n");
}

} // namespace
