// Form1's model, as both windows drive it: the list commands, stepping, saving, setting and the
// rotation's tick, with a desktop that records what it is asked to show (no window, no X server).

#include "settings/settings_file.h"
#include "tests/support/files.h"
#include "tests/support/probe_backend.h"
#include "window/add_dialog.h"
#include "window/form1_model.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace wallcycle;
using namespace wallcycle::test;
using Names = std::vector<std::string>;

namespace {

const NumberFormat dot{".", "-"};

struct Window {
    TempDir dir;
    std::vector<std::string> shown; // what the desktop was asked to show
    ProbeBackend* desktop = nullptr;
    std::unique_ptr<Form1Model> model;

    explicit Window(Settings settings, NumberFormat format = dot, std::string unreadable = {},
                    RecordsAsRead as_read = {}) {
        StartupPlan plan;
        plan.settings = std::move(settings);
        plan.as_read = std::move(as_read);
        plan.unreadable_settings = std::move(unreadable);
        BackendList backends;
        auto probe = std::make_unique<ProbeBackend>("x11", true, &shown);
        desktop = probe.get();
        backends.push_back(std::move(probe));
        model = std::make_unique<Form1Model>(plan, std::move(backends), file(), std::move(format));
    }
    std::string file() const { return dir.file("k_save.dat"); }
};

TEST(Form1Model, AddAndDeleteKeepTheOrderAndSelectTheNextEntry) {
    struct Case {
        Names before;
        std::size_t removed;
        Names after;
        std::optional<std::size_t> selected;
    } cases[] = {
        {{"a", "b", "c"}, 0, {"b", "c"}, 0},
        {{"a", "b", "c"}, 1, {"a", "c"}, 1},
        {{"a", "b", "c"}, 2, {"a", "b"}, 1}, // the last: the new last
        {{"a"}, 0, {}, std::nullopt},
        {{"a", "a", "b"}, 1, {"a", "b"}, 1}, // duplicates are entries like any other
        {{"a"}, 5, {"a"}, std::nullopt},     // nothing there: nothing happens
    };
    for (const auto& c : cases) {
        Window window({"0", c.before});
        EXPECT_EQ(window.model->remove(c.removed), c.selected);
        EXPECT_EQ(window.model->entries(), c.after);
    }
    Window window({"0", {"/first.bmp"}});
    window.model->add({"/b.png", "/a.png", "/b.png"}); // at the end, in the order given
    window.model->add({});
    EXPECT_EQ(window.model->entries(), (Names{"/first.bmp", "/b.png", "/a.png", "/b.png"}));
    // The dialog's folder filter adds the folders of the chosen files, each once.
    EXPECT_EQ(entries_to_add({"/p/a.png", "/p/b.png", "/q/c.png", "/top.png"}, true, "/"),
              (Names{"/p", "/q", "/"}));
    EXPECT_EQ(entries_to_add({"/p/a.png"}, false, "/"), (Names{"/p/a.png"}));
    EXPECT_EQ(entries_to_add({"C:\\p\\a.bmp", "C:\\p\\b.bmp"}, true, "\\/"), (Names{"C:\\p"}));
    // The add dialog's filter text, as the program writes it.
    std::vector<FileFilter> filters =
        parse_file_filters(std::string(add_dialog_filter) + "|画像|*.png; *.jpg|odd");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "*.bmp");
    EXPECT_EQ(filters[0].patterns, Names{"*.bmp"});
    EXPECT_EQ(filters[1].patterns, (Names{"*.png", "*.jpg"}));
}

TEST(Form1Model, StepsTheIntervalAsTheLocaleWritesNumbers) {
    const NumberFormat comma{",", "-"};
    struct Case {
        const char* before;
        bool up;
        const NumberFormat& format;
        const char* after; // unchanged when the step does nothing
    } cases[] = {
        {"0", true, dot, "1"},        {"0", false, dot, "0"},
        {"3", false, dot, "2"},       {"1", false, dot, "0"},
        {"2.5", false, dot, "1.5"},   {"0.5", false, dot, "-0.5"},
        {"1.1", false, dot, "0.1"},   {"-0.5", false, dot, "-0.5"},
        {"abc", true, dot, "abc"},    {"", false, dot, ""},
        {"1,1", false, comma, "0,1"}, {"0,5", false, comma, "-0,5"},
        {"2.5", true, comma, "3,5"},  {"999999999999999", true, dot, "1E+15"},
    };
    for (const auto& c : cases) {
        Window window({c.before, {}}, c.format);
        bool changed = c.up ? window.model->step_up() : window.model->step_down();
        EXPECT_EQ(window.model->interval_text(), c.after) << c.before << (c.up ? " up" : " down");
        EXPECT_EQ(changed, std::string(c.before) != c.after) << c.before;
    }
}

// A hand-edited interval of megabytes is shown short (a text box would take seconds to lay it
// out) and saved whole.
TEST(Form1Model, AHugeIntervalIsShownShortAndSavedWhole) {
    Window window({std::string(10 << 20, '9'), {}});
    EXPECT_LE(window.model->interval_shown().size(), 200u);
    ASSERT_FALSE(window.model->save([](const Notice&) { return false; }).has_value());
    EXPECT_EQ(read_file(window.file()).size(), (10u << 20) + 4);
}

