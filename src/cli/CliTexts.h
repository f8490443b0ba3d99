#pragma once

#include <QtGlobal>

// The command line's texts, in UTF-8: its help, usage errors and report lines. Chinese is their
// own language, as for the window's (AppTexts.h); each is marked for Qt Linguist in the same
// context and takes its English from translations/corvane_en.ts. Scripts that read the output
// ask for English with --lang en.
namespace corvane::clitexts {

inline constexpr const char* kDescription = QT_TRANSLATE_NOOP(
    "Corvane",
    "把 Monkey's Audio（.ape）、FLAC、WavPack（.wv）、True Audio（.tta）、\n"
    "WAV、Wave64、RF64 和 AIFF 文件及其 cue 表 CD 映像（.cue，或标签中带有 cue 表\n"
    "的音频文件）逐位无损地转换为 FLAC 文件，标签取自源文件的标签或 cue 表。");
inline constexpr const char* kArguments =
    QT_TRANSLATE_NOOP("Corvane", "音频文件、.cue 文件、文件夹。");

// The options, in the order the help lists them. Qt wraps the descriptions at spaces, which
// Chinese has none of: their lines are broken by hand to fit 80 columns.
inline constexpr const char* kHelpOption = QT_TRANSLATE_NOOP("Corvane", "显示此帮助并退出。");
inline constexpr const char* kVersionOption = QT_TRANSLATE_NOOP("Corvane", "显示版本并退出。");
inline constexpr const char* kOutputOption =
    QT_TRANSLATE_NOOP("Corvane",
                      "把 FLAC 文件写入 DIR（不存在时创建）。\n"
                      "默认：写在各源文件旁（cue 音轨写在其 cue 表旁）。");
inline constexpr const char* kLevelOption =
    QT_TRANSLATE_NOOP("Corvane", "FLAC 压缩等级，0（最快）到 8（最小）。默认：5。");
// %1: the cores this process may use.
inline constexpr const char* kJobsOption =
    QT_TRANSLATE_NOOP("Corvane", "同时最多转换 N 个文件。默认：处理器核心数（%1）。");
// The line break keeps Qt's wrapping from splitting the example.
inline constexpr const char* kNameOption = QT_TRANSLATE_NOOP(
    "Corvane", "按 TEMPLATE（字段见下）命名输出文件，例如\n“{track} - {title}”。");
inline constexpr const char* kRecursiveOption =
    QT_TRANSLATE_NOOP("Corvane", "也处理文件夹的子文件夹。");
// %1: the encodings' names.
inline constexpr const char* kEncodingOption =
    QT_TRANSLATE_NOOP("Corvane", "用 NAME 编码读取 cue 表，不用检测出的编码：\n%1。");
inline constexpr const char* kDryRunOption =
    QT_TRANSLATE_NOOP("Corvane", "列出每个任务及其输出文件；不写入任何文件。");
inline constexpr const char* kQuietOption = QT_TRANSLATE_NOOP("Corvane", "只输出错误。");
inline constexpr const char* kOverwriteOption =
    QT_TRANSLATE_NOOP("Corvane", "替换已存在的输出文件（默认）。");
inline constexpr const char* kSkipExistingOption =
    QT_TRANSLATE_NOOP("Corvane", "保留已存在的输出文件，并跳过其任务。");
inline constexpr const char* kNoVerifyOption = QT_TRANSLATE_NOOP(
    "Corvane", "不让 libFLAC 在写入时解码每个文件并与源文件比对\n（默认会比对）。");
inline constexpr const char* kAccurateRipOption = QT_TRANSLATE_NOOP(
    "Corvane", "在 AccurateRip 数据库中查询每张光盘\n（会通过网络发送光盘 ID）。");
inline constexpr const char* kReplayGainOption =
    QT_TRANSLATE_NOOP("Corvane", "测量响度，写入 ReplayGain 2.0 音轨与专辑标签。");
inline constexpr const char* kNoReplayGainOption =
    QT_TRANSLATE_NOOP("Corvane", "不写入自己的 ReplayGain 标签；\n源文件的照样带过去（默认）。");
inline constexpr const char* kLangOption =
    QT_TRANSLATE_NOOP("Corvane", "用 LANG 语言输出：zh（中文）或 en（英文）。\n默认：按区域设置。");

// The help after the options. The examples are commands and stay as they are.
inline constexpr const char* kHelpFields = QT_TRANSLATE_NOOP("Corvane", "名称模板字段（-n）：");
inline constexpr const char* kHelpRules = QT_TRANSLATE_NOOP(
    "Corvane",
    "  “/”分隔文件夹，缺少的文件夹会被创建；“{{”和“}}”表示花括号本身。\n"
    "  文件名后加“.flac”。字段值不会生成文件夹：其中的“/”变为“_”。\n"
    "  空字段连同连接它的空格和标点一起省略（没有标题时，“{track} - {title}”\n"
    "  得到 05.flac）。所有字段都为空的文件夹被省略；文件名为空时用默认名称。\n"
    "  默认名称是源文件的名称（song.ape 得到 song.flac），cue 表的第 n 轨则为\n"
    "  Track_<n>.flac。两个任务绝不写入同一个文件：后一个加上“ (2)”。\n"
    "\n"
    "文件夹提供其中的 cue 表，以及不被其中任何 cue 表使用的音频文件（加 -r 时也包括\n"
    "子文件夹中的）。每个文件先以隐藏的临时名称写入并写好标签，然后才改为正式名称：\n"
    "失败或中断的任务不会留下写了一半的文件。\n"
    "\n"
    "退出状态：所有任务都已转换（或跳过）时为 0；有任务失败、有文件无法添加，或给出的\n"
    "文件或文件夹不存在时为 1；用法错误为 2；被信号 N 结束时为 128+N（Ctrl-C：130）。");
inline constexpr const char* kHelpExamples = QT_TRANSLATE_NOOP("Corvane", "示例：");

// Usage errors, printed after "corvane-cli: ".
// %1: what is wrong.
inline constexpr const char* kUsageError =
    QT_TRANSLATE_NOOP("Corvane", "%1（参见 corvane-cli --help）");
inline constexpr const char* kBadLevel =
    QT_TRANSLATE_NOOP("Corvane", "压缩等级“%1”无效：应为 0 到 8");
inline constexpr const char* kBadJobs =
    QT_TRANSLATE_NOOP("Corvane", "任务数“%1”无效：应为从 1 起的整数");
inline constexpr const char* kEmptyOutput = QT_TRANSLATE_NOOP("Corvane", "输出文件夹（-o）为空");
inline constexpr const char* kOutputNotAFolder =
    QT_TRANSLATE_NOOP("Corvane", "输出文件夹（-o）“%1”不是文件夹");
// %1: the name given; %2: the names known.
inline constexpr const char* kUnknownEncoding =
    QT_TRANSLATE_NOOP("Corvane", "未知编码“%1”：请用 %2 之一");
inline constexpr const char* kUnknownLanguage =
    QT_TRANSLATE_NOOP("Corvane", "未知语言“%1”：请用 zh 或 en");
// %1, %2: two options.
inline constexpr const char* kExclusive = QT_TRANSLATE_NOOP("Corvane", "%1 与 %2 不能同时使用");
inline constexpr const char* kNoPaths = QT_TRANSLATE_NOOP("Corvane", "没有给出文件或文件夹");
inline constexpr const char* kUnknownOption = QT_TRANSLATE_NOOP("Corvane", "未知选项“%1”");

// What a run reports. "corvane-cli: " goes before errors and notes.
inline constexpr const char* kCannotFind = QT_TRANSLATE_NOOP("Corvane", "找不到“%1”");
inline constexpr const char* kInterrupted = QT_TRANSLATE_NOOP("Corvane", "已中断");
// %1: a file; %2: its format.
inline constexpr const char* kNotSupported = QT_TRANSLATE_NOOP("Corvane", "%1：不支持 %2 文件");
// %1: a file; %2: the extensions read.
inline constexpr const char* kNotAnInput = QT_TRANSLATE_NOOP(
    "Corvane", "%1：既不是 Corvane 能读取的音频文件（%2），也不是 cue 表（.cue）");
// %1: the sheet; %2: the track's number.
inline constexpr const char* kTrackJob = QT_TRANSLATE_NOOP("Corvane", "%1 第 %2 轨");
// %1: the job; %2: the track's title.
inline constexpr const char* kTitledJob = QT_TRANSLATE_NOOP("Corvane", "%1“%2”");
inline constexpr const char* kFailed = QT_TRANSLATE_NOOP("Corvane", "失败：%1");
inline constexpr const char* kWritten = QT_TRANSLATE_NOOP("Corvane", "已写入：%1");
inline constexpr const char* kSkipped = QT_TRANSLATE_NOOP("Corvane", "已跳过：%1（已存在）");
// %1: the sheet; %2: the verdict, or the disc IDs in a dry run.
inline constexpr const char* kDisc = QT_TRANSLATE_NOOP("Corvane", "光盘：%1：%2");
// %1: the disc IDs.
inline constexpr const char* kDiscIds = QT_TRANSLATE_NOOP("Corvane", "%1（按纯音频光盘计）");
inline constexpr const char* kNoDiscIds =
    QT_TRANSLATE_NOOP("Corvane", "没有光盘 ID（有音轨的音频无法定位）");
inline constexpr const char* kExistsSkipped = QT_TRANSLATE_NOOP("Corvane", "（已存在：跳过）");
inline constexpr const char* kExistsReplaced = QT_TRANSLATE_NOOP("Corvane", "（已存在：替换）");
inline constexpr const char* kFilesWritten = QT_TRANSLATE_N_NOOP("Corvane", "已写入 %n 个文件");
// %1: the files written; %2 failed; %3 skipped; %4: the files not added, if any; %5: the time.
inline constexpr const char* kSummary =
    QT_TRANSLATE_NOOP("Corvane", "%1，%2 个失败，%3 个跳过%4，用时 %5");
inline constexpr const char* kNotAdded = QT_TRANSLATE_N_NOOP("Corvane", "，%n 个文件未能添加");
// %1: the files written.
inline constexpr const char* kGivenUp =
    QT_TRANSLATE_NOOP("Corvane", "已中断；%1，进行中的任务已放弃");
// The terminal's last line. %1 jobs ended of %2; %3: the time taken.
inline constexpr const char* kTotal = QT_TRANSLATE_NOOP("Corvane", "总计：已完成 %1/%2，已用 %3");
// %1: the time still needed.
inline constexpr const char* kTimeLeft = QT_TRANSLATE_NOOP("Corvane", "，约剩 %1");

}  // namespace corvane::clitexts
