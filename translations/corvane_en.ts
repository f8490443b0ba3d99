<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Corvane</name>
    <message>
        <source>批量Corvane v2.4</source>
        <translation>Batch Corvane v2.4</translation>
    </message>
    <message>
        <source>将要转换的APE/CUE文件列表</source>
        <translation>APE/CUE files to convert</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>从列表删除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>保存到:</source>
        <translation>Save to:</translation>
    </message>
    <message>
        <source>原文件目录</source>
        <translation>Source folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>开始转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>压缩等级</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>CPU占用率</source>
        <translation>CPU usage</translation>
    </message>
    <message>
        <source>低</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>高</source>
        <translation>High</translation>
    </message>
    <message>
        <source>暂停转换</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>恢复转换</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>停止转换</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>请选择一个目录</source>
        <translation>Choose a folder</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>输出文件名模板（留空为默认：Track_N / 原文件名）</source>
        <translation>Output file name template (empty for the defaults: Track_N / the source file&apos;s name)</translation>
    </message>
    <message>
        <source>可用字段：%1；“/”分隔文件夹</source>
        <translation>Fields: %1; &quot;/&quot; separates folders</translation>
    </message>
    <message>
        <source>此模板无法使用：%1</source>
        <translation>This template cannot be used: %1</translation>
    </message>
    <message>
        <source>写入后校验（由 libFLAC 解码比对，稍慢）</source>
        <translation>Verify after writing (libFLAC decodes and compares; a little slower)</translation>
    </message>
    <message>
        <source>在 AccurateRip 数据库中查询光盘（会通过网络发送光盘 ID）</source>
        <translation>Look discs up in the AccurateRip database (sends the disc IDs over the network)</translation>
    </message>
    <message>
        <source>计算并写入 ReplayGain 2.0 音轨与专辑增益</source>
        <translation>Compute and write ReplayGain 2.0 track and album gains</translation>
    </message>
    <message>
        <source>界面语言（下次启动时生效）</source>
        <translation>Language (takes effect at the next start)</translation>
    </message>
    <message>
        <source>跟随系统区域设置</source>
        <translation>As the system&apos;s locale</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>光盘 %1：%2</source>
        <translation>Disc %1: %2</translation>
    </message>
    <message>
        <source>；日志：%1</source>
        <translation>; log: %1</translation>
    </message>
    <message>
        <source>AccurateRip 校验通过（%1/%2 轨）</source>
        <translation>accurately ripped (%1 of %2 tracks)</translation>
    </message>
    <message>
        <source>AccurateRip 部分校验通过（%1/%2 轨）</source>
        <translation>partly accurately ripped (%1 of %2 tracks)</translation>
    </message>
    <message>
        <source>AccurateRip 校验未通过（%1/%2 轨）</source>
        <translation>not accurately ripped (%1 of %2 tracks)</translation>
    </message>
    <message>
        <source>AccurateRip 数据库中没有此光盘</source>
        <translation>not in the AccurateRip database</translation>
    </message>
    <message>
        <source>无法连接 AccurateRip 数据库</source>
        <translation>AccurateRip database not reached</translation>
    </message>
    <message>
        <source>已记录校验值（未查询 AccurateRip）</source>
        <translation>checksums written, AccurateRip not asked</translation>
    </message>
    <message>
        <source>不是 CD 音频，没有 AccurateRip 校验值</source>
        <translation>not CD audio: no AccurateRip checksums</translation>
    </message>
    <message>
        <source>，%1 轨未转换</source>
        <translation>, %1 not converted</translation>
    </message>
    <message>
        <source>请将需要转换的文件添加到列表中</source>
        <translation>Add the files to convert to the list</translation>
    </message>
    <message>
        <source>转换速度快！压缩率较低</source>
        <translation>Fast conversion, lower compression</translation>
    </message>
    <message>
        <source>转换速度中等，压缩率好！</source>
        <translation>Medium speed, good compression</translation>
    </message>
    <message>
        <source>转换速度慢！压缩率高</source>
        <translation>Slow conversion, high compression</translation>
    </message>
    <message>
        <source>Monkey&apos;s Audio files (*.ape *.APE)</source>
        <translation>Monkey&apos;s Audio files (*.ape *.APE)</translation>
    </message>
    <message>
        <source>Cue Files (*.cue *.CUE)</source>
        <translation>Cue Files (*.cue *.CUE)</translation>
    </message>
    <message>
        <source>All Supported Files (%1)</source>
        <translation>All Supported Files (%1)</translation>
    </message>
    <message>
        <source>关于作者;</source>
        <translation>About Corvane</translation>
    </message>
    <message>
        <source>软件版本:1.0.2.4</source>
        <translation>Version: 1.0.2.4</translation>
    </message>
    <message>
        <source>Corvane: APE/CUE 批量转换为 FLAC</source>
        <translation>Corvane: batch APE/CUE to FLAC</translation>
    </message>
    <message>
        <source>库：%1、%2</source>
        <translation>Libraries: %1, %2</translation>
    </message>
    <message>
        <source>许可证：GNU GPL 第 3 版或更高版本</source>
        <translation>License: GNU GPL version 3 or later</translation>
    </message>
    <message>
        <source>感谢 libFLAC、WavPack 与 libsndfile</source>
        <translation>Thanks: libFLAC, WavPack, libsndfile</translation>
    </message>
    <message>
        <source>感谢 Qt、uchardet、zlib、libebur128</source>
        <translation>Thanks: Qt, uchardet, zlib, libebur128</translation>
    </message>
    <message>
        <source>CUE 文件“%1”第 %2 行有误：%3。该行为：%4</source>
        <translation>Line %2 of cue sheet &quot;%1&quot; is wrong: %3. The line: %4</translation>
    </message>
    <message>
        <source>含有空字符（NUL），文件已损坏或不是文本</source>
        <translation>it holds a NUL character: the file is damaged or not text</translation>
    </message>
    <message>
        <source>TRACK 行缺少音轨号</source>
        <translation>the TRACK line has no track number</translation>
    </message>
    <message>
        <source>TRACK 行的音轨号超出范围</source>
        <translation>the TRACK line&apos;s track number is out of range</translation>
    </message>
    <message>
        <source>音轨之前没有 FILE 行，不知道音频在哪个文件</source>
        <translation>no FILE line before the track: its audio file is unknown</translation>
    </message>
    <message>
        <source>FILE 行缺少文件名</source>
        <translation>the FILE line has no file name</translation>
    </message>
    <message>
        <source>INDEX 行不属于任何音轨</source>
        <translation>the INDEX line belongs to no track</translation>
    </message>
    <message>
        <source>INDEX 行缺少编号或时间</source>
        <translation>the INDEX line lacks its number or time</translation>
    </message>
    <message>
        <source>INDEX 行的编号超出范围</source>
        <translation>the INDEX line&apos;s number is out of range</translation>
    </message>
    <message>
        <source>时间应为“分:秒:帧”，秒小于 60，帧小于 75</source>
        <translation>a time is &quot;minutes:seconds:frames&quot;, seconds below 60, frames below 75</translation>
    </message>
    <message>
        <source>同一音轨有两个 INDEX 01</source>
        <translation>the track has two INDEX 01 lines</translation>
    </message>
    <message>
        <source>音轨缺少 INDEX 01（起始时间）</source>
        <translation>the track has no INDEX 01 (its start)</translation>
    </message>
    <message>
        <source>时间没有晚于同一音频文件中前面的时间</source>
        <translation>the time is not later than the one before it in the same audio file</translation>
    </message>
    <message>
        <source>CUE 文件“%1”第 %2 行的音频文件“%3”找不到。已查找：%4</source>
        <translation>Audio file &quot;%3&quot; on line %2 of cue sheet &quot;%1&quot; was not found. Looked for: %4</translation>
    </message>
    <message>
        <source>不分大小写的“%1”</source>
        <translation>&quot;%1&quot; in any letter case</translation>
    </message>
    <message>
        <source>APE 文件“%1”内嵌的 CUE 有多个 FILE 行，无法确定各音轨的音频</source>
        <translation>The cue sheet in APE file &quot;%1&quot; has several FILE lines: the tracks&apos; audio cannot be told</translation>
    </message>
    <message>
        <source>用所选编码重新读取“%1”后音轨数目不同，已保留原来的内容</source>
        <translation>Read in the chosen encoding, &quot;%1&quot; has a different number of tracks; its contents are kept as they were</translation>
    </message>
    <message>
        <source>CUE 文本编码</source>
        <translation>Cue sheet encoding</translation>
    </message>
    <message>
        <source>自动检测</source>
        <translation>Detect</translation>
    </message>
    <message>
        <source>Corvane</source>
        <translation>Corvane</translation>
    </message>
    <message>
        <source>转换完成：共写入 %1 个文件</source>
        <translation>Done. Files written: %1</translation>
    </message>
    <message>
        <source>转换出错：已写入 %1 个文件，%2 个失败。%3</source>
        <translation>Conversion failed. Files written: %1, failed: %2. %3</translation>
    </message>
    <message>
        <source>转换已停止：已写入 %1 个文件</source>
        <translation>Stopped. Files written: %1</translation>
    </message>
    <message>
        <source>转换完成：共写入 %1 个文件，%2 个失败</source>
        <translation>Done. Files written: %1, failed: %2</translation>
    </message>
    <message>
        <source>转换已停止：已写入 %1 个文件，%2 个失败</source>
        <translation>Stopped. Files written: %1, failed: %2</translation>
    </message>
    <message>
        <source>以下 %1 个任务转换失败，已放回列表，可再次开始转换：</source>
        <translation>Jobs that failed (%1), back in the list to convert again:</translation>
    </message>
    <message>
        <source>无法创建输出文件夹“%1”：%2</source>
        <translation>Cannot make output folder &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>正在转换 第 %1/%2 个：%3</source>
        <translation>Converting %1/%2: %3</translation>
    </message>
    <message>
        <source>（%1 个失败）</source>
        <translation> (failed: %1)</translation>
    </message>
    <message>
        <source>，剩余约 %1</source>
        <translation>, about %1 left</translation>
    </message>
    <message>
        <source>已暂停</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>列表中共有 %1 个任务</source>
        <translation>Jobs in the list: %1</translation>
    </message>
    <message>
        <source>松开鼠标即可添加：音频文件（APE、FLAC 等）、CUE 文件或文件夹</source>
        <translation>Drop to add: audio files (APE, FLAC...), cue sheets or folders</translation>
    </message>
    <message>
        <source>封面图片大于 16 MiB，未嵌入：%1</source>
        <translation>Cover larger than 16 MiB, not embedded: %1</translation>
    </message>
    <message>
        <source>封面不是 JPEG、PNG 或 GIF 图片，未嵌入：%1</source>
        <translation>Cover is not a JPEG, PNG or GIF image, not embedded: %1</translation>
    </message>
    <message>
        <source>封面图片无法读取，未嵌入：%1</source>
        <translation>Cover unreadable, not embedded: %1</translation>
    </message>
    <message>
        <source>FLAC 注释块（最多 16 MiB）放不下这些标签，未写入：%1（%2）</source>
        <translation>Tags too large for the FLAC comment block (16 MiB at most), not written: %1 (%2)</translation>
    </message>
    <message>
        <source>%1 等共 %2 项</source>
        <translation>%1 and more, %2 in all</translation>
    </message>
    <message>
        <source>APE 标签已损坏，损坏处之后的标签可能缺失：%1</source>
        <translation>APE tag damaged, tags after the damage may be missing: %1</translation>
    </message>
    <message>
        <source>文件：</source>
        <translation>File: </translation>
    </message>
    <message>
        <source>原因：</source>
        <translation>Cause: </translation>
    </message>
    <message>
        <source>转换任务：</source>
        <translation>Job: </translation>
    </message>
    <message>
        <source>%1 的第 %2 轨</source>
        <translation>track %2 of %1</translation>
    </message>
    <message>
        <source>找不到文件</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>找不到文件夹</source>
        <translation>folder not found</translation>
    </message>
    <message>
        <source>“%1”不是文件夹</source>
        <translation>&quot;%1&quot; is not a folder</translation>
    </message>
    <message>
        <source>没有权限</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>磁盘只读</source>
        <translation>read-only disk</translation>
    </message>
    <message>
        <source>磁盘已满</source>
        <translation>disk full</translation>
    </message>
    <message>
        <source>已有同名的文件夹</source>
        <translation>a folder of that name is in the way</translation>
    </message>
    <message>
        <source>不是 %1 文件，或其格式不受支持</source>
        <translation>not a valid %1 file, or its format is not supported</translation>
    </message>
    <message>
        <source>不支持 %1 文件</source>
        <translation>%1 files are not supported</translation>
    </message>
    <message>
        <source>数据损坏</source>
        <translation>damaged data</translation>
    </message>
    <message>
        <source>数据损坏，位于 %1</source>
        <translation>damaged data at %1</translation>
    </message>
    <message>
        <source>采样率 %1 Hz 无法写入 FLAC</source>
        <translation>a sample rate of %1 Hz cannot be written to FLAC</translation>
    </message>
    <message>
        <source>无法读取</source>
        <translation>unreadable</translation>
    </message>
    <message>
        <source>不是普通文件（管道或设备）</source>
        <translation>not a regular file (a pipe or a device)</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>其中没有音轨</source>
        <translation>it holds no tracks</translation>
    </message>
    <message>
        <source>文件夹中没有可转换的音频或 CUE 文件</source>
        <translation>no audio files or cue sheets to convert in the folder</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>。</source>
        <translation>. </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source>以下文件未能添加：</source>
        <translation>These files could not be added:</translation>
    </message>
    <message>
        <source>把 Monkey&apos;s Audio（.ape）、FLAC、WavPack（.wv）、True Audio（.tta）、
