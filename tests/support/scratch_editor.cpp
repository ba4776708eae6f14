#include "support/scratch_editor.h"

#include "editor/ui/data_grid.h"
#include "editor/ui/form3.h"

#include <QtTest>

void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow)
{
    auto *model = grid.model();
    grid.setCurrentIndex(model->index(row, column));
    QVERIFY(model->setData(model->index(row, column), text));
    grid.setCurrentIndex(model->index(toRow, 0));
}

Form3 &openInEditor(std::unique_ptr<WizardDriver> &driver, const testpg::Login &user, const QString &table)
{
    if (!driver) {
        driver = std::make_unique<WizardDriver>();
        driver->logIn(user);
    } else if (driver->editor().isVisible()) {
        driver->editor().PushButton1_Click();
    }
    [&] { QVERIFY(driver->openTable(table)); }();
    return driver->editor();
}
