#include "editor/ui/binary_value_box.h"

#include "app/message_box.h"
#include "app/seams.h"
#include "db/binary_text.h"
#include "editor/cell_tooltip.h"
#include "export/save_dialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

namespace {

QString askOpenFileName(QWidget *parent, const QString &title)
{
    if (const auto &seam = seams::current().openDialog)
        return seam(parent, title);
    return QFileDialog::getOpenFileName(parent, title, QDir::homePath());
}

} // namespace

BinaryValueBox::BinaryValueBox(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    summary_ = new QLineEdit(this);
    summary_->setReadOnly(true);
    load_ = new QPushButton(QStringLiteral("Load from File..."), this);
    save_ = new QPushButton(QStringLiteral("Save to File..."), this);
    load_->setAutoDefault(false);
    save_->setAutoDefault(false);
    layout->addWidget(summary_, 1);
    layout->addWidget(load_);
    layout->addWidget(save_);
    connect(load_, &QPushButton::clicked, this, [this] { loadFromFile(); });
    connect(save_, &QPushButton::clicked, this, [this] { saveToFile(); });
    update();
}

QWidget *BinaryValueBox::focusWidget() const { return summary_; }

void BinaryValueBox::show(const QString &text, bool isNull)
{
    text_ = isNull ? QString() : text;
    isNull_ = isNull;
    update();
}

void BinaryValueBox::setNull(bool isNull)
{
    isNull_ = isNull;
    update();
}

void BinaryValueBox::update()
{
    if (isNull_) {
        summary_->clear();
    } else {
        const QString start = db::binaryTextStart(text_, shownBytes);
        summary_->setText(start.isEmpty() ? binaryToolTip(text_) : binaryToolTip(text_) + QStringLiteral(": ") + start);
        summary_->setCursorPosition(0);
    }
    save_->setEnabled(!isNull_);
}

bool BinaryValueBox::loadFromFile()
{
    const QString path = askOpenFileName(this, QStringLiteral("Load from File"));
    if (path.isEmpty())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        msgbox::show(QStringLiteral("%1 could not be read: %2").arg(QDir::toNativeSeparators(path), file.errorString()),
                     msgbox::Exclamation);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        msgbox::show(QStringLiteral("%1 could not be read: %2").arg(QDir::toNativeSeparators(path), file.errorString()),
                     msgbox::Exclamation);
        return false;
    }
    // In the form the column's values come in, so that the grid shows it alike.
    text_ = db::binaryTextOf(bytes, text_);
    isNull_ = false;
    update();
    emit loaded();
    return true;
}

bool BinaryValueBox::saveToFile()
{
    const std::optional<QByteArray> bytes = isNull_ ? std::nullopt : db::bytesOfBinaryText(text_);
    if (!bytes)
        return false;
    const QString path = askSaveFileName(this, QStringLiteral("Save to File"), QString(), QString());
    if (path.isEmpty())
        return false;
    // Written whole or not at all: a file cut short would pass for the value.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit()) {
        msgbox::show(
            QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), file.errorString()),
            msgbox::Exclamation);
        return false;
    }
    return true;
}
