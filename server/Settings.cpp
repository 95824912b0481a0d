#include "server/Settings.h"

namespace Nuvra {

SettingsGroupRO::SettingsGroupRO(ISettings& settings, const QString& group)
    : m_settings(settings), m_group(trimSlashes(group)), m_groupPrefix(normalizeGroup(group))
{
}

SettingsGroupRO::~SettingsGroupRO() = default;

QVariant SettingsGroupRO::value(const QString& key, const QVariant& defaultValue) const
{
    return m_settings.value(prefix() + trimSlashes(key), defaultValue);
}

QString SettingsGroupRO::prefix() const
{
    if (m_arrayMode && m_arrayIndex >= 1)
        return m_groupPrefix + QString::number(m_arrayIndex) + QLatin1Char('/');
    return m_groupPrefix;
}

QString SettingsGroupRO::trimSlashes(const QString& text) const
{
    int begin = 0;
    int end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char('/'))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char('/'))
        --end;
    return text.mid(begin, end - begin);
}

QString SettingsGroupRO::normalizeGroup(const QString& text) const
{
    QString group = trimSlashes(text);
    if (!group.isEmpty())
        group += QLatin1Char('/');
    return group;
}

SettingsGroupRW::SettingsGroupRW(ISettings& settings, const QString& group)
    : SettingsGroupRO(settings, group)
{
}

bool SettingsGroupRW::isWritable() const
{
    return m_settings.isWritable();
}

void SettingsGroupRW::setValue(const QString& key, const QVariant& value) &&
{
    m_settings.setValue(prefix() + trimSlashes(key), value);
}

} // namespace Nuvra
