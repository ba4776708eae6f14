#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <vector>

class QLabel;
class QPushButton;
class RecordField;
class TableModel;

// Every value of one grid row, each in an editor that fits its column, in
// the grid's column order. The values go into the row through the grid's
// model and are written as the grid writes a row it leaves: OK writes and
// closes, Previous and Next write and move; a refused write keeps the dialog
// open with what was typed. Cancel leaves the row as it was before.
class RecordView : public QDialog {
    Q_OBJECT
public:
    // `goToRow` makes the grid's current row follow the dialog.
    RecordView(TableModel &model, std::vector<int> columns, int row, std::function<void(int)> goToRow,
               QWidget *parent);

    int row() const { return row_; }
    RecordField *field(int column) const;

    // The buttons' work, for the keys and the tests: false where the row was
    // refused (or what was typed cannot be a value) and the dialog stays.
    bool writeRow();
    bool moveBy(int step);

    void accept() override;
    void reject() override;

private:
    void showRow(int row);
    // Puts the fields that changed into the model's pending row.
    bool putIntoModel();
    void updateButtons();

    TableModel &model_;
    std::vector<int> columns_;
    int row_ = -1;
    std::function<void(int)> goToRow_;
    std::map<int, RecordField *> fields_;
    // What the grid held typed but unwritten in the row when it was shown.
    std::map<int, QString> pendingBefore_;
    QPushButton *previous_ = nullptr;
    QPushButton *next_ = nullptr;
    QLabel *position_ = nullptr;
};
