#include "app/ui/kit/look.h"

#include "app/app_error.h"
#include "app/paths.h"
#include "app/ui/kit/wizard_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QRadioButton>
#include <QWidget>

// Resources of a static library are only linked in when something names them.
static void initLookResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace {

// Frames, labels, option buttons and check boxes show the window's face;
// text boxes, lists, buttons and grids keep their own colours.
bool takesFaceColour(const QWidget *control)
{
    return qobject_cast<const QGroupBox *>(control) || qobject_cast<const QLabel *>(control)
        || qobject_cast<const QRadioButton *>(control) || qobject_cast<const QCheckBox *>(control);
}

void paintBackground(QWidget &widget, const QColor &colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QString readSkin(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot read the skin file %1: %2").arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(QStringLiteral("Cannot read the skin file %1: %2").arg(path, file.errorString()));
    return QString::fromUtf8(content);
}

} // namespace

QColor buttonFaceColour()
{
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

void ApplyFaceColor(QWidget &window)
{
    const QColor face = buttonFaceColour();
    paintBackground(window, face);
    const QList<QWidget *> controls = window.findChildren<QWidget *>();
    for (QWidget *control : controls) {
        if (takesFaceColour(control))
            paintBackground(*control, face);
    }
}

void ApplySkin(QWidget &loginWindow)
{
    applySkinFile(loginWindow, skinFilePath());
}

void applySkinFile(QWidget &loginWindow, const QString &skinPath)
{
    // Only a plain file counts: a folder of that name is no skin.
    if (!QFileInfo(skinPath).isFile())
        return;
    ApplyFaceColor(loginWindow);
    loginWindow.setStyleSheet(readSkin(skinPath));
}

QIcon applicationIcon()
{
    initLookResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/tabvale/icon/tabvale-%1.png").arg(size), QSize(size, size));
    return icon;
}

void loadMouseIcon(WizardWindow &window, const QString &path)
{
    window.setMouseIcon(loadCursorFile(path));
}
