#include "KeyedCollection.h"

#include "AppError.h"

namespace
{

const QString kSource = QStringLiteral("Vellumtide");

AppError invalidCall()
{
    return {5, kSource, QStringLiteral("Invalid procedure call or argument")};
}

} // namespace

void KeyedCollection::add(const QVariant& item, const QString& key)
{
    if (!key.isEmpty() && indexOf(key) >= 0)
        throw AppError(457, kSource,
                       QStringLiteral("This key is already associated with an element of this collection"));
    m_items.append({key, item});
}

bool KeyedCollection::contains(const QString& key) const
{
    return indexOf(key) >= 0;
}

const QVariant& KeyedCollection::item(int position) const
{
    if (position < 1 || position > count())
        throw invalidCall();
    return m_items[position - 1].item;
}

const QVariant& KeyedCollection::item(const QString& key) const
{
    const qsizetype index = indexOf(key);
    if (index < 0)
        throw invalidCall();
    return m_items[index].item;
}

const QString& KeyedCollection::key(int position) const
{
    if (position < 1 || position > count())
        throw invalidCall();
    return m_items[position - 1].key;
}

qsizetype KeyedCollection::indexOf(const QString& key) const
{
    if (key.isEmpty())
        return -1;
    for (qsizetype i = 0; i < m_items.size(); ++i)
    {
        if (m_items[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}
