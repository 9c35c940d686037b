#include "window/form1_model.h"

#include "platform/error_output.h"
#include "platform/shown_path.h"
#include "settings/settings_file.h"
#include "window/form1_messages.h"
#include "window/interval_stepping.h"

namespace wallcycle {
namespace {

// After removing the entry at removed_index, the entry to select: the one that took its place,
// or the new last one; nothing when the list is now empty.
std::optional<std::size_t> selection_after_removal(std::size_t remaining, std::size_t removed_index) {
    if (remaining == 0)
        return std::nullopt;
    return removed_index < remaining ? removed_index : remaining - 1;
}

} // namespace
namespace {

Notice notice(std::string_view text, const std::string& subject, std::string detail) {
    std::string shown(text);
    if (!subject.empty())
        shown += "\n" + shown_path(subject);
    return {std::move(shown), std::move(detail)};
}

} // namespace

Form1Model::Form1Model(const StartupPlan& plan, BackendList backends, std::string settings_file,
                       NumberFormat number_format)
    : entries_(plan.settings.entries), interval_text_(plan.settings.interval_text),
      rotation_ms_(plan.rotation_ms), as_read_(plan.as_read), unreadable_reason_(plan.unreadable_settings),
      backends_(std::move(backends)), settings_file_(std::move(settings_file)),
      number_format_(std::move(number_format)) {
    if (!unreadable_reason_.empty())
        opening_notice_ = notice(form1_text::unreadable_settings, settings_file_, unreadable_reason_);
}

void Form1Model::add(const std::vector<std::string>& paths) {
    entries_.insert(entries_.end(), paths.begin(), paths.end());
}

std::optional<std::size_t> Form1Model::remove(std::size_t index) {
    if (index >= entries_.size())
        return std::nullopt;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    return selection_after_removal(entries_.size(), index);
}

std::optional<Notice> Form1Model::set_as_wallpaper(std::size_t index) {
    if (index >= entries_.size())
        return std::nullopt;
    return report(apply_entry(entries_[index], backends_));
}

bool Form1Model::step_up() {
    std::optional<std::string> text = stepped_up(interval_text_, number_format_);
    if (text)
        interval_text_ = std::move(*text);
    return text.has_value();
}

bool Form1Model::step_down() {
    std::optional<std::string> text = stepped_down(interval_text_, number_format_);
    if (text)
        interval_text_ = std::move(*text);
    return text.has_value();
}

std::optional<Notice> Form1Model::save(const Ask& replace) {
    if (!unreadable_reason_.empty() &&
        !replace(notice(form1_text::replace_question, settings_file_, unreadable_reason_)))
        return std::nullopt;
    Status saved = SaveSettings(settings_file_, settings(), as_read_);
    if (!saved) {
        report_line(saved.reason());
        return notice(form1_text::not_saved, settings_file_, saved.reason());
    }
    unreadable_reason_.clear(); // the file now holds this list
    return std::nullopt;
}

std::optional<Notice> Form1Model::tick() {
    return rotate({});
}

std::optional<Notice> Form1Model::next() {
    return rotate(CurrentWallpaper);
}

std::optional<Notice> Form1Model::rotate(std::string_view avoid) {
    auto say = [&](const std::string& failure) {
        if (std::optional<std::string> line = tick_reports_.line(failure, RepeatedReports::Clock::now()))
            report_line(*line);
    };
    if (entries_.empty()) {
        say("Wallpaper not changed: the image list is empty");
        return std::nullopt; // a notice each tick would bury the window
    }
    PickOutcome outcome = apply_random_entry(entries_, backends_, {}, {}, avoid);
    for (const std::string& note : outcome.notes)
        say(note);
    if (!outcome.status)
        say(outcome.status.reason());
    return notice_for(std::move(outcome));
}

std::optional<Notice> Form1Model::report(PickOutcome outcome) {
    for (const std::string& note : outcome.notes)
        report_line(note);
    if (!outcome.status)
        report_line(outcome.status.reason());
    return notice_for(std::move(outcome));
}

std::optional<Notice> Form1Model::notice_for(PickOutcome outcome) {
    CurrentWallpaper = std::move(outcome.path);
    if (outcome.status)
        return std::nullopt;
    return notice(form1_text::not_set, CurrentWallpaper, outcome.status.reason());
}

} // namespace wallcycle