WAV、Wave64、RF64 和 AIFF 文件及其 cue 表 CD 映像（.cue，或标签中带有 cue 表
的音频文件）逐位无损地转换为 FLAC 文件，标签取自源文件的标签或 cue 表。</source>
        <translation>Converts Monkey&apos;s Audio (.ape), FLAC, WavPack (.wv), True Audio (.tta), WAV,
Wave64, RF64 and AIFF files and their cue-sheet CD images (.cue, or an audio
file with a sheet in its tag) to FLAC files, bit-exact, tagged from the
source&apos;s tag or the cue sheet.</translation>
    </message>
    <message>
        <source>音频文件、.cue 文件、文件夹。</source>
        <translation>audio files, .cue files, folders.</translation>
    </message>
    <message>
        <source>显示此帮助并退出。</source>
        <translation>Show this help and exit.</translation>
    </message>
    <message>
        <source>显示版本并退出。</source>
        <translation>Show the version and exit.</translation>
    </message>
    <message>
        <source>把 FLAC 文件写入 DIR（不存在时创建）。
默认：写在各源文件旁（cue 音轨写在其 cue 表旁）。</source>
        <translation>Write the FLAC files into DIR (made when missing). Default: beside each source (a cue track beside its sheet).</translation>
    </message>
    <message>
        <source>FLAC 压缩等级，0（最快）到 8（最小）。默认：5。</source>
        <translation>FLAC compression level, 0 (fastest) to 8 (smallest). Default: 5.</translation>
    </message>
    <message>
        <source>同时最多转换 N 个文件。默认：处理器核心数（%1）。</source>
        <translation>Convert up to N files at once. Default: the number of cores (%1).</translation>
    </message>
    <message>
        <source>按 TEMPLATE（字段见下）命名输出文件，例如
