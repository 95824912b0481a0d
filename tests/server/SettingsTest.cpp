#include "server/Settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <map>

namespace {

// A store that remembers the exact keys it is asked for.
class RecordingStore : public Nuvra::ISettings {
public:
    void clear() override { values.clear(); }
    void sync() override {}
    QSettings::Status status() const override { return QSettings::NoError; }
    bool isWritable() const override { return writable; }
    QString group() const override { return {}; }
    bool hasKeys() const override { return !values.empty(); }
    QStringList allKeys() const override
    {
        QStringList keys;
        for (const auto& entry : values)
            keys << entry.first;
        return keys;
    }
    void setValue(const QString& key, const QVariant& value) override { values[key] = value; }
    QVariant value(const QString& key, const QVariant& defaultValue) const override
    {
        lastRead = key;
        const auto it = values.find(key);
        return it == values.end() ? defaultValue : it->second;
    }
    void remove(const QString& key) override { values.erase(key); }
    bool contains(const QString& key) const override { return values.count(key) != 0; }

    bool writable = true;
    std::map<QString, QVariant> values;
    mutable QString lastRead;
};

struct SlashCase {
    const char* group;
    const char* key;
    const char* expectedGroup;
    const char* expectedPrefix;
    const char* storeKey;
};

void PrintTo(const SlashCase& c, std::ostream* os)
{
    *os << "group \"" << c.group << "\" key \"" << c.key << '"';
}

class SettingsSlashes : public ::testing::TestWithParam<SlashCase> {};

TEST_P(SettingsSlashes, ViewsAddressTheStoreUnderTheNormalisedGroup)
{
    const SlashCase& c = GetParam();
    RecordingStore store;

    Nuvra::SettingsGroupRW(store, QString::fromUtf8(c.group)).setValue(QString::fromUtf8(c.key), 7);
    ASSERT_EQ(store.values.size(), 1u);
    EXPECT_EQ(store.values.begin()->first.toStdString(), c.storeKey);

    const Nuvra::SettingsGroupRO view(store, QString::fromUtf8(c.group));
    EXPECT_EQ(view.group().toStdString(), c.expectedGroup);
    EXPECT_EQ(view.prefix().toStdString(), c.expectedPrefix);
    EXPECT_EQ(view.value(QString::fromUtf8(c.key), -1).toInt(), 7);
    EXPECT_EQ(store.lastRead.toStdString(), c.storeKey);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsSlashes,
                         ::testing::Values(SlashCase{"/Style//", "/UIScale", "Style", "Style/", "Style/UIScale"},
                                           SlashCase{"", "UIScale/", "", "", "UIScale"},
                                           SlashCase{"///", "//a/b//", "", "", "a/b"},
                                           SlashCase{"a//b", "k", "a//b", "a//b/", "a//b/k"},
                                           SlashCase{"", "///", "", "", ""},
                                           SlashCase{"g", "/", "g", "g/", "g/"}));

TEST(SettingsViews, MissingKeyGivesTheDefault)
{
    RecordingStore store;
    const Nuvra::SettingsGroupRO view(store, QStringLiteral("Style"));
    EXPECT_EQ(view.value(QStringLiteral("UIScale"), 1.25).toDouble(), 1.25);
    EXPECT_FALSE(view.value(QStringLiteral("UIScale")).isValid());
}

TEST(SettingsViews, OnlyTheWritableViewFollowsTheStore)
{
    RecordingStore store;
    for (bool writable : {true, false}) {
        store.writable = writable;
        const Nuvra::SettingsGroupRO ro(store, QString());
        const Nuvra::SettingsGroupRW rw(store, QString());
        const Nuvra::SettingsGroupRO& asBase = rw;
        EXPECT_FALSE(ro.isWritable());
        EXPECT_EQ(asBase.isWritable(), writable);
    }
}

TEST(SettingsStore, ChangesMakeItDirtyUntilSync)
{
    QTemporaryDir dir;
    QSettings qs(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    Nuvra::TSettings<QSettings> store(qs);
    EXPECT_FALSE(store.isDirty());
    EXPECT_FALSE(store.hasKeys());

    const std::function<void()> changes[] = {
        [&] { store.setValue(QStringLiteral("a/b"), 1); },
        [&] { store.remove(QStringLiteral("a/b")); },
        [&] { store.clear(); },
    };
    for (const auto& change : changes) {
        change();
        EXPECT_TRUE(store.isDirty());
        store.sync();
        EXPECT_FALSE(store.isDirty());
    }

    store.setValue(QStringLiteral("x"), QStringLiteral("y"));
    EXPECT_TRUE(store.hasKeys());
    EXPECT_TRUE(store.contains(QStringLiteral("x")));
    EXPECT_EQ(store.allKeys(), QStringList{QStringLiteral("x")});
    // Reading changes nothing.
    store.sync();
    EXPECT_EQ(store.value(QStringLiteral("x"), QVariant()).toString(), QStringLiteral("y"));
    EXPECT_FALSE(store.isDirty());
    // What sync wrote is what a second reader sees.
    QSettings other(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    EXPECT_EQ(other.value(QStringLiteral("x")).toString(), QStringLiteral("y"));
}

} // namespace
