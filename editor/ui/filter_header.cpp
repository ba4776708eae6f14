#include "editor/ui/filter_header.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>

FilterHeader::FilterHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent)
{
    setObjectName(QStringLiteral("FilterHeader"));
    pause_.setSingleShot(true);
    pause_.setInterval(250);
    connect(&pause_, &QTimer::timeout, this, &FilterHeader::boxesEdited);
    connect(this, &QHeaderView::sectionResized, this, [this] { placeBoxes(); });
    connect(this, &QHeaderView::sectionMoved, this, [this] { placeBoxes(); });
    connect(this, &QHeaderView::geometriesChanged, this, [this] { placeBoxes(); });
    if (auto *view = qobject_cast<QAbstractItemView *>(parent))
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { placeBoxes(); });
}

int FilterHeader::boxHeight() const
{
    if (boxHeight_ == 0)
        boxHeight_ = QLineEdit().sizeHint().height();
    return boxHeight_;
}

QSize FilterHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    if (shown_)
        size.setHeight(size.height() + boxHeight());
    return size;
}

void FilterHeader::updateGeometries()
{
    // The headings keep their height above the boxes.
    setViewportMargins(0, 0, 0, shown_ ? boxHeight() : 0);
    QHeaderView::updateGeometries();
    placeBoxes();
}

void FilterHeader::placeBoxes()
{
    const int height = boxHeight();
    for (int column = 0; column < boxCount(); ++column) {
        QLineEdit *edit = boxes_[size_t(column)];
        if (!shown_ || isSectionHidden(column)) {
            edit->hide();
            continue;
        }
        edit->setGeometry(sectionViewportPosition(column), this->height() - height, sectionSize(column), height);
        edit->show();
    }
}

void FilterHeader::makeBoxes()
{
    for (QLineEdit *edit : boxes_)
        edit->deleteLater();
    boxes_.clear();
    pause_.stop();
    const int columns = model() ? model()->columnCount() : 0;
    for (int column = 0; column < columns; ++column) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("FilterBox%1").arg(column));
        edit->setPlaceholderText(QStringLiteral("Filter"));
        edit->setClearButtonEnabled(true);
        connect(edit, &QLineEdit::textEdited, this, [this] { pause_.start(); });
        connect(edit, &QLineEdit::returnPressed, this, [this] {
            pause_.stop();
            emit boxesEdited();
        });
        boxes_.push_back(edit);
    }
    updateGeometries();
}

QString FilterHeader::boxText(int column) const
{
    return column >= 0 && column < boxCount() ? boxes_[size_t(column)]->text() : QString();
}

void FilterHeader::setBoxText(int column, const QString &text)
{
    if (column < 0 || column >= boxCount())
        return;
    // Put there by the program: shown from its start in a narrow box.
    boxes_[size_t(column)]->setText(text);
    boxes_[size_t(column)]->setCursorPosition(0);
}

void FilterHeader::clearBoxes()
{
    pause_.stop();
    for (QLineEdit *edit : boxes_)
        edit->clear();
}

void FilterHeader::markMalformed(int column, const QString &reason)
{
    if (column < 0 || column >= boxCount())
        return;
    QLineEdit *edit = boxes_[size_t(column)];
    edit->setStyleSheet(reason.isEmpty() ? QString() : QStringLiteral("QLineEdit { background: #ffc0c0; }"));
    edit->setToolTip(reason);
}

void FilterHeader::setBoxesShown(bool shown)
{
    if (shown == shown_)
        return;
    shown_ = shown;
    updateGeometry();
    updateGeometries();
    if (auto *view = qobject_cast<QAbstractItemView *>(parentWidget()))
        view->updateGeometry();
}
