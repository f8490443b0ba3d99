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

// The options dialog and the button that opens it.
inline constexpr const char* kOptions = "选项";
inline constexpr const char* kNameTemplateLabel =
    "输出文件名模板（留空为默认：Track_N / 原文件名）";
// %1: the fields, each in braces.
inline constexpr const char* kNameTemplateFields = "可用字段：%1；“/”分隔文件夹";
// %1: why the template cannot be used, as the template's reader says it.
inline constexpr const char* kNameTemplateRefused = "此模板无法使用：%1";
inline constexpr const char* kVerifyOption = "写入后校验（由 libFLAC 解码比对，稍慢）";
inline constexpr const char* kAccurateRipOption =
    "在 AccurateRip 数据库中查询光盘（会通过网络发送光盘 ID）";
inline constexpr const char* kReplayGainOption = "计算并写入 ReplayGain 2.0 音轨与专辑增益";

// A disc's end, in the status bar. %1: the sheet's name; %2: the verdict; %3: the log's name.
inline constexpr const char* kDiscEnded = "光盘 %1：%2";
inline constexpr const char* kDiscLog = "；日志：%1";
// %1 tracks accurately ripped of %2.
inline constexpr const char* kVerdictAccurate = "AccurateRip 校验通过（%1/%2 轨）";
inline constexpr const char* kVerdictPartly = "AccurateRip 部分校验通过（%1/%2 轨）";
inline constexpr const char* kVerdictNotAccurate = "AccurateRip 校验未通过（%1/%2 轨）";
inline constexpr const char* kVerdictNotInDatabase = "AccurateRip 数据库中没有此光盘";
inline constexpr const char* kVerdictUnreachable = "无法连接 AccurateRip 数据库";
inline constexpr const char* kVerdictNotChecked = "已记录校验值（未查询 AccurateRip）";
inline constexpr const char* kVerdictNotCdAudio = "不是 CD 音频，没有 AccurateRip 校验值";
// %1: tracks of the disc not converted.
inline constexpr const char* kVerdictFailedTracks = "，%1 轨未转换";

inline constexpr const char* kStatusStartUp = "请将需要转换的文件添加到列表中";
inline constexpr const char* kStatusFast = "转换速度快！压缩率较低";
inline constexpr const char* kStatusMedium = "转换速度中等，压缩率好！";
inline constexpr const char* kStatusSlow = "转换速度慢！压缩率高";

inline constexpr const char* kFilterApe = "Monkey's Audio files (*.ape *.APE)";
inline constexpr const char* kFilterCue = "Cue Files (*.cue *.CUE)";
// %1: the patterns of every input format and of cue sheets, in both letter cases.
inline constexpr const char* kFilterAll = "All Supported Files (%1)";

inline constexpr const char* kAboutCaption = "关于作者;";
inline constexpr const char* kAboutVersion = "软件版本:1.0.2.4";
// The five lines of the About window: what the program is and what it is built on. %1 and %2
// in the second are the decoder's and the encoder's library files as loaded.
// clang-format off
inline constexpr const char* kAboutLines[5] = {
    "Corvane: APE/CUE 批量转换为 FLAC",
    "库：%1、%2",
    "许可证：GNU GPL 第 3 版或更高版本",
    "感谢 libFLAC、WavPack 与 libsndfile",
    "感谢 Qt、uchardet、zlib、libebur128",
};
// clang-format on

// Cue sheets refused when added. %1 is the sheet's file name, %2 a line number.
inline constexpr const char* kCueSheetInvalid = "CUE 文件“%1”第 %2 行有误：%3。该行为：%4";
inline constexpr const char* kCueNulByte = "含有空字符（NUL），文件已损坏或不是文本";
inline constexpr const char* kCueTrackWithoutNumber = "TRACK 行缺少音轨号";
inline constexpr const char* kCueTrackNumberOutOfRange = "TRACK 行的音轨号超出范围";
inline constexpr const char* kCueTrackBeforeFile = "音轨之前没有 FILE 行，不知道音频在哪个文件";
inline constexpr const char* kCueFileWithoutName = "FILE 行缺少文件名";
inline constexpr const char* kCueIndexOutsideTrack = "INDEX 行不属于任何音轨";
inline constexpr const char* kCueMalformedIndex = "INDEX 行缺少编号或时间";
inline constexpr const char* kCueIndexNumberOutOfRange = "INDEX 行的编号超出范围";
inline constexpr const char* kCueMalformedTime = "时间应为“分:秒:帧”，秒小于 60，帧小于 75";
inline constexpr const char* kCueRepeatedIndex01 = "同一音轨有两个 INDEX 01";
inline constexpr const char* kCueMissingIndex01 = "音轨缺少 INDEX 01（起始时间）";
inline constexpr const char* kCueTimeNotIncreasing = "时间没有晚于同一音频文件中前面的时间";
// %1 the sheet, %2 the FILE line, %3 the name written there, %4 the names looked for.
inline constexpr const char* kCueAudioNotFound =
    "CUE 文件“%1”第 %2 行的音频文件“%3”找不到。已查找：%4";
inline constexpr const char* kCueLookedForAnyCase = "不分大小写的“%1”";
inline constexpr const char* kCueEmbeddedSeveralFiles =
    "APE 文件“%1”内嵌的 CUE 有多个 FILE 行，无法确定各音轨的音频";
inline constexpr const char* kCueEncodingChangedTracks =
    "用所选编码重新读取“%1”后音轨数目不同，已保留原来的内容";

