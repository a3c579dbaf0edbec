#include "domain_list.h"

#include "core/failure.h"

#include <QTimer>

#include <algorithm>
#include <limits>

namespace quill {

DomainList::DomainList(QObject *parent) : QAbstractListModel(parent) {}

void DomainList::Add(QByteArrayView text)
{
    if (m_ends.size() >= std::numeric_limits<int>::max())
        throw Failure(QStringLiteral("Out of memory"), 7);
    m_bytes.append(text);
    m_ends.push_back(m_bytes.size());
    schedulePublish();
}

void DomainList::Add(const QString &text)
{
    Add(QByteArrayView(text.toUtf8()));
}

void DomainList::checkPosition(int i) const
{
    if (i < 1 || i > Count())
        throw Failure(QStringLiteral("Index out of bounds"), 35600);
}

QByteArray DomainList::Item(int i) const
{
    return ItemView(i).toByteArray();
}

QByteArrayView DomainList::ItemView(int i) const
{
    checkPosition(i);
    const int row = i - 1;
    const qsizetype from = begin(row);
    return QByteArrayView(m_bytes.constData() + from, m_ends[row] - from);
}

void DomainList::Remove(int i)
{
    checkPosition(i);
    publish();
    const int row = i - 1;
    const qsizetype from = begin(row);
    const qsizetype length = m_ends[row] - from;
    beginRemoveRows(QModelIndex(), row, row);
    m_bytes.remove(from, length);
    m_ends.erase(m_ends.begin() + row);
    for (auto it = m_ends.begin() + row; it != m_ends.end(); ++it)
        *it -= length;
    m_published = Count();
    endRemoveRows();
}

void DomainList::Clear()
{
    beginResetModel();
    m_bytes = QByteArray();
    m_ends = {};
    m_published = 0;
    endResetModel();
}

void DomainList::reserve(qsizetype entries, qsizetype bytes)
{
    m_ends.reserve(entries);
    m_bytes.reserve(bytes);
}

void DomainList::setHeaderText(const QString &text)
{
    m_header = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);
}

void DomainList::schedulePublish()
{
    if (m_publishQueued)
        return;
    m_publishQueued = true;
    const qint64 since = m_sincePublish.isValid() ? m_sincePublish.elapsed() : kPublishInterval;
    QTimer::singleShot(std::max<qint64>(0, kPublishInterval - since), Qt::PreciseTimer, this, &DomainList::publish);
}

void DomainList::publish()
{
    m_publishQueued = false;
    const int total = Count();
    if (total <= m_published)
        return;
    beginInsertRows(QModelIndex(), m_published, total - 1);
    m_published = total;
    endInsertRows();
    m_sincePublish.start();
}

int DomainList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_published;
}

QVariant DomainList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_published)
        return {};
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return {};
    const qsizetype from = begin(index.row());
    QByteArrayView text(m_bytes.constData() + from, m_ends[index.row()] - from);
    if (text.size() <= kMaxShownBytes)
        return QString::fromUtf8(text);
    // Cut between characters, not inside one.
    qsizetype cut = kMaxShownBytes;
    while (cut > kMaxShownBytes - 3 && (uchar(text[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(text.first(cut)) + QChar(0x2026);
}

QVariant DomainList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_header;
    return QAbstractListModel::headerData(section, orientation, role);
}

bool DomainList::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::EditRole)
        return false;
    setHeaderText(value.toString());
    return true;
}

} // namespace quill
