#include "SettingsStore.h"

#include <QSettings>

namespace
{
const QString kSection = QStringLiteral("Vellumtide");
}

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmark"),
                                             QStringLiteral("Vellumtide")))
{
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString& key, const QString& defaultValue) const
{
    const QString path = kSection + u'/' + key;
    // Another running copy may have written since we last looked: the last write wins.
    m_settings->sync();
    if (!m_settings->contains(path))
        return defaultValue;
    return m_settings->value(path).toString();
}

void SettingsStore::write(const QString& key, const QString& value)
{
    m_settings->setValue(kSection + u'/' + key, value);
    m_settings->sync();
}

void SettingsStore::sync()
{
    m_settings->sync();
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