“{track} - {title}”。</source>
        <translation>Name the outputs by TEMPLATE (fields below), such as
&quot;{track} - {title}&quot;.</translation>
    </message>
    <message>
        <source>也处理文件夹的子文件夹。</source>
        <translation>Take a folder&apos;s subfolders too.</translation>
    </message>
    <message>
        <source>用 NAME 编码读取 cue 表，不用检测出的编码：
%1。</source>
        <translation>Read cue sheets in NAME instead of the detected encoding: %1.</translation>
    </message>
    <message>
        <source>列出每个任务及其输出文件；不写入任何文件。</source>
        <translation>Print each job and its output; write nothing.</translation>
    </message>
    <message>
        <source>只输出错误。</source>
        <translation>Print errors only.</translation>
    </message>
    <message>
        <source>替换已存在的输出文件（默认）。</source>
        <translation>Replace an output file that exists already (the default).</translation>
    </message>
    <message>
        <source>保留已存在的输出文件，并跳过其任务。</source>
        <translation>Leave an output file that exists already, and skip its job.</translation>
    </message>
    <message>
        <source>不让 libFLAC 在写入时解码每个文件并与源文件比对
（默认会比对）。</source>
        <translation>Do not have libFLAC decode each file as it is written and compare it with the source (it does by default).</translation>
    </message>
    <message>
        <source>在 AccurateRip 数据库中查询每张光盘
