#pragma once
// The names of the program's windows and of their controls, as the window templates give
// them (templates/*.ui). Handlers, bindings and tests name a control through these
// constants only, so that a control renamed in a template is renamed here once. The
// values are UTF-8, the encoding of the templates and of this source; the window services
// find controls by these names.

namespace sonivo {

namespace main_window {
inline constexpr char WINDOW[] = "MainWindow";
inline constexpr char BANNER[] = "图片框1";
inline constexpr char TABS[] = "选择夹1";
// Page 1, resolving a sound page.
inline constexpr char RESOLVE_PAGE[] = "子夹1";
inline constexpr char ADDRESS_BOX[] = "编辑框_地址";
inline constexpr char RESOLVE_BUTTON[] = "解析";
inline constexpr char INFO_BOX[] = "编辑框_信息";
inline constexpr char LISTEN_BUTTON[] = "在线收听";
inline constexpr char COVER_BUTTON[] = "查看封面";
inline constexpr char HINT_LABEL[] = "标签1";
inline constexpr char FEEDBACK_BUTTON[] = "反馈";
// Page 2, downloading.
inline constexpr char DOWNLOAD_PAGE[] = "子夹2";
inline constexpr char FOLDER_LABEL[] = "标签2";
inline constexpr char FOLDER_BOX[] = "编辑框_路径";
inline constexpr char NAME_LABEL[] = "标签3";
inline constexpr char NAME_BOX[] = "编辑框_名称";
inline constexpr char PROGRESS_LABEL[] = "透明标签1";
inline constexpr char PROGRESS_BAR[] = "进度条1";
inline constexpr char DOWNLOAD_BUTTON[] = "下载";
inline constexpr char TIMER[] = "时钟1";
inline constexpr char CANCEL_BUTTON[] = "取消";
// Page 3, about the maker.
inline constexpr char ABOUT_PAGE[] = "子夹3";
inline constexpr char ABOUT_BROWSER[] = "超文本浏览框1";
}  // namespace main_window

namespace listen_window {
inline constexpr char WINDOW[] = "ListenWindow";
inline constexpr char PLAYER_BROWSER[] = "超文本浏览框1";
}  // namespace listen_window

namespace cover_window {
inline constexpr char WINDOW[] = "CoverWindow";
inline constexpr char PICTURE[] = "图片";
inline constexpr char SAVE_DIALOG[] = "通用对话框1";
}  // namespace cover_window

}  // namespace sonivo
