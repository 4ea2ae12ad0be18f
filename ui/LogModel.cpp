// SPDX-License-Identifier: MIT
#include "ui/LogModel.h"

#include <QString>

#include <array>

namespace tervane {

namespace {

const std::array<const char*, kLogColumnCount> kHeaders{"Timestamp", "Action",   "Name", "Location",
                                                        "Size [B]",  "Modified", "Attrs"};

bool rightAligned(int column)
{
    return column == static_cast<int>(LogColumn::Size) || column == static_cast<int>(LogColumn::Attrs);
}

} // namespace

LogModel::LogModel(QObject* parent) : QAbstractTableModel(parent)
{
    // Single-shot and only started when idle: a steady stream of changes still gets shown every
    // kFlushDelayMs instead of being postponed for as long as it lasts.
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &LogModel::flush);
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_store.size() - m_pending);
}

int LogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kLogColumnCount;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const std::size_t at = storeIndex(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const std::string_view text = m_store.cell(at, static_cast<LogColumn>(index.column()));
        return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::ForegroundRole:
        return kindColor(m_store.kind(at));
    case Qt::TextAlignmentRole:
        if (rightAligned(index.column())) {
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        }
        return {};
    case KindRole:
        return static_cast<int>(m_store.kind(at));
    default:
        return {};
    }
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kLogColumnCount) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return QString::fromLatin1(kHeaders[static_cast<std::size_t>(section)]);
    }
    if (role == Qt::TextAlignmentRole && rightAligned(section)) {
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    }
    return {};
}

void LogModel::addRow(const LogRow& row)
{
    m_store.append(row);
    ++m_pending;
    if (!m_flushTimer.isActive()) {
        m_flushTimer.start();
    }
}

void LogModel::flush()
{
    m_flushTimer.stop();
    if (m_pending == 0) {
        return;
    }
    beginInsertRows(QModelIndex(), 0, static_cast<int>(m_pending) - 1);
    m_pending = 0;
    endInsertRows();
}

void LogModel::clear()
{
    m_flushTimer.stop();
    beginResetModel();
    m_store.clear();
    m_pending = 0;
    endResetModel();
}

EntryKind LogModel::kindAt(int row) const
{
    return m_store.kind(storeIndex(row));
}

std::string LogModel::fullPathAt(int row) const
{
    std::string path(m_store.cell(storeIndex(row), LogColumn::Location));
    path += m_store.cell(storeIndex(row), LogColumn::Name);
    return path;
}

QColor LogModel::kindColor(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Folder:
        return {0, 128, 0};
    case EntryKind::File:
        return {0, 0, 255};
    case EntryKind::Removed:
        return {255, 0, 0};
    }
    return {};
}

} // namespace tervane