（会通过网络发送光盘 ID）。</source>
        <translation>Look each disc up in the AccurateRip database (sends its disc ID over the network).</translation>
    </message>
    <message>
        <source>测量响度，写入 ReplayGain 2.0 音轨与专辑标签。</source>
        <translation>Measure loudness and write ReplayGain 2.0 track and album tags.</translation>
    </message>
    <message>
        <source>不写入自己的 ReplayGain 标签；
源文件的照样带过去（默认）。</source>
        <translation>Write no ReplayGain tags of our own; a source&apos;s carry over (the default).</translation>
    </message>
    <message>
        <source>用 LANG 语言输出：zh（中文）或 en（英文）。
默认：按区域设置。</source>
        <translation>Print messages in LANG: zh (Chinese) or en (English). Default: by the locale.</translation>
    </message>
    <message>
        <source>名称模板字段（-n）：</source>
        <translation>Name template fields (-n):</translation>
    </message>
    <message>
        <source>  “/”分隔文件夹，缺少的文件夹会被创建；“{{”和“}}”表示花括号本身。
  文件名后加“.flac”。字段值不会生成文件夹：其中的“/”变为“_”。
  空字段连同连接它的空格和标点一起省略（没有标题时，“{track} - {title}”
  得到 05.flac）。所有字段都为空的文件夹被省略；文件名为空时用默认名称。
  默认名称是源文件的名称（song.ape 得到 song.flac），cue 表的第 n 轨则为
  Track_&lt;n&gt;.flac。两个任务绝不写入同一个文件：后一个加上“ (2)”。

