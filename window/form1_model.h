#pragma once
// Form1 apart from any window toolkit: what it holds and what its commands do. The Qt window on
// Linux and the Win32 window on Windows only draw the controls and forward their events here.

#include "platform/number_text.h"
#include "platform/shown_path.h"
#include "settings/records_as_read.h"
#include "settings/settings.h"
#include "startup/startup_plan.h"
#include "wallpaper/pick_and_apply.h"
#include "window/repeated_reports.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace wallcycle {

// A message for the user: the text in the window's language, and the system's own words.
struct Notice {
    std::string text;
    std::string detail;
};

class Form1Model {
public:
    Form1Model(const StartupPlan& plan, BackendList backends, std::string settings_file,
               NumberFormat number_format);

    const std::vector<std::string>& entries() const { return entries_; }
    const std::string& interval_text() const { return interval_text_; }
    // As the interval box shows it: a hand-edited file may hold megabytes there, which no box can
    // lay out quickly; shortened as paths are in messages (the whole text is what a save writes).
    std::string interval_shown() const { return shown_path(interval_text_); }
    // The rotation's period when "/s" armed it, else 0.
    int rotation_ms() const { return rotation_ms_; }
    Settings settings() const { return {interval_text_, entries_}; }
    // What to say as soon as the window shows, if anything.
    const std::optional<Notice>& opening_notice() const { return opening_notice_; }

    // 追加 (after its dialog) and files dropped on the list: at the end, in the order given.
    void add(const std::vector<std::string>& paths);
    // 削除: the entry to select next, if any.
    std::optional<std::size_t> remove(std::size_t index);
    // 壁紙に設定 and a double-click: that picture, or a random one from that folder.
    std::optional<Notice> set_as_wallpaper(std::size_t index);
    // ↑ and ↓: whether the interval changed.
    bool step_up();
    bool step_down();

    // 設定の保存, or why it failed. When the settings file that is there could not be read at start,
    // the first save needs the user's consent: `replace` puts the question to them and says whether
    // they agreed; without it nothing is saved.
    using Ask = std::function<bool(const Notice& question)>;
    std::optional<Notice> save(const Ask& replace);

    // The rotation's tick: a random picture of the list. A failure it repeats goes to stderr once,
    // then at most once a minute; the window's one notice shows it each time.
    std::optional<Notice> tick();
    // "Next" from outside the window: a tick now, with another picture than the one shown whenever
    // the list has another.
    std::optional<Notice> next();

private:
    std::optional<Notice> rotate(std::string_view avoid);
    std::optional<Notice> report(PickOutcome outcome);
    std::optional<Notice> notice_for(PickOutcome outcome);

    std::vector<std::string> entries_;
    std::string interval_text_;
    int rotation_ms_ = 0;
    RecordsAsRead as_read_;
    std::string unreadable_reason_; // why the settings file there could not be read, until replaced
    std::optional<Notice> opening_notice_;
    BackendList backends_;
    std::string settings_file_;
    NumberFormat number_format_;
    std::string CurrentWallpaper;
    RepeatedReports tick_reports_;
};

} // namespace wallcycle
