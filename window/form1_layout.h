#pragma once
// Where Form1's controls stand and what they say: one table for every window front end.

#include <string_view>

namespace wallcycle {

enum class ControlKind { Button, List, Text, Label };

struct ControlPlace {
    std::string_view name; // as the handlers are named: Command1_Click, List1_DblClick, …
    ControlKind kind;
    std::string_view caption;
    int left, top, width, height; // pixels at 96 dots per inch, in the client area
    bool interval_font;           // the interval row's face, else the system's
};

// In focus order: the buttons and the list take the focus; the disabled interval and the labels
// do not.
inline constexpr ControlPlace form1_controls[] = {
    {"Command1", ControlKind::Button, "追加", 360, 8, 81, 41, false},
    {"Command2", ControlKind::Button, "削除", 360, 56, 81, 41, false},
    {"Command3", ControlKind::Button, "壁紙に設定", 360, 104, 81, 41, false},
    {"List1", ControlKind::List, "", 16, 8, 337, 160, false},
    {"Text1", ControlKind::Text, "0", 192, 176, 41, 25, true},
    {"Label1", ControlKind::Label, "タイマー間隔", 112, 184, 73, 17, true},
    {"Command4", ControlKind::Button, "↑", 232, 176, 25, 15, false},
    {"Command5", ControlKind::Button, "↓", 232, 192, 25, 15, false},
    {"Label2", ControlKind::Label, "秒", 272, 184, 25, 17, true},
    {"Command6", ControlKind::Button, "設定の保存", 360, 160, 81, 41, false},
};

inline constexpr std::string_view form1_title = "Form1";
// After the title while the rotation is paused from outside: the window's layout stays as it is.
inline constexpr std::string_view form1_paused_title = " (一時停止中)";
inline constexpr int form1_client_width = 449, form1_client_height = 213;

// The interval row's face: "ＭＳ Ｐゴシック" 12 pt (a Japanese proportional Gothic stands in on Linux).
inline constexpr std::string_view interval_font_family = "ＭＳ Ｐゴシック";
inline constexpr int interval_font_points = 12;

// Held down, ↑ and ↓ step again after this delay, then at this interval.
inline constexpr int step_repeat_delay_ms = 400;
inline constexpr int step_repeat_interval_ms = 80;

} // namespace wallcycle