文件夹提供其中的 cue 表，以及不被其中任何 cue 表使用的音频文件（加 -r 时也包括
子文件夹中的）。每个文件先以隐藏的临时名称写入并写好标签，然后才改为正式名称：
失败或中断的任务不会留下写了一半的文件。

退出状态：所有任务都已转换（或跳过）时为 0；有任务失败、有文件无法添加，或给出的
文件或文件夹不存在时为 1；用法错误为 2；被信号 N 结束时为 128+N（Ctrl-C：130）。</source>
        <translation>  &quot;/&quot; separates folders, which are made when missing; &quot;{{&quot; and &quot;}}&quot; stand for
  the braces. &quot;.flac&quot; is appended. A value never makes folders: &quot;/&quot; in it
  becomes &quot;_&quot;. The spaces and punctuation joining an empty field go with it
  (&quot;{track} - {title}&quot; without a title gives 05.flac). A folder whose fields
  are all empty is left out; an empty file name gives the default name. The
  default is the source&apos;s name (song.ape gives song.flac), or Track_&lt;n&gt;.flac
  for the n-th track of a cue sheet. Two jobs never write one file: a later
  one gets &quot; (2)&quot;.

A folder gives its cue sheets and the audio files none of its sheets uses (with
-r, also from its subfolders). Each file is written under a hidden temporary
name, tagged, and only then renamed to its name: a failed or interrupted job
leaves nothing half-done.

