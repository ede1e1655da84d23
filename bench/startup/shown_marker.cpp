// Loaded into a Qt Widgets program with LD_PRELOAD: prints "shown" on stdout
// once the program's first window has been painted, so a benchmark can time
// any build of any program, the same way, without a switch of its own.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class ShownMarker : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            qApp->removeEventFilter(this);
            // Once control is back in the loop: the whole first frame is drawn.
            QTimer::singleShot(0, qApp, [] {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
            });
        }
        return false;
    }
};

void installMarker()
{
    qApp->installEventFilter(new ShownMarker(qApp));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installMarker)
