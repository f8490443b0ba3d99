#pragma once

// The window's texts, in UTF-8. Kept in one place so the tests and the windows cannot drift
// apart.
namespace corvane::texts {

inline constexpr const char* kMainCaption = "批量Corvane v2.4";
inline constexpr const char* kListHeading = "将要转换的APE/CUE文件列表";
inline constexpr const char* kAddFiles = "添加文件";
inline constexpr const char* kRemoveFromList = "从列表删除";
inline constexpr const char* kClear = "清空";
inline constexpr const char* kSaveTo = "保存到:";
// Edit1's initial text: outputs go beside their sources.
inline constexpr const char* kSourceFolder = "原文件目录";
inline constexpr const char* kBrowse = "浏览";
inline constexpr const char* kStartConversion = "开始转换";
inline constexpr const char* kCompressionLevel = "压缩等级";
inline constexpr const char* kCpuUsage = "CPU占用率";
inline constexpr const char* kLow = "低";
inline constexpr const char* kHigh = "高";
inline constexpr const char* kPauseConversion = "暂停转换";
inline constexpr const char* kResumeConversion = "恢复转换";
inline constexpr const char* kStopConversion = "停止转换";
inline constexpr const char* kAbout = "关于";
inline constexpr const char* kChooseFolder = "请选择一个目录";

inline constexpr const char* kStatusStartUp = "请将需要转换的文件添加到列表中";
inline constexpr const char* kStatusFast = "转换速度快！压缩率较低";
inline constexpr const char* kStatusMedium = "转换速度中等，压缩率好！";
inline constexpr const char* kStatusSlow = "转换速度慢！压缩率高";

inline constexpr const char* kFilterApe = "Monkey's Audio files (*.ape *.APE)";
inline constexpr const char* kFilterCue = "Cue Files (*.cue *.CUE)";
inline constexpr const char* kFilterAll = "All Supported Files (*.ape *.cue *.APE *.CUE)";

inline constexpr const char* kAboutCaption = "关于作者;";
inline constexpr const char* kAboutVersion = "软件版本:1.0.2.4";
// The five lines of the About window: what the program is and what it is built on.
// clang-format off
inline constexpr const char* kAboutLines[5] = {
    "Corvane: APE/CUE 批量转换为 FLAC",
    "版本 2.4，Linux 桌面版",
    "许可证：GNU GPL 第 3 版或更高版本",
    "感谢 FFmpeg 提供 APE 解码",
    "感谢 libFLAC 与 Qt 项目",
};
// clang-format on

// Title of the message boxes that show errors.
inline constexpr const char* kErrorTitle = "Corvane";

}  // namespace corvane::texts
