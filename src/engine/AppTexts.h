#pragma once

#include <QtGlobal>

// The window's texts, in UTF-8. Kept in one place so the tests and the windows cannot drift
// apart. Chinese is their own language; each is marked for Qt Linguist (context "Corvane") and
// looked up when shown, through TextOf (Language.h), so translations/corvane_en.ts gives the
// English window. A text added here needs its English there too, or a test fails.
namespace corvane::texts {

inline constexpr const char* kMainCaption = QT_TRANSLATE_NOOP("Corvane", "批量Corvane v2.4");
inline constexpr const char* kListHeading =
    QT_TRANSLATE_NOOP("Corvane", "将要转换的APE/CUE文件列表");
inline constexpr const char* kAddFiles = QT_TRANSLATE_NOOP("Corvane", "添加文件");
inline constexpr const char* kRemoveFromList = QT_TRANSLATE_NOOP("Corvane", "从列表删除");
inline constexpr const char* kClear = QT_TRANSLATE_NOOP("Corvane", "清空");
inline constexpr const char* kSaveTo = QT_TRANSLATE_NOOP("Corvane", "保存到:");
// Edit1's initial text: outputs go beside their sources.
inline constexpr const char* kSourceFolder = QT_TRANSLATE_NOOP("Corvane", "原文件目录");
inline constexpr const char* kBrowse = QT_TRANSLATE_NOOP("Corvane", "浏览");
inline constexpr const char* kStartConversion = QT_TRANSLATE_NOOP("Corvane", "开始转换");
inline constexpr const char* kCompressionLevel = QT_TRANSLATE_NOOP("Corvane", "压缩等级");
inline constexpr const char* kCpuUsage = QT_TRANSLATE_NOOP("Corvane", "CPU占用率");
inline constexpr const char* kLow = QT_TRANSLATE_NOOP("Corvane", "低");
inline constexpr const char* kHigh = QT_TRANSLATE_NOOP("Corvane", "高");
inline constexpr const char* kPauseConversion = QT_TRANSLATE_NOOP("Corvane", "暂停转换");
inline constexpr const char* kResumeConversion = QT_TRANSLATE_NOOP("Corvane", "恢复转换");
inline constexpr const char* kStopConversion = QT_TRANSLATE_NOOP("Corvane", "停止转换");
inline constexpr const char* kAbout = QT_TRANSLATE_NOOP("Corvane", "关于");
inline constexpr const char* kChooseFolder = QT_TRANSLATE_NOOP("Corvane", "请选择一个目录");

// The options dialog and the button that opens it.
inline constexpr const char* kOptions = QT_TRANSLATE_NOOP("Corvane", "选项");
inline constexpr const char* kNameTemplateLabel =
    QT_TRANSLATE_NOOP("Corvane", "输出文件名模板（留空为默认：Track_N / 原文件名）");
// %1: the fields, each in braces.
inline constexpr const char* kNameTemplateFields =
    QT_TRANSLATE_NOOP("Corvane", "可用字段：%1；“/”分隔文件夹");
// %1: why the template cannot be used, as the template's reader says it.
inline constexpr const char* kNameTemplateRefused =
    QT_TRANSLATE_NOOP("Corvane", "此模板无法使用：%1");
inline constexpr const char* kVerifyOption =
    QT_TRANSLATE_NOOP("Corvane", "写入后校验（由 libFLAC 解码比对，稍慢）");
inline constexpr const char* kAccurateRipOption =
    QT_TRANSLATE_NOOP("Corvane", "在 AccurateRip 数据库中查询光盘（会通过网络发送光盘 ID）");
inline constexpr const char* kReplayGainOption =
    QT_TRANSLATE_NOOP("Corvane", "计算并写入 ReplayGain 2.0 音轨与专辑增益");
// The window's language, in the options dialog: the locale's, or one chosen.
inline constexpr const char* kLanguageLabel =
    QT_TRANSLATE_NOOP("Corvane", "界面语言（下次启动时生效）");
inline constexpr const char* kLanguageOfLocale = QT_TRANSLATE_NOOP("Corvane", "跟随系统区域设置");
inline constexpr const char* kLanguageChinese = QT_TRANSLATE_NOOP("Corvane", "中文");
inline constexpr const char* kLanguageEnglish = QT_TRANSLATE_NOOP("Corvane", "English");

// A disc's end, in the status bar. %1: the sheet's name; %2: the verdict; %3: the log's name.
inline constexpr const char* kDiscEnded = QT_TRANSLATE_NOOP("Corvane", "光盘 %1：%2");
inline constexpr const char* kDiscLog = QT_TRANSLATE_NOOP("Corvane", "；日志：%1");
// %1 tracks accurately ripped of %2.
inline constexpr const char* kVerdictAccurate =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 校验通过（%1/%2 轨）");
inline constexpr const char* kVerdictPartly =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 部分校验通过（%1/%2 轨）");
inline constexpr const char* kVerdictNotAccurate =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 校验未通过（%1/%2 轨）");
inline constexpr const char* kVerdictNotInDatabase =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库中没有此光盘");
inline constexpr const char* kVerdictUnreachable =
    QT_TRANSLATE_NOOP("Corvane", "无法连接 AccurateRip 数据库");
inline constexpr const char* kVerdictNotChecked =
    QT_TRANSLATE_NOOP("Corvane", "已记录校验值（未查询 AccurateRip）");
inline constexpr const char* kVerdictNotCdAudio =
    QT_TRANSLATE_NOOP("Corvane", "不是 CD 音频，没有 AccurateRip 校验值");
// %1: tracks of the disc not converted.
inline constexpr const char* kVerdictFailedTracks = QT_TRANSLATE_NOOP("Corvane", "，%1 轨未转换");

inline constexpr const char* kStatusStartUp =
    QT_TRANSLATE_NOOP("Corvane", "请将需要转换的文件添加到列表中");
inline constexpr const char* kStatusFast = QT_TRANSLATE_NOOP("Corvane", "转换速度快！压缩率较低");
inline constexpr const char* kStatusMedium =
    QT_TRANSLATE_NOOP("Corvane", "转换速度中等，压缩率好！");
inline constexpr const char* kStatusSlow = QT_TRANSLATE_NOOP("Corvane", "转换速度慢！压缩率高");

inline constexpr const char* kFilterApe =
    QT_TRANSLATE_NOOP("Corvane", "Monkey's Audio files (*.ape *.APE)");
inline constexpr const char* kFilterCue = QT_TRANSLATE_NOOP("Corvane", "Cue Files (*.cue *.CUE)");
// %1: the patterns of every input format and of cue sheets, in both letter cases.
inline constexpr const char* kFilterAll = QT_TRANSLATE_NOOP("Corvane", "All Supported Files (%1)");

inline constexpr const char* kAboutCaption = QT_TRANSLATE_NOOP("Corvane", "关于作者;");
inline constexpr const char* kAboutVersion = QT_TRANSLATE_NOOP("Corvane", "软件版本:1.0.2.4");
// The five lines of the About window: what the program is and what it is built on. %1 and %2
// in the second are the decoder's and the encoder's library files as loaded.
// clang-format off
inline constexpr const char* kAboutLines[5] = {
    QT_TRANSLATE_NOOP("Corvane", "Corvane: APE/CUE 批量转换为 FLAC"),
    QT_TRANSLATE_NOOP("Corvane", "库：%1、%2"),
    QT_TRANSLATE_NOOP("Corvane", "许可证：GNU GPL 第 3 版或更高版本"),
    QT_TRANSLATE_NOOP("Corvane", "感谢 libFLAC、WavPack 与 libsndfile"),
    QT_TRANSLATE_NOOP("Corvane", "感谢 Qt、uchardet、zlib、libebur128"),
};
// clang-format on

// Cue sheets refused when added. %1 is the sheet's file name, %2 a line number.
inline constexpr const char* kCueSheetInvalid =
    QT_TRANSLATE_NOOP("Corvane", "CUE 文件“%1”第 %2 行有误：%3。该行为：%4");
inline constexpr const char* kCueNulByte =
    QT_TRANSLATE_NOOP("Corvane", "含有空字符（NUL），文件已损坏或不是文本");
inline constexpr const char* kCueTrackWithoutNumber =
    QT_TRANSLATE_NOOP("Corvane", "TRACK 行缺少音轨号");
inline constexpr const char* kCueTrackNumberOutOfRange =
    QT_TRANSLATE_NOOP("Corvane", "TRACK 行的音轨号超出范围");
inline constexpr const char* kCueTrackBeforeFile =
    QT_TRANSLATE_NOOP("Corvane", "音轨之前没有 FILE 行，不知道音频在哪个文件");
inline constexpr const char* kCueFileWithoutName =
    QT_TRANSLATE_NOOP("Corvane", "FILE 行缺少文件名");
inline constexpr const char* kCueIndexOutsideTrack =
    QT_TRANSLATE_NOOP("Corvane", "INDEX 行不属于任何音轨");
inline constexpr const char* kCueMalformedIndex =
    QT_TRANSLATE_NOOP("Corvane", "INDEX 行缺少编号或时间");
inline constexpr const char* kCueIndexNumberOutOfRange =
    QT_TRANSLATE_NOOP("Corvane", "INDEX 行的编号超出范围");
inline constexpr const char* kCueMalformedTime =
    QT_TRANSLATE_NOOP("Corvane", "时间应为“分:秒:帧”，秒小于 60，帧小于 75");
inline constexpr const char* kCueRepeatedIndex01 =
    QT_TRANSLATE_NOOP("Corvane", "同一音轨有两个 INDEX 01");
inline constexpr const char* kCueMissingIndex01 =
    QT_TRANSLATE_NOOP("Corvane", "音轨缺少 INDEX 01（起始时间）");
inline constexpr const char* kCueTimeNotIncreasing =
    QT_TRANSLATE_NOOP("Corvane", "时间没有晚于同一音频文件中前面的时间");
// %1 the sheet, %2 the FILE line, %3 the name written there, %4 the names looked for.
inline constexpr const char* kCueAudioNotFound =
    QT_TRANSLATE_NOOP("Corvane", "CUE 文件“%1”第 %2 行的音频文件“%3”找不到。已查找：%4");
inline constexpr const char* kCueLookedForAnyCase =
    QT_TRANSLATE_NOOP("Corvane", "不分大小写的“%1”");
inline constexpr const char* kCueEmbeddedSeveralFiles =
    QT_TRANSLATE_NOOP("Corvane", "APE 文件“%1”内嵌的 CUE 有多个 FILE 行，无法确定各音轨的音频");
inline constexpr const char* kCueEncodingChangedTracks =
    QT_TRANSLATE_NOOP("Corvane", "用所选编码重新读取“%1”后音轨数目不同，已保留原来的内容");

// The job list's context menu on a cue track: the encodings a sheet can be read again in.
inline constexpr const char* kEncodingMenuTitle = QT_TRANSLATE_NOOP("Corvane", "CUE 文本编码");
inline constexpr const char* kEncodingAuto = QT_TRANSLATE_NOOP("Corvane", "自动检测");

// Title of the message boxes that show errors.
inline constexpr const char* kErrorTitle = QT_TRANSLATE_NOOP("Corvane", "Corvane");

// The end of a batch, in the status bar. %1: files written; %2: files that failed; %3: what
// went wrong.
inline constexpr const char* kStatusBatchDone =
    QT_TRANSLATE_NOOP("Corvane", "转换完成：共写入 %1 个文件");
inline constexpr const char* kStatusBatchHalted =
    QT_TRANSLATE_NOOP("Corvane", "转换出错：已写入 %1 个文件，%2 个失败。%3");
inline constexpr const char* kStatusBatchStopped =
    QT_TRANSLATE_NOOP("Corvane", "转换已停止：已写入 %1 个文件");
inline constexpr const char* kStatusBatchDoneWithFailures =
    QT_TRANSLATE_NOOP("Corvane", "转换完成：共写入 %1 个文件，%2 个失败");
inline constexpr const char* kStatusBatchStoppedWithFailures =
    QT_TRANSLATE_NOOP("Corvane", "转换已停止：已写入 %1 个文件，%2 个失败");
// The end of a batch with failures, in one message: %1 jobs failed and are back in the list.
inline constexpr const char* kFailedJobsBack =
    QT_TRANSLATE_NOOP("Corvane", "以下 %1 个任务转换失败，已放回列表，可再次开始转换：");
// Start refuses: the typed output folder %1 cannot be made, for the system's reason %2.
inline constexpr const char* kCannotMakeOutputFolder =
    QT_TRANSLATE_NOOP("Corvane", "无法创建输出文件夹“%1”：%2");
// While a batch runs. %1: the job's place in the batch; %2: the jobs of the batch; %3: its file
// or track.
inline constexpr const char* kStatusConverting =
    QT_TRANSLATE_NOOP("Corvane", "正在转换 第 %1/%2 个：%3");
inline constexpr const char* kStatusFailedSoFar = QT_TRANSLATE_NOOP("Corvane", "（%1 个失败）");
// %1: minutes:seconds.
inline constexpr const char* kStatusTimeLeft = QT_TRANSLATE_NOOP("Corvane", "，剩余约 %1");
inline constexpr const char* kStatusPaused = QT_TRANSLATE_NOOP("Corvane", "已暂停");
// After adding files: %1 jobs in the list.
inline constexpr const char* kStatusJobsInList =
    QT_TRANSLATE_NOOP("Corvane", "列表中共有 %1 个任务");
// While files are dragged over the window.
inline constexpr const char* kStatusDropHint =
    QT_TRANSLATE_NOOP("Corvane", "松开鼠标即可添加：音频文件（APE、FLAC 等）、CUE 文件或文件夹");

// Covers that were found but not embedded, in the status bar. %1: the image, or the APE file
// whose tag holds it.
inline constexpr const char* kNoteCoverTooLarge =
    QT_TRANSLATE_NOOP("Corvane", "封面图片大于 16 MiB，未嵌入：%1");
inline constexpr const char* kNoteCoverNotImage =
    QT_TRANSLATE_NOOP("Corvane", "封面不是 JPEG、PNG 或 GIF 图片，未嵌入：%1");
inline constexpr const char* kNoteCoverUnreadable =
    QT_TRANSLATE_NOOP("Corvane", "封面图片无法读取，未嵌入：%1");
// Tags that were read but not written. %1: the fields' names (a few, then kNoteFieldsAndMore);
// %2: the job (its APE file, or which track of which sheet).
inline constexpr const char* kNoteFieldsLeftOut =
    QT_TRANSLATE_NOOP("Corvane", "FLAC 注释块（最多 16 MiB）放不下这些标签，未写入：%1（%2）");
// %1: the first few names; %2: how many values were left out in all.
inline constexpr const char* kNoteFieldsAndMore = QT_TRANSLATE_NOOP("Corvane", "%1 等共 %2 项");
// %1: the APE file whose tag is damaged; what was read before the damage is written.
inline constexpr const char* kNoteApeTagDamaged =
    QT_TRANSLATE_NOOP("Corvane", "APE 标签已损坏，损坏处之后的标签可能缺失：%1");

// A failed job's message: the error's own text, then these lines.
inline constexpr const char* kFailureFile = QT_TRANSLATE_NOOP("Corvane", "文件：");
inline constexpr const char* kFailureCause = QT_TRANSLATE_NOOP("Corvane", "原因：");
inline constexpr const char* kFailureJob = QT_TRANSLATE_NOOP("Corvane", "转换任务：");
// %1: the cue sheet; %2: the track's position.
inline constexpr const char* kCueTrackJob = QT_TRANSLATE_NOOP("Corvane", "%1 的第 %2 轨");

// Why a file could not be used.
inline constexpr const char* kCauseNotFound = QT_TRANSLATE_NOOP("Corvane", "找不到文件");
inline constexpr const char* kCauseFolderNotFound = QT_TRANSLATE_NOOP("Corvane", "找不到文件夹");
// A file %1 stands where the output's path needs a folder.
inline constexpr const char* kCauseNotAFolder = QT_TRANSLATE_NOOP("Corvane", "“%1”不是文件夹");
inline constexpr const char* kCausePermissionDenied = QT_TRANSLATE_NOOP("Corvane", "没有权限");
inline constexpr const char* kCauseReadOnly = QT_TRANSLATE_NOOP("Corvane", "磁盘只读");
inline constexpr const char* kCauseDiskFull = QT_TRANSLATE_NOOP("Corvane", "磁盘已满");
inline constexpr const char* kCauseFolderInTheWay =
    QT_TRANSLATE_NOOP("Corvane", "已有同名的文件夹");
// %1: the format the file's extension names ("APE", "FLAC").
inline constexpr const char* kCauseNotOfFormat =
    QT_TRANSLATE_NOOP("Corvane", "不是 %1 文件，或其格式不受支持");
// A format no decoder here reads; %1 names it ("TAK").
inline constexpr const char* kCauseFormatRefused = QT_TRANSLATE_NOOP("Corvane", "不支持 %1 文件");
inline constexpr const char* kCauseDamaged = QT_TRANSLATE_NOOP("Corvane", "数据损坏");
// %1: minutes:seconds into the audio file.
inline constexpr const char* kCauseDamagedAt = QT_TRANSLATE_NOOP("Corvane", "数据损坏，位于 %1");
// %1: the sample rate the file declares, in Hz.
inline constexpr const char* kCauseSampleRate =
    QT_TRANSLATE_NOOP("Corvane", "采样率 %1 Hz 无法写入 FLAC");
inline constexpr const char* kCauseUnreadable = QT_TRANSLATE_NOOP("Corvane", "无法读取");
// A pipe, a device or a socket: reading it could wait for ever, and it holds no file to convert.
inline constexpr const char* kCauseNotAFile =
    QT_TRANSLATE_NOOP("Corvane", "不是普通文件（管道或设备）");
inline constexpr const char* kCauseOutOfMemory = QT_TRANSLATE_NOOP("Corvane", "内存不足");
inline constexpr const char* kCauseNoTracks = QT_TRANSLATE_NOOP("Corvane", "其中没有音轨");
// A folder given to add.
inline constexpr const char* kCauseNothingToConvert =
    QT_TRANSLATE_NOOP("Corvane", "文件夹中没有可转换的音频或 CUE 文件");

// The punctuation messages are put together with: a file and why, a sentence's end, the parts
// of the status bar, the items of a list, a name quoted.
inline constexpr const char* kColon = QT_TRANSLATE_NOOP("Corvane", "：");
inline constexpr const char* kFullStop = QT_TRANSLATE_NOOP("Corvane", "。");
inline constexpr const char* kSemicolon = QT_TRANSLATE_NOOP("Corvane", "；");
inline constexpr const char* kListSeparator = QT_TRANSLATE_NOOP("Corvane", "、");
inline constexpr const char* kQuoted = QT_TRANSLATE_NOOP("Corvane", "“%1”");

// Files that could not be added: this line, then one line per file.
inline constexpr const char* kAddProblems = QT_TRANSLATE_NOOP("Corvane", "以下文件未能添加：");

// ---- The engine's messages: notes, refusals and the errors a failed job shows ----

// Why a name template cannot be used. %1: the template as typed.
inline constexpr const char* kTemplateEmpty = QT_TRANSLATE_NOOP("Corvane", "文件名模板为空");
inline constexpr const char* kTemplateEndsInFolder =
    QT_TRANSLATE_NOOP("Corvane", "文件名模板“%1”以文件夹结尾，缺少文件名");
inline constexpr const char* kTemplateOpenBrace =
    QT_TRANSLATE_NOOP("Corvane", "文件名模板“%1”中的“{”没有对应的“}”");
inline constexpr const char* kTemplateCloseBrace =
    QT_TRANSLATE_NOOP("Corvane", "文件名模板“%1”中的“}”没有对应的“{”");
// %1: the field as typed; %2: the template; %3: the fields there are, each in braces.
inline constexpr const char* kTemplateUnknownField =
    QT_TRANSLATE_NOOP("Corvane", "文件名模板“%2”中有未知字段 {%1}；可用字段：%3");
// What each field of a name template gives, as the help lists them.
inline constexpr const char* kFieldTrack = QT_TRANSLATE_NOOP("Corvane", "音轨号，两位数字（01）");
inline constexpr const char* kFieldTitle = QT_TRANSLATE_NOOP("Corvane", "标题");
inline constexpr const char* kFieldArtist = QT_TRANSLATE_NOOP("Corvane", "艺术家（音轨的表演者）");
inline constexpr const char* kFieldAlbum = QT_TRANSLATE_NOOP("Corvane", "专辑");
inline constexpr const char* kFieldAlbumArtist =
    QT_TRANSLATE_NOOP("Corvane", "专辑艺术家（CUE 文件的表演者）");
inline constexpr const char* kFieldDate = QT_TRANSLATE_NOOP("Corvane", "日期或年份");
inline constexpr const char* kFieldDisc = QT_TRANSLATE_NOOP("Corvane", "碟号");
inline constexpr const char* kFieldSource =
    QT_TRANSLATE_NOOP("Corvane", "源文件名（不含文件夹和扩展名）");

// ReplayGain values left out. %1: the cue sheet or file; %2 tracks of its %3.
inline constexpr const char* kNoteAlbumGainPartOfDisc =
    QT_TRANSLATE_NOOP("Corvane", "未写入专辑增益：%1 共 %3 轨，只转换了其中 %2 轨");
inline constexpr const char* kNoteAlbumGainTracksMissing =
    QT_TRANSLATE_NOOP("Corvane", "未写入专辑增益：%1 的 %3 轨中有 %2 轨未转换或未测量");
// %1: the output; %2: why its loudness could not be measured.
inline constexpr const char* kNoteNoTrackGain =
    QT_TRANSLATE_NOOP("Corvane", "未写入 ReplayGain：%1（%2）");
// %1: the file; %2: the system's reason.
inline constexpr const char* kAlbumGainNotWritten =
    QT_TRANSLATE_NOOP("Corvane", "无法写入“%1”的专辑增益：%2");
// A disc's log. %1: the system's reason.
inline constexpr const char* kNoteLogNotWritten = QT_TRANSLATE_NOOP("Corvane", "无法写入日志：%1");

// Why the AccurateRip database gave no entry, shown beside the disc's sheet.
// %1: the network's own reason.
inline constexpr const char* kLookupUnreachable =
    QT_TRANSLATE_NOOP("Corvane", "无法连接 AccurateRip 数据库（%1）");
// %1: the time allowed, such as "10 s".
inline constexpr const char* kLookupTimedOut =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库在 %1 内没有响应");
// %1: the most bytes an entry may have.
inline constexpr const char* kLookupTooLong =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库发来的数据超过 %1 字节，不是光盘条目");
// %1: the HTTP status code.
inline constexpr const char* kLookupHttpStatus =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库返回 HTTP %1");
// %1 bytes came of the %2 announced.
inline constexpr const char* kLookupTruncated =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库发来的条目不完整（%1/%2 字节）");
inline constexpr const char* kLookupEmpty =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库发来的条目为空");
// %1: the path that was refused.
inline constexpr const char* kLookupBadPath =
    QT_TRANSLATE_NOOP("Corvane", "未查询 AccurateRip 数据库：条目路径“%1”无效");
// %1: what is wrong with it.
inline constexpr const char* kLookupEntryDamaged =
    QT_TRANSLATE_NOOP("Corvane", "AccurateRip 数据库的条目已损坏：%1");

// Errors that end a job, shown as its failure. %1: the cue sheet; %2: the track's number.
inline constexpr const char* kErrorSheetHasNoTrack =
    QT_TRANSLATE_NOOP("Corvane", "CUE 文件 %1 中没有第 %2 轨。");
// %1: the job.
inline constexpr const char* kErrorJobHasNoSheet =
    QT_TRANSLATE_NOOP("Corvane", "%1 没有 CUE 文件。");
// %1: the track's number; %2: the cue sheet.
inline constexpr const char* kErrorTrackHoldsNoAudio =
    QT_TRANSLATE_NOOP("Corvane", "%2 的第 %1 轨没有音频。");
// %1: the cue sheet; %2: the track's number; %3: the audio file.
inline constexpr const char* kErrorTrackStartsPastEnd =
    QT_TRANSLATE_NOOP("Corvane", "%1：第 %2 轨的起点位于 %3 的末尾或之后。");
// %1: the file's name.
inline constexpr const char* kErrorNoDecoder =
    QT_TRANSLATE_NOOP("Corvane", "没有能读取 %1 的解码器。");
// %1: the folder; %2: the system's reason.
inline constexpr const char* kErrorCannotCreateFolder =
    QT_TRANSLATE_NOOP("Corvane", "无法创建文件夹“%1”。%2");
// %1: the output; %2: the system's reason.
inline constexpr const char* kErrorTagsNotWritten =
    QT_TRANSLATE_NOOP("Corvane", "无法写入“%1”的标签：%2");
// %1: the output, whose temporary file is gone before its tags were written.
inline constexpr const char* kErrorNoFinishedFile =
    QT_TRANSLATE_NOOP("Corvane", "找不到 %1 的已完成文件，无法写入标签。");

// The window program's own command line (corvane --help). Qt wraps the descriptions at
// spaces, which Chinese has none of: their lines are broken by hand.
inline constexpr const char* kStartDescription = QT_TRANSLATE_NOOP(
    "Corvane",
    "在窗口中把 Monkey's Audio、FLAC、WavPack、True Audio、WAV 和 AIFF 文件及其\n"
    "cue 表 CD 映像转换为 FLAC 文件。给出的文件和文件夹会加入列表，如同拖放到窗口上；\n"
    "corvane-cli 在命令行中转换。也接受 Qt 自己的选项（-platform、-style...）。");
inline constexpr const char* kStartHelp = QT_TRANSLATE_NOOP("Corvane", "显示此帮助并退出。");
inline constexpr const char* kStartVersion = QT_TRANSLATE_NOOP("Corvane", "显示版本并退出。");
inline constexpr const char* kStartLanguage = QT_TRANSLATE_NOOP(
    "Corvane",
    "窗口的语言：zh（中文）或 en（英文）。\n不给出时，用选项中设定的语言，\n否则按区域设置。");
inline constexpr const char* kStartFiles =
    QT_TRANSLATE_NOOP("Corvane", "要加入列表的音频文件、.cue 文件、文件夹。");
// %1: the option as typed.
inline constexpr const char* kStartUnknownOption = QT_TRANSLATE_NOOP("Corvane", "未知选项“%1”");
// %1: the name given.
inline constexpr const char* kStartUnknownLanguage =
    QT_TRANSLATE_NOOP("Corvane", "--lang 的语言“%1”未知（可用 zh 或 en）");
// %1: what is wrong.
inline constexpr const char* kStartUsageError =
    QT_TRANSLATE_NOOP("Corvane", "%1（参见 corvane --help）");

}  // namespace corvane::texts
