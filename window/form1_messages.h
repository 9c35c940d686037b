#pragma once
// What Form1 says, in the window's language (Japanese). Lines on stderr stay in English, for logs
// and reports; the system's own words about a failure are shown as the notice's detail.

#include <string>
#include <string_view>

namespace wallcycle::form1_text {

inline constexpr std::string_view notice_title = "wallcycle";
inline constexpr std::string_view detail_caption = "詳細:";
inline constexpr std::string_view add_dialog_title = "画像の追加";

inline constexpr std::string_view not_set = "壁紙を変更できませんでした。";
inline constexpr std::string_view not_saved = "設定を保存できませんでした。";
inline constexpr std::string_view not_added = "画像を一覧に追加できませんでした。";
inline constexpr std::string_view unreadable_settings =
    "設定ファイルを読み込めなかったため、一覧を空にして開きました。"
    "保存するときは、そのファイルを置き換えてよいか確かめます。";
inline constexpr std::string_view replace_question =
    "設定ファイルを読み込めなかったため、その中身はこの一覧にありません。"
    "この一覧で置き換えますか？ 元の中身は失われます。";

} // namespace wallcycle::form1_text
