#pragma once

#include <QList>
#include <QString>
#include <QVariant>

/// An ordered collection whose items may carry a unique key, compared without regard
/// to letter case. Items are found by 1-based position or by key; a missing one
/// raises AppError 5, as a missing collection item does.
class KeyedCollection
{
public:
    /// Appends an item; raises AppError 457 when the key is already taken.
    void add(const QVariant& item, const QString& key = QString());
    int count() const { return static_cast<int>(m_items.size()); }
    bool contains(const QString& key) const;
    const QVariant& item(int position) const;
    const QVariant& item(const QString& key) const;
    /// The key of the item at a 1-based position.
    const QString& key(int position) const;

private:
    struct Entry
    {
        QString key;
        QVariant item;
    };
    qsizetype indexOf(const QString& key) const;

    QList<Entry> m_items;
};
