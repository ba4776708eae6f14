#include "support/wait_cancel.h"

#include "app/seams.h"
#include "app/ui/wait_dialog.h"

#include <QProgressDialog>

CancelWhenShown::CancelWhenShown(std::function<bool()> ready)
{
    WaitDialog::setDelay(50);
    seams::current().progressReported = [this, ready = std::move(ready)](QProgressDialog *dialog) {
        if (!dialog || dialog->wasCanceled() || (ready && !ready()))
            return;
        label = dialog->labelText();
        shown = dialog->windowTitle() + u'|' + label + u'|' + QString::number(dialog->isVisible());
        sinceCancel_.start();
        dialog->cancel();
    };
}

void CancelWhenShown::stop()
{
    seams::current().progressReported = {};
    WaitDialog::setDelay(1000);
}
