#pragma once

#include "editor/cell_search.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The small window in which the user asks the grid to find a text. It stays
// open beside the grid; the grid does the finding when asked.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget *parent);

    CellSearch search() const;
    // A short note under the buttons: wrapped round, not found.
    void setNote(const QString &text);
    QString note() const;

    QLineEdit *findText;
    QCheckBox *matchCase;
    QCheckBox *wholeCell;
    QPushButton *findNext;
    QPushButton *findPrevious;
    QPushButton *closeButton;

signals:
    void findRequested(bool forward);

private:
    QLabel *note_;
};
