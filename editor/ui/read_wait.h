#pragma once

class QWidget;
class TableModel;

// Waits, painting, until the model's table has been read to its end (or the
// read broke off). The usual wait dialog shows after its delay, counting the
// rows read; its Cancel gives up the wait, not the read. False when the user
// gave the wait up.
bool waitForRead(QWidget *window, TableModel &model);
