#pragma once

#include <QString>
#include <memory>

class QSettings;

/// The per-user store of the last choices: string values under application
/// "Quillmark", section "Vellumtide". Every write is immediate.
class SettingsStore
{
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    /// The stored text of key, or defaultValue when the key does not exist.
    QString read(const QString& key, const QString& defaultValue = QString()) const;
    /// Creates or replaces the value and writes it through to disk.
    void write(const QString& key, const QString& value);
    /// Puts every value on disk now (a process about to end without unwinding needs this).
    void sync();
    /// The file the values live in.
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
