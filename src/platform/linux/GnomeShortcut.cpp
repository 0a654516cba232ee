#include "GnomeShortcut.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// GIO declares a struct member named "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace vesk {

namespace {

const char* const listSchema = "org.gnome.settings-daemon.plugins.media-keys";
const char* const entrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
const QString entryFolder = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");

struct Unref {
    void operator()(GSettingsSchema* s) const { g_settings_schema_unref(s); }
    void operator()(GSettings* s) const { g_object_unref(s); }
    void operator()(gchar** v) const { g_strfreev(v); }
};
template <class T> using Owned = std::unique_ptr<T, Unref>;

Owned<GSettingsSchema> schema(const char* id)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    return Owned<GSettingsSchema>(source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr);
}

QString text(GSettings* settings, const char* key)
{
    gchar* value = g_settings_get_string(settings, key);
    const QString s = QString::fromUtf8(value);
    g_free(value);
    return s;
}

// The custom shortcuts' paths, and the one whose keys are `keys` with the command it runs.
struct Entries {
    QStringList paths;
    std::optional<QString> commandOfKeys;
};

Entries entries(GSettingsSchema* list, GSettingsSchema* entry, const KeyChord& keys)
{
    Entries out;
    const Owned<GSettings> settings(g_settings_new_full(list, nullptr, nullptr));
    const Owned<gchar*> paths(g_settings_get_strv(settings.get(), "custom-keybindings"));
    for (gchar** p = paths.get(); *p; ++p)
        out.paths << QString::fromUtf8(*p);
    for (const QString& path : out.paths) {
        const Owned<GSettings> existing(g_settings_new_full(entry, nullptr, path.toUtf8().constData()));
        if (!out.commandOfKeys && KeyChord::parse(text(existing.get(), "binding")) == keys)
            out.commandOfKeys = text(existing.get(), "command");
    }
    return out;
}

} // namespace

DesktopShortcut::Binding GnomeShortcut::binding(const KeyChord& keys, const QString& command)
{
    const auto list = schema(listSchema);
    const auto entry = schema(entrySchema);
    if (!list || !entry)
        return Binding::noSettings;
    const auto bound = entries(list.get(), entry.get(), keys).commandOfKeys;
    if (!bound)
        return Binding::free;
    return *bound == command ? Binding::ours : Binding::taken;
}

DesktopShortcut::Result GnomeShortcut::add(const QString& name, const KeyChord& keys, const QString& command)
{
    const auto list = schema(listSchema);
    const auto entry = schema(entrySchema);
    if (!list || !entry)
        return Result::noSettings;
    // The user's own shortcuts come first: the same keys bound to anything else are left alone.
    Entries known = entries(list.get(), entry.get(), keys);
    if (known.commandOfKeys)
        return *known.commandOfKeys == command ? Result::alreadyAdded : Result::keysTaken;

    QString path = entryFolder + QStringLiteral("vesk-ask/");
    for (int n = 2; known.paths.contains(path); ++n)
        path = entryFolder + QStringLiteral("vesk-ask-%1/").arg(n);
    const Owned<GSettings> settings(g_settings_new_full(list.get(), nullptr, nullptr));
    const Owned<GSettings> added(g_settings_new_full(entry.get(), nullptr, path.toUtf8().constData()));
    bool written = g_settings_set_string(added.get(), "name", name.toUtf8().constData())
        && g_settings_set_string(added.get(), "command", command.toUtf8().constData())
        && g_settings_set_string(added.get(), "binding", keys.accelerator().toUtf8().constData());
    if (written) {
        known.paths << path;
        QList<QByteArray> bytes;
        std::vector<const gchar*> strv;
        for (const QString& p : known.paths)
            bytes << p.toUtf8();
        for (const QByteArray& b : bytes)
            strv.push_back(b.constData());
        strv.push_back(nullptr);
        written = g_settings_set_strv(settings.get(), "custom-keybindings", strv.data());
    }
    // Written through before we say it is done.
    g_settings_sync();
    return written ? Result::added : Result::failed;
}

} // namespace vesk
