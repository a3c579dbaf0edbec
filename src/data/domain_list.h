#pragma once

#include <QAbstractListModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QList>
#include <QString>

#include <optional>

namespace quill {

// One of the window's three lists of names: an ordered sequence of entries,
// numbered from 1, appended to at the end only. Each entry is kept as its
// exact bytes in one shared buffer, so a list of a million names costs the
// names themselves plus one offset each. The view sees entries decoded as
// UTF-8. Appends reach attached views in batches, so an append of many names
// costs one notification instead of one per name: the first append after a
// quiet spell shows on the next pass of the event loop, and while appends
// keep coming (a check run adds a name every few milliseconds) they show at
// most every kPublishInterval: every batch repaints the rows in sight, and
// more repaints than that a second only cost the run time. A removal
// publishes what is waiting first.
class DomainList final : public QAbstractListModel {
    Q_OBJECT

public:
    static constexpr int kPublishInterval = 100; // milliseconds
    // The views show an entry up to here and an ellipsis after: no one reads
    // further along one line of a list, and laying out a line of megabytes
    // would hold up every repaint for seconds. The entry itself is whole.
    static constexpr qsizetype kMaxShownBytes = 4096;

    explicit DomainList(QObject *parent = nullptr);

    void Add(QByteArrayView text);
    void Add(const QString &text); // stored as UTF-8
    int Count() const noexcept { return static_cast<int>(m_ends.size()); }
    // Entry i, counted from 1; throws Failure outside 1..Count.
    QByteArray Item(int i) const;
    QByteArrayView ItemView(int i) const;
    void Remove(int i);
    void Clear();

    // The bytes all entries take together.
    qsizetype byteSize() const noexcept { return m_bytes.size(); }
    // The memory the list has asked for to hold its entries, room to grow included.
    qsizetype allocatedBytes() const noexcept
    {
        return m_bytes.capacity() + m_ends.capacity() * qsizetype(sizeof(qsizetype));
    }
    void reserve(qsizetype entries, qsizetype bytes);
    void setHeaderText(const QString &text);
    QString headerText() const { return m_header; }

    // Publishes appended entries to the views now instead of on the next pass.
    void publish();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role) override;
    // Type-ahead's search for entries that start with a text, made on the
    // stored bytes (domain_list_match.cpp): a keystroke in a list of a
    // million names need not decode every one.
    QModelIndexList match(const QModelIndex &start, int role, const QVariant &value, int hits,
                          Qt::MatchFlags flags) const override;

private:
    qsizetype begin(int row) const noexcept { return row == 0 ? 0 : m_ends[row - 1]; }
    void checkPosition(int i) const;
    void schedulePublish();

    QByteArray m_bytes;
    // End offset of each entry in m_bytes. A QList grows in place where it
    // can, so growing leaves no copies of the offsets behind in the heap.
    QList<qsizetype> m_ends;
    int m_published = 0;           // rows the views know about
    bool m_publishQueued = false;
    QElapsedTimer m_sincePublish;  // since rows were last published
    QString m_header;
};

} // namespace quill
