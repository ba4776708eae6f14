#include "app/look.h"

#include "app/app_error.h"
#include "app/wizard_window.h"

#include <QWidget>

// Placeholder look: replaced by the full skin, colour and pointer code.
void ApplySkin(QWidget &) {}
void ApplyFaceColor(QWidget &) {}
QIcon applicationIcon() { return {}; }
QCursor loadCursorFile(const QString &path)
{
    throw AppError(QStringLiteral("Cannot read the cursor file %1").arg(path));
}
void loadMouseIcon(WizardWindow &window, const QString &path)
{
    window.setMouseIcon(loadCursorFile(path));
}
void installPointerFeedback(WizardWindow &, std::initializer_list<QWidget *>, std::initializer_list<QWidget *>) {}
