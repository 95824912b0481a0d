#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace Nuvra {

// A settings store as the application's views see it.
class ISettings {
public:
    virtual ~ISettings() = default;
    virtual void clear() = 0;
    virtual void sync() = 0;
    virtual QSettings::Status status() const = 0;
    virtual bool isWritable() const = 0;
    virtual QString group() const = 0;
    virtual bool hasKeys() const = 0;
    virtual QStringList allKeys() const = 0;
    virtual void setValue(const QString& key, const QVariant& value) = 0;
    virtual QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const = 0;
    virtual void remove(const QString& key) = 0;
    virtual bool contains(const QString& key) const = 0;
};

template <class Store>
class TSettings;

// The store interface over a QSettings it does not own; remembers whether
// anything changed since the last sync.
template <>
class TSettings<QSettings> final : public ISettings {
public:
    explicit TSettings(QSettings& store) : m_settings(&store) {}

    void clear() override
    {
        m_dirty = true;
        m_settings->clear();
    }
    void sync() override
    {
        m_settings->sync();
        m_dirty = false;
    }
    QSettings::Status status() const override { return m_settings->status(); }
    bool isWritable() const override { return m_settings->isWritable(); }
    QString group() const override { return m_settings->group(); }
    bool hasKeys() const override { return !m_settings->allKeys().isEmpty(); }
    QStringList allKeys() const override { return m_settings->allKeys(); }
    void setValue(const QString& key, const QVariant& value) override
    {
        m_dirty = true;
        m_settings->setValue(key, value);
    }
    QVariant value(const QString& key, const QVariant& defaultValue) const override
    {
        return m_settings->value(key, defaultValue);
    }
    void remove(const QString& key) override
    {
        m_dirty = true;
        m_settings->remove(key);
    }
    bool contains(const QString& key) const override { return m_settings->contains(key); }

    bool isDirty() const { return m_dirty; }

private:
    bool m_dirty = false;
    QSettings* m_settings;
};

// Read-only view of the keys under one group of a store it does not own.
class SettingsGroupRO {
public:
    SettingsGroupRO(ISettings& settings, const QString& group);
    SettingsGroupRO(const SettingsGroupRO&) = default;
    virtual ~SettingsGroupRO();
    SettingsGroupRO& operator=(const SettingsGroupRO&) = delete;

    virtual bool isWritable() const { return false; }

    QVariant value(const QString& key, const QVariant& defaultValue = QVariant()) const;

    const QString& group() const { return m_group; }
    // The key prefix: the group and "/", or empty for the root.
    QString prefix() const;
    QString trimSlashes(const QString& text) const;
    QString normalizeGroup(const QString& text) const;

protected:
    ISettings& m_settings;

private:
    QString m_group;
    QString m_groupPrefix;
    int m_arrayIndex = 0;
    bool m_arrayMode = false;
};

// Writable view. setValue is for temporaries only, such as the view that
// NuvraApplication::userSettings returns, so no view outlives a write.
class SettingsGroupRW : public SettingsGroupRO {
public:
    SettingsGroupRW(ISettings& settings, const QString& group);

    bool isWritable() const override;
    void setValue(const QString& key, const QVariant& value) &&;
};

} // namespace Nuvra
