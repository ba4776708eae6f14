#pragma once

// A scratch login's tables edited in the editor, reached through the wizard.

#include "support/scratch_sql.h"
#include "support/wizard_driver.h"

#include <QString>
#include <memory>

class DataGrid;
class Form3;

// Types into a cell through the model and moves to the first cell of
// another row, which writes the row left.
void editAndLeave(DataGrid &grid, int row, int column, const QString &text, int toRow);

// Logs in on the first call and leaves a table still open with "< Back",
// then opens the table; a test fails when the table is not listed.
Form3 &openInEditor(std::unique_ptr<WizardDriver> &driver, const testpg::Login &user, const QString &table);
