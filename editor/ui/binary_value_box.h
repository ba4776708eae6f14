#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

// A binary value in the record view: its size and first bytes, loaded from
// a file and saved to one. The value is held as binary text (see
// db/binary_text.h), as the grid holds it.
class BinaryValueBox : public QWidget {
    Q_OBJECT
public:
    explicit BinaryValueBox(QWidget *parent);

    // `text` is binary text; NULL shows as no value, with nothing to save.
    void show(const QString &text, bool isNull);
    // NULL and back: the value held before comes back (no bytes, where
    // there was none).
    void setNull(bool isNull);
    QString text() const { return isNull_ ? QString() : text_; }
    QWidget *focusWidget() const;

    // The buttons' work, for the tests as well: false where the user
    // cancelled or the file could not be read or written (the user is told).
    bool loadFromFile();
    bool saveToFile();

    static constexpr int shownBytes = 16;

signals:
    // A file was loaded into the box.
    void loaded();

private:
    void update();

    QString text_;
    bool isNull_ = false;
    QLineEdit *summary_ = nullptr;
    QPushButton *load_ = nullptr;
    QPushButton *save_ = nullptr;
};
