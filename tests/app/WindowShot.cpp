// rk_window_shot OUT.png: shows MainWindow (over test doubles, so no database is
// needed) on the current display, waits until it is painted and saves what
// the screen shows of it. Run under xvfb-run for docs/window.png.
#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>

#include "app/shell/Application.h"
#include "tests/app/WindowTestDoubles.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: rk_window_shot OUT.png\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    rk::app::Application app(argc, argv);
    rk::test::Events events;
    rk::test::FakeSetup setup;
    rk::test::TestMainWindow window({}, events, setup);
    app.setMainWindow(&window);
    window.show();
    window.activateWindow();
    int rc = 1;
    QTimer::singleShot(800, [&] {
        const QRect r = window.geometry();
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
        rc = shot.save(out) ? 0 : 1;
        app.terminate();
    });
    app.run();
    return rc;
}
