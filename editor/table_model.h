#pragma once

#include "db/table_snapshot.h"

#include <QAbstractTableModel>
#include <functional>
#include <map>
#include <memory>

// The rows of the table being edited. Edits of one row are held as pending
// until the row is committed (when the user leaves it); only then are they
// written to the database. A row the database refuses keeps the user's text,
// so nothing typed is lost, and can be corrected or reverted.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(QObject *parent = nullptr);
    ~TableModel() override;

    // Shows another table (or none); the previous snapshot and its
    // connection are released.
    void setSnapshot(std::unique_ptr<db::TableSnapshot> snapshot);
    const db::TableSnapshot *snapshot() const { return snapshot_.get(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // The text a cell shows: the pending edit where there is one.
    QString cellText(int row, int column) const;
    bool isNumericColumn(int column) const;

    bool hasPendingEdit() const { return pendingRow_ >= 0; }
    int pendingRow() const { return pendingRow_; }
    // Column -> text the user typed into the pending row.
    const std::map<int, QString> &pendingEdits() const { return pending_; }

    // Writes the pending row. On refusal emits rowRejected with the reason,
    // keeps the user's text and returns false.
    bool commitPendingRow();
    // Puts back the values the pending row had before it was edited.
    void revertPendingRow();

    // How a database call of the model is waited for: `call` runs, its
    // failure is thrown, and background::Cancelled when the user gave up
    // waiting. The window sets one that runs it beside itself; none runs it
    // here. `call` must own what it uses: a call given up may end later.
    using DatabaseWait = std::function<void(const QString &what, std::function<void()> call)>;
    void setDatabaseWait(DatabaseWait wait) { wait_ = std::move(wait); }

    static constexpr QStringView cancelledWriteText = u"The row was not written: you cancelled the write.";

signals:
    void rowRejected(int row, const QString &reason);

private:
    void emitRowChanged(int row);

    std::unique_ptr<db::TableSnapshot> snapshot_;
    DatabaseWait wait_;
    int pendingRow_ = -1;
    std::map<int, QString> pending_; // column -> text typed by the user
};