// The job list's context menu on a cue track: the encodings a sheet can be read again in.
inline constexpr const char* kEncodingMenuTitle = "CUE 文本编码";
inline constexpr const char* kEncodingAuto = "自动检测";

// Title of the message boxes that show errors.
inline constexpr const char* kErrorTitle = "Corvane";

// The end of a batch, in the status bar. %1: files written; %2: files that failed; %3: what
// went wrong.
inline constexpr const char* kStatusBatchDone = "转换完成：共写入 %1 个文件";
inline constexpr const char* kStatusBatchHalted = "转换出错：已写入 %1 个文件，%2 个失败。%3";
inline constexpr const char* kStatusBatchStopped = "转换已停止：已写入 %1 个文件";
inline constexpr const char* kStatusBatchDoneWithFailures = "转换完成：共写入 %1 个文件，%2 个失败";
inline constexpr const char* kStatusBatchStoppedWithFailures =
    "转换已停止：已写入 %1 个文件，%2 个失败";
// The end of a batch with failures, in one message: %1 jobs failed and are back in the list.
inline constexpr const char* kFailedJobsBack =
    "以下 %1 个任务转换失败，已放回列表，可再次开始转换：";
// Start refuses: the typed output folder %1 cannot be made, for the system's reason %2.
inline constexpr const char* kCannotMakeOutputFolder = "无法创建输出文件夹“%1”：%2";
// While a batch runs. %1: the job's place in the batch; %2: the jobs of the batch; %3: its file
// or track.
inline constexpr const char* kStatusConverting = "正在转换 第 %1/%2 个：%3";
inline constexpr const char* kStatusFailedSoFar = "（%1 个失败）";
// %1: minutes:seconds.
inline constexpr const char* kStatusTimeLeft = "，剩余约 %1";
inline constexpr const char* kStatusPaused = "已暂停";
// After adding files: %1 jobs in the list.
inline constexpr const char* kStatusJobsInList = "列表中共有 %1 个任务";
// While files are dragged over the window.
inline constexpr const char* kStatusDropHint =
    "松开鼠标即可添加：音频文件（APE、FLAC 等）、CUE 文件或文件夹";

// Covers that were found but not embedded, in the status bar. %1: the image, or the APE file
// whose tag holds it.
inline constexpr const char* kNoteCoverTooLarge = "封面图片大于 16 MiB，未嵌入：%1";
inline constexpr const char* kNoteCoverNotImage = "封面不是 JPEG、PNG 或 GIF 图片，未嵌入：%1";
inline constexpr const char* kNoteCoverUnreadable = "封面图片无法读取，未嵌入：%1";
// Tags that were read but not written. %1: the fields' names (a few, then kNoteFieldsAndMore);
// %2: the job (its APE file, or which track of which sheet).
inline constexpr const char* kNoteFieldsLeftOut =
    "FLAC 注释块（最多 16 MiB）放不下这些标签，未写入：%1（%2）";
// %1: the first few names; %2: how many values were left out in all.
inline constexpr const char* kNoteFieldsAndMore = "%1 等共 %2 项";
// %1: the APE file whose tag is damaged; what was read before the damage is written.
inline constexpr const char* kNoteApeTagDamaged = "APE 标签已损坏，损坏处之后的标签可能缺失：%1";

// A failed job's message: the error's own text, then these lines.
inline constexpr const char* kFailureFile = "文件：";
inline constexpr const char* kFailureCause = "原因：";
inline constexpr const char* kFailureJob = "转换任务：";
// %1: the cue sheet; %2: the track's position.
inline constexpr const char* kCueTrackJob = "%1 的第 %2 轨";

// Why a file could not be used.
inline constexpr const char* kCauseNotFound = "找不到文件";
inline constexpr const char* kCauseFolderNotFound = "找不到文件夹";
// A file %1 stands where the output's path needs a folder.
inline constexpr const char* kCauseNotAFolder = "“%1”不是文件夹";
inline constexpr const char* kCausePermissionDenied = "没有权限";
inline constexpr const char* kCauseReadOnly = "磁盘只读";
inline constexpr const char* kCauseDiskFull = "磁盘已满";
inline constexpr const char* kCauseFolderInTheWay = "已有同名的文件夹";
// %1: the format the file's extension names ("APE", "FLAC").
inline constexpr const char* kCauseNotOfFormat = "不是 %1 文件，或其格式不受支持";
// A format no decoder here reads; %1 names it ("TAK").
inline constexpr const char* kCauseFormatRefused = "不支持 %1 文件";
inline constexpr const char* kCauseDamaged = "数据损坏";
// %1: minutes:seconds into the audio file.
inline constexpr const char* kCauseDamagedAt = "数据损坏，位于 %1";
// %1: the sample rate the file declares, in Hz.
inline constexpr const char* kCauseSampleRate = "采样率 %1 Hz 无法写入 FLAC";
inline constexpr const char* kCauseUnreadable = "无法读取";
// A pipe, a device or a socket: reading it could wait for ever, and it holds no file to convert.
inline constexpr const char* kCauseNotAFile = "不是普通文件（管道或设备）";
inline constexpr const char* kCauseOutOfMemory = "内存不足";
inline constexpr const char* kCauseNoTracks = "其中没有音轨";
// A folder given to add.
inline constexpr const char* kCauseNothingToConvert = "文件夹中没有可转换的音频或 CUE 文件";

// Files that could not be added: this line, then one line per file.
inline constexpr const char* kAddProblems = "以下文件未能添加：";

}  // namespace corvane::texts