// Setting a picture from the window, or at the rotation's tick: a failure says why in the window's
// language (stderr stays English); an empty list at the tick stays quiet in the window.
TEST(Form1Model, SettingAndTheTickSayWhyAPictureFailedInTheWindowsLanguage) {
    Window window({"1", {"/pics/red.png", "/pics/gone.png"}});
    window.desktop->refused.insert("/pics/gone.png");
    EXPECT_FALSE(window.model->set_as_wallpaper(0).has_value());
    testing::internal::CaptureStderr();
    std::optional<Notice> notice = window.model->set_as_wallpaper(1);
    std::string stderr_line = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->text, "壁紙を変更できませんでした。\n/pics/gone.png");
    EXPECT_NE(notice->detail.find("damaged"), std::string::npos) << notice->detail;
    EXPECT_NE(stderr_line.find("Wallpaper not changed"), std::string::npos) << "stderr stays English";
    EXPECT_FALSE(window.model->set_as_wallpaper(7).has_value()); // nothing selected there
    EXPECT_EQ(window.shown, (Names{"x11 /pics/red.png", "x11 /pics/gone.png"}));

    Window once({"1", {"/pics/only.png"}});
    EXPECT_FALSE(once.model->tick().has_value());
    EXPECT_EQ(once.shown, Names{"x11 /pics/only.png"});
    once.desktop->refused.insert("/pics/only.png");
    std::optional<Notice> failed = once.model->tick();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->text.rfind("壁紙を変更できませんでした。", 0), 0u);
    Window empty({"1", {}});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(empty.model->tick().has_value()); // a notice every tick would bury the window
    EXPECT_NE(testing::internal::GetCapturedStderr().find("list is empty"), std::string::npos);
}

// A line the rotation repeats at every tick goes to stderr once, then once a minute with a count.
TEST(RepeatedReports, AFailureThatRepeatsIsSaidOnceAMinute) {
    using namespace std::chrono_literals;
    const RepeatedReports::Clock::time_point t0{};
    struct Step {
        const char* failure;
        std::chrono::milliseconds at;
        const char* said; // nullptr: nothing
    } steps[] = {
        {"a is broken", 0ms, "a is broken"},
        {"a is broken", 10ms, nullptr},
        {"a is broken", 59'999ms, nullptr},
        {"a is broken", 60'000ms, "a is broken (2 more times in the last minute)"},
        {"a is broken", 60'010ms, nullptr},
        {"b is gone", 60'020ms, "b is gone"}, // another line: at once
        {"a is broken", 60'030ms, nullptr},   // and each is held back on its own
        {"b is gone", 60'040ms, nullptr},
    };
    RepeatedReports reports;
    for (const auto& step : steps) {
        std::optional<std::string> line = reports.line(step.failure, t0 + step.at);
        EXPECT_EQ(line.value_or("(nothing)"), step.said ? step.said : "(nothing)") << step.at.count();
    }
}

// (What a save writes is the settings file's own test.) A list that cannot be written says why in
// the window, and the file keeps the list it had.
TEST(Form1Model, ASaveThatCannotBeMadeSaysWhyAndKeepsTheFile) {
    Window window({"5", {"/old.bmp", "/say \"cheese\".bmp"}});
    write_file(window.file(), "\"5\"\r\n\"/old.bmp\"\r\n");
    bool asked = false; // a file that was read is replaced without a question
    std::optional<Notice> failure = window.model->save([&](const Notice&) { return asked = true; });
    EXPECT_FALSE(asked);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->text, "設定を保存できませんでした。\n" + window.file());
    EXPECT_NE(failure->detail.find("/say \"cheese\".bmp"), std::string::npos) << failure->detail;
    EXPECT_EQ(read_file(window.file()), "\"5\"\r\n\"/old.bmp\"\r\n");
}

// A settings file that is there but could not be read is replaced only with the user's consent:
// the window says so when it opens, and the first save asks.
TEST(Form1Model, AnUnreadableSettingsFileIsReplacedOnlyWithConsent) {
    Window window({"0", {}}, dot, "cannot read k_save.dat: Permission denied");
    write_file(window.file(), "theirs");
    ASSERT_TRUE(window.model->opening_notice().has_value());
    EXPECT_NE(window.model->opening_notice()->text.find("一覧を空にして開きました"), std::string::npos);
    EXPECT_NE(window.model->opening_notice()->detail.find("Permission denied"), std::string::npos);

    std::vector<std::string> asked;
    auto answer = [&asked](bool yes) {
        return [&asked, yes](const Notice& question) {
            asked.push_back(question.text);
            return yes;
        };
    };
    EXPECT_FALSE(window.model->save(answer(false)).has_value()); // declined: nothing to report
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("置き換えますか"), std::string::npos);
    EXPECT_EQ(read_file(window.file()), "theirs");
    EXPECT_FALSE(window.model->save(answer(true)).has_value());
    EXPECT_EQ(read_file(window.file()), "\"0\"\r\n");
    EXPECT_FALSE(window.model->save(answer(false)).has_value());
    EXPECT_EQ(asked.size(), 2u); // the file holds this list now: no more questions
    EXPECT_EQ(read_file(window.file()), "\"0\"\r\n");
}

// Records read in another encoding are saved back as they were read, also after edits.
TEST(Form1Model, UntouchedRecordsAreSavedAsTheyWereRead) {
    TempDir dir;
    const std::string cp932 = "\"C:\\\x8D\xF7.bmp\"\r\n", stray = "\"/caf\xE9.bmp\"\r\n";
    write_file(dir.file("k_save.dat"), "\"3\"\r\n\"/gone.bmp\"\r\n" + cp932 + stray);
    LoadedSettings loaded = LoadSettings(dir.file("k_save.dat"));
    Window window(loaded.settings, dot, {}, loaded.as_read);
    EXPECT_EQ(window.model->entries()[1], "C:\\桜.bmp");
    window.model->remove(0);
    ASSERT_FALSE(window.model->save([](const Notice&) { return false; }).has_value());
    EXPECT_EQ(read_file(window.file()), "\"3\"\r\n" + cp932 + stray);
}

} // namespace
