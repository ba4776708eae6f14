#pragma once

#include <QHeaderView>
#include <QTimer>
#include <vector>

class QLineEdit;

// The grid's column headings with, when shown, a line of filter boxes under
// them, one per column, following the columns as they are moved, resized,
// hidden and scrolled. What is typed is handed on after a short pause (at
// once on Return), so that a filter follows the typing without filtering a
// million rows at every key.
class FilterHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit FilterHeader(QWidget *parent);

    // One empty box for each of the model's columns.
    void makeBoxes();
    int boxCount() const { return int(boxes_.size()); }
    QLineEdit *box(int column) const { return boxes_[size_t(column)]; }
    QString boxText(int column) const;
    void setBoxText(int column, const QString &text);
    void clearBoxes();
    // Red, with the reason as its tooltip, for a condition that filters nothing.
    void markMalformed(int column, const QString &reason);

    void setBoxesShown(bool shown);
    bool boxesShown() const { return shown_; }

    QSize sizeHint() const override;

signals:
    // The user changed the boxes, and paused.
    void boxesEdited();

protected:
    void updateGeometries() override;

private:
    void placeBoxes();
    int boxHeight() const;

    std::vector<QLineEdit *> boxes_;
    bool shown_ = false;
    mutable int boxHeight_ = 0;
    QTimer pause_;
};