Exit status: 0 when every job was converted (or skipped), 1 when a job failed,
a file could not be added or a file or folder given is not there, 2 for a usage
error, 128+N when ended by signal N (Ctrl-C: 130).</translation>
    </message>
    <message>
        <source>示例：</source>
        <translation>Examples:</translation>
    </message>
    <message>
        <source>%1（参见 corvane-cli --help）</source>
        <translation>%1 (see corvane-cli --help)</translation>
    </message>
    <message>
        <source>压缩等级“%1”无效：应为 0 到 8</source>
        <translation>bad compression level &quot;%1&quot;: it goes from 0 to 8</translation>
    </message>
    <message>
        <source>任务数“%1”无效：应为从 1 起的整数</source>
        <translation>bad job count &quot;%1&quot;: it is a whole number from 1 on</translation>
    </message>
    <message>
        <source>输出文件夹（-o）为空</source>
        <translation>the output folder (-o) is empty</translation>
    </message>
    <message>
        <source>输出文件夹（-o）“%1”不是文件夹</source>
        <translation>the output folder (-o) &quot;%1&quot; is not a folder</translation>
    </message>
    <message>
        <source>未知编码“%1”：请用 %2 之一</source>
        <translation>unknown encoding &quot;%1&quot;: use one of %2</translation>
    </message>
    <message>
        <source>未知语言“%1”：请用 zh 或 en</source>
        <translation>unknown language &quot;%1&quot;: use zh or en</translation>
    </message>
    <message>
        <source>%1 与 %2 不能同时使用</source>
        <translation>%1 and %2 cannot be given together</translation>
    </message>
    <message>
        <source>没有给出文件或文件夹</source>
        <translation>no file or folder given</translation>
    </message>
    <message>
        <source>未知选项“%1”</source>
        <translation>unknown option &quot;%1&quot;</translation>
    </message>
    <message>
        <source>找不到“%1”</source>
        <translation>cannot find &quot;%1&quot;</translation>
    </message>
    <message>
        <source>已中断</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>%1：不支持 %2 文件</source>
        <translation>%1: %2 files are not supported</translation>
    </message>
    <message>
        <source>%1：既不是 Corvane 能读取的音频文件（%2），也不是 cue 表（.cue）</source>
        <translation>%1: not an audio file of a format Corvane reads (%2) or a cue sheet (.cue)</translation>
    </message>
    <message>
        <source>%1 第 %2 轨</source>
        <translation>%1 track %2</translation>
    </message>
    <message>
        <source>%1“%2”</source>
        <translation>%1 &quot;%2&quot;</translation>
    </message>
    <message>
        <source>失败：%1</source>
        <translation>failed: %1</translation>
    </message>
    <message>
        <source>已写入：%1</source>
        <translation>written: %1</translation>
    </message>
    <message>
        <source>已跳过：%1（已存在）</source>
        <translation>skipped: %1 (exists)</translation>
    </message>
    <message>
        <source>光盘：%1：%2</source>
        <translation>disc: %1: %2</translation>
    </message>
    <message>
        <source>%1（按纯音频光盘计）</source>
        <translation>%1 (as an audio-only disc)</translation>
    </message>
    <message>
        <source>没有光盘 ID（有音轨的音频无法定位）</source>
        <translation>no disc IDs (a track&apos;s audio cannot be placed)</translation>
    </message>
    <message>
        <source>（已存在：跳过）</source>
        <translation> (exists: skipped)</translation>
    </message>
    <message>
        <source>（已存在：替换）</source>
        <translation> (exists: replaced)</translation>
    </message>
    <message numerus="yes">
        <source>已写入 %n 个文件</source>
        <translation>
            <numerusform>%n file written</numerusform>
            <numerusform>%n files written</numerusform>
        </translation>
    </message>
    <message>
        <source>%1，%2 个失败，%3 个跳过%4，用时 %5</source>
        <translation>%1, %2 failed, %3 skipped%4 in %5</translation>
    </message>
    <message numerus="yes">
        <source>，%n 个文件未能添加</source>
        <translation>
            <numerusform>, %n file not added</numerusform>
            <numerusform>, %n files not added</numerusform>
        </translation>
    </message>
    <message>
        <source>已中断；%1，进行中的任务已放弃</source>
        <translation>interrupted; %1, the jobs in progress given up</translation>
    </message>
    <message>
        <source>总计：已完成 %1/%2，已用 %3</source>
        <translation>total: %1 of %2 done, %3 elapsed</translation>
    </message>
    <message>
        <source>，约剩 %1</source>
        <translation>, about %1 left</translation>
    </message>
    <message>
        <source>文件名模板为空</source>
        <translation>the name template is empty</translation>
    </message>
    <message>
        <source>文件名模板“%1”以文件夹结尾，缺少文件名</source>
        <translation>the name template &quot;%1&quot; ends in a folder, not a file name</translation>
    </message>
    <message>
        <source>文件名模板“%1”中的“{”没有对应的“}”</source>
        <translation>&quot;{&quot; without &quot;}&quot; in the name template &quot;%1&quot;</translation>
    </message>
    <message>
        <source>文件名模板“%1”中的“}”没有对应的“{”</source>
        <translation>&quot;}&quot; without &quot;{&quot; in the name template &quot;%1&quot;</translation>
    </message>
    <message>
        <source>文件名模板“%2”中有未知字段 {%1}；可用字段：%3</source>
        <translation>unknown field {%1} in the name template &quot;%2&quot;; the fields are %3</translation>
    </message>
    <message>
        <source>音轨号，两位数字（01）</source>
        <translation>track number, two digits (01)</translation>
    </message>
    <message>
        <source>标题</source>
        <translation>title</translation>
    </message>
    <message>
        <source>艺术家（音轨的表演者）</source>
        <translation>artist (the track&apos;s performer)</translation>
    </message>
    <message>
        <source>专辑</source>
        <translation>album</translation>
    </message>
    <message>
        <source>专辑艺术家（CUE 文件的表演者）</source>
        <translation>album artist (the sheet&apos;s performer)</translation>
    </message>
    <message>
        <source>日期或年份</source>
        <translation>date or year</translation>
    </message>
    <message>
        <source>碟号</source>
        <translation>disc number</translation>
    </message>
    <message>
        <source>源文件名（不含文件夹和扩展名）</source>
        <translation>the source&apos;s file name without folder and extension</translation>
    </message>
    <message>
        <source>未写入专辑增益：%1 共 %3 轨，只转换了其中 %2 轨</source>
        <translation>album gain not written for %1: only %2 of its %3 tracks were converted</translation>
    </message>
    <message>
        <source>未写入专辑增益：%1 的 %3 轨中有 %2 轨未转换或未测量</source>
        <translation>album gain not written for %1: %2 of %3 tracks not converted or measured</translation>
    </message>
    <message>
        <source>未写入 ReplayGain：%1（%2）</source>
        <translation>no ReplayGain for %1: %2</translation>
    </message>
    <message>
        <source>无法写入“%1”的专辑增益：%2</source>
        <translation>The album gain of %1 could not be written: %2</translation>
    </message>
    <message>
        <source>无法写入日志：%1</source>
        <translation>the log could not be written: %1</translation>
    </message>
    <message>
        <source>无法连接 AccurateRip 数据库（%1）</source>
        <translation>the AccurateRip database could not be reached (%1)</translation>
    </message>
    <message>
        <source>AccurateRip 数据库在 %1 内没有响应</source>
        <translation>the AccurateRip database timed out after %1</translation>
    </message>
    <message>
        <source>AccurateRip 数据库发来的数据超过 %1 字节，不是光盘条目</source>
        <translation>the AccurateRip database sent more than %1 bytes, which is no entry</translation>
    </message>
    <message>
        <source>AccurateRip 数据库返回 HTTP %1</source>
        <translation>the AccurateRip database answered HTTP %1</translation>
    </message>
    <message>
        <source>AccurateRip 数据库发来的条目不完整（%1/%2 字节）</source>
        <translation>the AccurateRip database sent a truncated entry (%1 of %2 bytes)</translation>
    </message>
    <message>
        <source>AccurateRip 数据库发来的条目为空</source>
        <translation>the AccurateRip database sent an empty entry</translation>
    </message>
    <message>
        <source>未查询 AccurateRip 数据库：条目路径“%1”无效</source>
        <translation>the AccurateRip database was not asked: bad entry path &quot;%1&quot;</translation>
    </message>
    <message>
        <source>AccurateRip 数据库的条目已损坏：%1</source>
        <translation>the database&apos;s entry is damaged: %1</translation>
    </message>
    <message>
        <source>CUE 文件 %1 中没有第 %2 轨。</source>
        <translation>The cue sheet %1 has no track %2.</translation>
    </message>
    <message>
        <source>%1 没有 CUE 文件。</source>
        <translation>%1 has no cue sheet.</translation>
    </message>
    <message>
        <source>%2 的第 %1 轨没有音频。</source>
        <translation>Track %1 of %2 holds no audio.</translation>
    </message>
    <message>
        <source>%1：第 %2 轨的起点位于 %3 的末尾或之后。</source>
        <translation>%1: track %2 starts at or past the end of %3.</translation>
    </message>
    <message>
        <source>没有能读取 %1 的解码器。</source>
        <translation>No decoder reads %1.</translation>
    </message>
    <message>
        <source>无法创建文件夹“%1”。%2</source>
        <translation>Cannot create folder &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>无法写入“%1”的标签：%2</source>
        <translation>The tags of %1 could not be written: %2</translation>
    </message>
    <message>
        <source>找不到 %1 的已完成文件，无法写入标签。</source>
        <translation>There is no finished file of %1 to write the tags into.</translation>
    </message>
    <message>
        <source>在窗口中把 Monkey&apos;s Audio、FLAC、WavPack、True Audio、WAV 和 AIFF 文件及其
cue 表 CD 映像转换为 FLAC 文件。给出的文件和文件夹会加入列表，如同拖放到窗口上；
corvane-cli 在命令行中转换。也接受 Qt 自己的选项（-platform、-style...）。</source>
        <translation>Converts Monkey&apos;s Audio, FLAC, WavPack, True Audio, WAV and AIFF files and
their cue-sheet CD images to FLAC files, in a window. Files and folders given
are added to its list, as if dropped on it; corvane-cli converts from the
command line. Qt&apos;s own options (-platform, -style...) are taken too.</translation>
    </message>
    <message>
        <source>窗口的语言：zh（中文）或 en（英文）。
不给出时，用选项中设定的语言，
否则按区域设置。</source>
        <translation>The window&apos;s language: zh (Chinese) or en
(English). Without it, the language set in
the options, else the locale&apos;s.</translation>
    </message>
    <message>
        <source>要加入列表的音频文件、.cue 文件、文件夹。</source>
        <translation>audio files, .cue files, folders to add.</translation>
    </message>
    <message>
        <source>--lang 的语言“%1”未知（可用 zh 或 en）</source>
        <translation>unknown language &quot;%1&quot; for --lang (zh or en)</translation>
    </message>
    <message>
        <source>%1（参见 corvane --help）</source>
        <translation>%1 (see corvane --help)</translation>
    </message>
</context>
</TS>
