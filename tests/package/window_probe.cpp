// Loaded into the packaged program with LD_PRELOAD, so that the program is
// tested as shipped, without hooks of its own: reports every top-level
// window it shows, with the program's folder, and closes it through its
// close box, which for the login window ends the program.
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class WindowProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *widget = static_cast<QWidget *>(watched);
            if (widget->isWindow()) {
                std::printf("shown: %s \"%s\" in %s\n", widget->metaObject()->className(),
                            qPrintable(widget->windowTitle()),
                            qPrintable(QCoreApplication::applicationDirPath()));
                std::fflush(stdout);
                QTimer::singleShot(0, widget, &QWidget::close);
            }
        }
        return false;
    }
};

void installProbe()
{
    QCoreApplication *app = QCoreApplication::instance();
    app->installEventFilter(new WindowProbe(app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)
