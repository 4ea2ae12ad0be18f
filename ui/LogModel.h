// SPDX-License-Identifier: MIT
#pragma once
// The event log as a Qt table model, newest row first. Rows are stored at once but shown to views in
// batches on a short timer, so a burst of changes costs one repaint, not one per row. Main thread only.

#include "log/LogRow.h"
#include "log/LogStore.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QTimer>

#include <cstddef>
#include <string>

namespace tervane {

class LogModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    /// The row's EntryKind as an int.
    static constexpr int KindRole = Qt::UserRole + 1;
    /// How long added rows may wait before views hear of them.
    static constexpr int kFlushDelayMs = 20;

    explicit LogModel(QObject* parent = nullptr);

    /// Rows views have been told about; rows added since the last flush are not counted yet.
    [[nodiscard]] int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role = Qt::DisplayRole) const override;

    /// Stores the row as the newest; views see it at the next flush.
    void addRow(const LogRow& row);
    /// Every row stored, announced or not: what an event counter shows.
    [[nodiscard]] std::size_t totalRows() const { return m_store.size(); }
    /// Announces all rows added since the last flush to the views now.
    void flush();
    void clear();

    /// Kind of an announced row.
    [[nodiscard]] EntryKind kindAt(int row) const;
    /// Location followed by Name of an announced row: the entry's full path as logged.
    [[nodiscard]] std::string fullPathAt(int row) const;
    [[nodiscard]] const LogStore& store() const { return m_store; }

    /// The text colour of rows of this kind; the legend's swatches use the same.
    [[nodiscard]] static QColor kindColor(EntryKind kind);

private:
    // Announced view row -> store view index: rows added since the last flush sit above the announced ones.
    [[nodiscard]] std::size_t storeIndex(int row) const { return static_cast<std::size_t>(row) + m_pending; }

    LogStore m_store;
    std::size_t m_pending = 0;
    QTimer m_flushTimer;
};

} // namespace tervane
