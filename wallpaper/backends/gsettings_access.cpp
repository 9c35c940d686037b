#include "wallpaper/backends/gsettings_access.h"

#include "platform/bounded_wait.h"
#include "platform/server_answers_linux.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <cstring>
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <memory>
#include <string>
#include <vector>

namespace wallcycle {
namespace {

struct GFree {
    void operator()(gchar* s) const { g_free(s); }
};
using GText = std::unique_ptr<gchar, GFree>;

struct SchemaUnref {
    void operator()(GSettingsSchema* s) const { g_settings_schema_unref(s); }
};
struct ObjectUnref {
    void operator()(gpointer o) const { g_object_unref(o); }
};

std::unique_ptr<GSettingsSchema, SchemaUnref> lookup_schema(const char* id) {
    // Looking the schema up first matters: GSettings aborts the process on an unknown schema or key.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr)
        return nullptr;
    return std::unique_ptr<GSettingsSchema, SchemaUnref>(g_settings_schema_source_lookup(source, id, TRUE));
}

bool has_key(GSettingsSchema* schema, const char* key) {
    return key != nullptr && g_settings_schema_has_key(schema, key);
}

std::string read_string(GSettings* settings, const char* key) {
    GText value(g_settings_get_string(settings, key));
    return value ? std::string(value.get()) : std::string();
}

bool write_string(GSettings* settings, const char* key, const std::string& value) {
    return g_settings_set_string(settings, key, value.c_str());
}

// dconf stores through the session bus: without one it drops the value with warnings of its own
// on stderr, so it is not asked at all.
Status store_reachable() {
    std::unique_ptr<GSettingsBackend, ObjectUnref> store(g_settings_backend_get_default());
    if (!store || std::strcmp(G_OBJECT_TYPE_NAME(store.get()), "DConfSettingsBackend") != 0)
        return {};
    if (session_bus_given_up())
        return fail(
            "dconf, which stores the desktop's settings, needs the session D-Bus, which does not answer");
    if (session_bus_address().empty())
        return fail("dconf, which stores the desktop's settings, needs the session D-Bus, and there is none "
                    "(DBUS_SESSION_BUS_ADDRESS is not set)");
    return {};
}

} // namespace

Status gsettings_keys_present(const GSettingsWallpaperKeys& keys) {
    auto schema = lookup_schema(keys.schema);
    if (!schema)
        return fail(std::string("the GSettings schema ") + keys.schema + " is not installed");
    for (const char* key : {keys.picture_key, keys.options_key})
        if (!has_key(schema.get(), key))
            return fail(std::string("the GSettings schema ") + keys.schema + " has no key " + key);
    return store_reachable();
}

namespace {

Status set_picture_now(const GSettingsWallpaperKeys& keys, const std::string& absolute_path) {
    auto schema = lookup_schema(keys.schema);
    if (!schema)
        return fail(std::string("the GSettings schema ") + keys.schema + " is not installed");
    std::string value = absolute_path;
    if (keys.picture_is_uri) {
        GError* error = nullptr;
        GText uri(g_filename_to_uri(absolute_path.c_str(), nullptr, &error));
        if (!uri) {
            std::string reason = error != nullptr ? error->message : "unknown error";
            g_clear_error(&error);
            return fail("cannot make a file URI of " + absolute_path + ": " + reason);
        }
        value = uri.get();
    }
    std::unique_ptr<GSettings, ObjectUnref> settings(g_settings_new_full(schema.get(), nullptr, nullptr));

    std::vector<const char*> picture_keys{keys.picture_key};
    if (has_key(schema.get(), keys.dark_key))
        picture_keys.push_back(keys.dark_key);
    const std::string before = read_string(settings.get(), keys.picture_key);
    bool ok = write_string(settings.get(), keys.options_key, keys.options_value);
    for (const char* key : picture_keys) {
        if (read_string(settings.get(), key) == value) {
            ok = write_string(settings.get(), key, "") && ok;
            g_settings_sync();
        }
        ok = write_string(settings.get(), key, value) && ok;
    }
    g_settings_sync();
    if (!ok)
        return fail(std::string("GSettings refused the new value of ") + keys.schema + " " +
                    keys.picture_key);
    // A store that cannot be reached (no session bus for dconf) accepts the write and drops it,
    // leaving the value as it was. Another value means another copy of the program (or the user)
    // has set a picture since: ours was stored and has been replaced.
    if (std::string now = read_string(settings.get(), keys.picture_key); now != value && now == before)
        return fail(std::string("the desktop settings store did not keep ") + keys.schema + " " +
                    keys.picture_key + " (is the session's D-Bus reachable?)");
    return {};
}

} // namespace

Result<std::vector<std::string>> gsettings_pictures(const GSettingsWallpaperKeys& keys) {
    // Read from the store's own file, without the session bus.
    auto schema = lookup_schema(keys.schema);
    if (!schema)
        return fail(std::string("the GSettings schema ") + keys.schema + " is not installed");
    std::unique_ptr<GSettings, ObjectUnref> settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    std::vector<std::string> values;
    for (const char* key : {keys.picture_key, keys.dark_key})
        if (has_key(schema.get(), key))
            values.push_back(read_string(settings.get(), key));
    return values;
}

Status gsettings_set_picture(const GSettingsWallpaperKeys& keys, const std::string& absolute_path) {
    // dconf writes over the session bus, and g_settings_sync() waits for each write's answer, up
    // to GDBus's 25 s each: the change is made on a thread of its own and waited for within the
    // bound.
    BoundedResult<Status> set = finished_within(
        settings_store_ms, [keys, absolute_path] { return set_picture_now(keys, absolute_path); });
    if (set.ended == WaitEnded::no_thread)
        return set_picture_now(keys, absolute_path);
    if (set.ended == WaitEnded::late)
        return fail("dconf, which stores the desktop's settings, did not answer within " +
                    std::to_string(settings_store_ms / 1000) + " s");
    return std::move(*set.value);
}

} // namespace wallcycle
