<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于Kelvane</source>
        <translation>About Kelvane</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Kelvane&lt;/h2&gt;</source>
        <translation>&lt;h2&gt;Kelvane&lt;/h2&gt;</translation>
    </message>
    <message>
        <source>高效压缩与解压工具。支持多种格式，快速处理大体积文件。界面清爽无广告，让文件管理轻松又顺畅！</source>
        <translation>Efficient compression and decompression tool. Supports multiple formats, quickly processes large files. Clean interface without ads, making file management easy and smooth!</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://kelvane.org/&quot;&gt;访问官方网站&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;https://kelvane.org/&quot;&gt;Visit Official Website&lt;/a&gt;</translation>
    </message>
    <message>
        <source>版权所有 © 2026 Kelvane 开发团队</source>
        <translation>Copyright © 2026 The Kelvane Developers</translation>
    </message>
    <message>
        <source>版本: %1</source>
        <translation>Version: %1</translation>
    </message>
</context>
<context>
    <name>ArchiveCommands</name>
    <message>
        <source>压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</source>
        <translation>Compressed Files (*.zip *.7z *.tar *.gz *.bz2 *.xz)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>请选择要压缩的文件或文件夹</source>
        <translation>Please select files or folders to compress</translation>
    </message>
    <message>
        <source>选择压缩文件保存位置</source>
        <translation>Select location to save compressed file</translation>
    </message>
    <message>
        <source>输入密码</source>
        <translation>Enter Password</translation>
    </message>
    <message>
        <source>请输入压缩密码（可选）:</source>
        <translation>Please enter compression password (optional):</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>正在压缩文件...</source>
        <translation>Compressing files...</translation>
    </message>
    <message>
        <source>请选择要解压的压缩文件</source>
        <translation>Please select compressed file to extract</translation>
    </message>
    <message>
        <source>选择解压目标目录</source>
        <translation>Select extraction target directory</translation>
    </message>
    <message>
        <source>解压文件</source>
        <translation>Extract Files</translation>
    </message>
    <message>
        <source>是否要解压 &apos;%1&apos; 到当前目录？</source>
        <translation>Do you want to extract &apos;%1&apos; to current directory?</translation>
    </message>
    <message>
        <source>解压</source>
        <translation>Extract</translation>
    </message>
    <message>
        <source>正在解压文件...</source>
        <translation>Extracting files...</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Success</translation>
    </message>
    <message>
        <source>操作完成成功</source>
        <translation>Operation completed successfully</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>操作已取消</source>
        <translation>Operation cancelled</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>操作失败: %1</source>
        <translation>Operation failed: %1</translation>
    </message>
    <message>
        <source>正在取出文件...</source>
        <translation>Taking out the file...</translation>
    </message>
    <message>
        <source>打开压缩文件</source>
        <translation>Open Archive</translation>
    </message>
    <message>
        <source>正在读取压缩文件内容...</source>
        <translation>Reading the archive&apos;s contents...</translation>
    </message>
    <message>
        <source>测试压缩文件</source>
        <translation>Test Archive</translation>
    </message>
    <message>
        <source>正在测试压缩文件...</source>
        <translation>Testing the archive...</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 完好，没有发现错误。</source>
        <translation>&apos;%1&apos; is intact: no errors were found.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 已损坏。
第一个出错的文件: %2
原因: %3</source>
        <translation>&apos;%1&apos; is damaged.
First damaged file: %2
Reason: %3</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 未通过测试: %2</source>
        <translation>&apos;%1&apos; failed the test: %2</translation>
    </message>
    <message>
        <source>无法打开压缩文件 &apos;%1&apos;: %2</source>
        <translation>Cannot open the archive &apos;%1&apos;: %2</translation>
    </message>
</context>
<context>
    <name>ArchiveOperationRunner</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
</context>
<context>
    <name>BatchRunner</name>
    <message>
        <source>选择解压目标目录</source>
        <translation>Select extraction target directory</translation>
    </message>
    <message>
        <source>无法从名称看出要创建的格式: %1
可创建: %2</source>
        <translation>Cannot tell the format to create from the name: %1
Can create: %2</translation>
    </message>
    <message>
        <source>替换压缩文件</source>
        <translation>Replace Archive</translation>
    </message>
    <message>
        <source>“%1”已存在。要替换它吗？</source>
        <translation>&quot;%1&quot; already exists. Replace it?</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>正在压缩文件...</source>
        <translation>Compressing files...</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>Test</translation>
    </message>
    <message>
        <source>正在测试压缩文件...</source>
        <translation>Testing the archive...</translation>
    </message>
    <message>
        <source>完好: %1
</source>
        <translation>OK: %1
</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>操作失败: %1</source>
        <translation>Operation failed: %1</translation>
    </message>
    <message>
        <source>操作已取消</source>
        <translation>Operation cancelled</translation>
    </message>
</context>
<context>
    <name>CliArgumentParser</name>
    <message>
        <source>不接受命令行中的密码（本机的其他用户可以看到它）；请使用 --password-stdin</source>
        <translation>Passwords are not accepted on the command line (other users of this computer can see them); use --password-stdin</translation>
    </message>
    <message>
        <source>未知选项: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>缺少命令</source>
        <translation>Missing command</translation>
    </message>
    <message>
        <source>未知命令: %1</source>
        <translation>Unknown command: %1</translation>
    </message>
    <message>
        <source>缺少压缩包</source>
        <translation>Missing archive</translation>
    </message>
    <message>
        <source>选项 %1 不适用于命令 %2</source>
        <translation>Option %1 does not apply to command %2</translation>
    </message>
    <message>
        <source>缺少要压缩的文件或文件夹</source>
        <translation>Missing files or folders to compress</translation>
    </message>
    <message>
        <source>要压缩的路径为空</source>
        <translation>A path to compress is empty</translation>
    </message>
    <message>
        <source>多余的参数: %1</source>
        <translation>Unexpected argument: %1</translation>
    </message>
    <message>
        <source>解压目标文件夹为空</source>
        <translation>The folder to extract into is empty</translation>
    </message>
    <message>
        <source>--overwrite 的值无效: %1（可用: ask、replace、skip、rename）</source>
        <translation>Invalid value for --overwrite: %1 (use ask, replace, skip or rename)</translation>
    </message>
</context>
<context>
    <name>CliRunner</name>
    <message>
        <source>%1 格式的压缩包只能读取，不能创建</source>
        <translation>%1 archives can be read but not created</translation>
    </message>
    <message>
        <source>无法从名称看出要创建的格式: %1</source>
        <translation>Cannot tell from the name which format to create: %1</translation>
    </message>
    <message>
        <source>可创建: %1</source>
        <translation>Can create: %1</translation>
    </message>
    <message>
        <source>%1 格式的压缩包不能加密</source>
        <translation>%1 archives cannot be encrypted</translation>
    </message>
    <message>
        <source>密码: </source>
        <translation>Password: </translation>
    </message>
    <message>
        <source>标准输入中没有密码</source>
        <translation>No password on standard input</translation>
    </message>
    <message>
        <source>密码为空，未创建压缩包</source>
        <translation>The password is empty; no archive was created</translation>
    </message>
    <message>
        <source>再次输入密码: </source>
        <translation>Repeat the password: </translation>
    </message>
    <message>
        <source>两次输入的密码不一致，未创建压缩包</source>
        <translation>The passwords do not match; no archive was created</translation>
    </message>
    <message>
        <source>压缩包已存在，已跳过: %1</source>
        <translation>The archive exists and was left alone: %1</translation>
    </message>
    <message>
        <source>压缩包已存在，改为写入: %1</source>
        <translation>The archive exists; writing %1 instead</translation>
    </message>
    <message>
        <source>压缩包完好: %1</source>
        <translation>Archive OK: %1</translation>
    </message>
    <message>
        <source>未询问，因为标准输入或标准错误不是终端；可用 --overwrite=replace、skip 或 rename 选择处理方式</source>
        <translation>Not asked, since standard input or standard error is not a terminal; choose with --overwrite=replace, skip or rename</translation>
    </message>
    <message>
        <source>可用 --password-stdin 从标准输入提供密码</source>
        <translation>Give the password on standard input with --password-stdin</translation>
    </message>
</context>
<context>
    <name>CompressionHandler</name>
    <message>
        <source>操作已取消</source>
        <translation>Operation cancelled</translation>
    </message>
    <message>
        <source>未选择要压缩的文件</source>
        <translation>No files selected for compression</translation>
    </message>
    <message>
        <source>压缩格式 %1 暂不支持</source>
        <translation>Compression format %1 is not supported yet</translation>
    </message>
    <message>
        <source>压缩文件不存在</source>
        <translation>Compressed file does not exist</translation>
    </message>
    <message>
        <source>未指定解压目标目录</source>
        <translation>No extraction destination folder specified</translation>
    </message>
    <message>
        <source>创建ZIP压缩包失败: %1</source>
        <translation>Failed to create ZIP archive: %1</translation>
    </message>
    <message>
        <source>为文件创建源失败: %1</source>
        <translation>Failed to create source for file: %1</translation>
    </message>
    <message>
        <source>添加文件到压缩包失败: %1</source>
        <translation>Failed to add file to archive: %1</translation>
    </message>
    <message>
        <source>关闭ZIP压缩包失败: %1</source>
        <translation>Failed to close ZIP archive: %1</translation>
    </message>
    <message>
        <source>打开ZIP压缩包失败: %1</source>
        <translation>Failed to open ZIP archive: %1</translation>
    </message>
    <message>
        <source>从压缩包获取文件名失败</source>
        <translation>Failed to get file name from archive</translation>
    </message>
    <message>
        <source>打开压缩包中的文件失败: %1</source>
        <translation>Failed to open file in archive: %1</translation>
    </message>
    <message>
        <source>读取压缩包中的文件失败: %1</source>
        <translation>Failed to read file in archive: %1</translation>
    </message>
    <message>
        <source>压缩包中的路径不安全: %1</source>
        <translation>Unsafe path in archive: %1</translation>
    </message>
    <message>
        <source>创建文件失败: %1</source>
        <translation>Failed to create file: %1</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>Failed to write file: %1</translation>
    </message>
    <message>
        <source>创建临时文件失败</source>
        <translation>Failed to create temporary file</translation>
    </message>
    <message>
        <source>读取压缩包失败: %1</source>
        <translation>Failed to read archive: %1</translation>
    </message>
    <message>
        <source>启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。</source>
        <translation>Failed to start %1 process. Please ensure %1 is installed and in the PATH environment variable.</translation>
    </message>
    <message>
        <source>%1 进程失败: %2</source>
        <translation>%1 process failed: %2</translation>
    </message>
    <message>
        <source>无法识别压缩包，或压缩包已损坏: %1</source>
        <translation>Not a recognised archive, or the archive is damaged: %1</translation>
    </message>
    <message>
        <source>压缩包中的文件使用了不支持的压缩方法: %1</source>
        <translation>A file in the archive uses an unsupported compression method: %1</translation>
    </message>
    <message>
        <source>压缩包已加密，需要密码</source>
        <translation>The archive is encrypted and needs a password</translation>
    </message>
    <message>
        <source>压缩包中的文件已加密，需要密码: %1</source>
        <translation>A file in the archive is encrypted and needs a password: %1</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>密码错误，无法解开: %1</source>
        <translation>Wrong password, cannot unpack: %1</translation>
    </message>
    <message>
        <source>压缩包使用了无法读取的加密方式: %1</source>
        <translation>The archive uses an encryption that cannot be read: %1</translation>
    </message>
    <message>
        <source>压缩包中没有此项: %1</source>
        <translation>The archive holds no such item: %1</translation>
    </message>
    <message>
        <source>目标已存在，未替换: %1</source>
        <translation>Already exists, not replaced: %1</translation>
    </message>
    <message>
        <source>磁盘空间不足，无法写入: %1</source>
        <translation>Not enough disk space to write: %1</translation>
    </message>
    <message>
        <source>启动 %1 进程失败</source>
        <translation>Failed to start %1 process</translation>
    </message>
    <message>
        <source>启动 %1 进程失败: %2</source>
        <translation>Failed to start %1 process: %2</translation>
    </message>
</context>
<context>
    <name>DataSize</name>
    <message>
        <source>%1 GB</source>
        <translation>%1 GB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>%1 KB</source>
        <translation>%1 KB</translation>
    </message>
    <message>
        <source>%1 字节</source>
        <translation>%1 bytes</translation>
    </message>
</context>
<context>
    <name>FileBrowser</name>
    <message>
        <source>我的电脑</source>
        <translation>My Computer</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>Path does not exist</translation>
    </message>
    <message>
        <source>选中: %1 个项目 | 大小: %2</source>
        <translation>Selected: %1 items | Size: %2</translation>
    </message>
    <message>
        <source>我的电脑 - 选择驱动器</source>
        <translation>My Computer - Select Drive</translation>
    </message>
    <message>
        <source>文件夹: %1 | 文件: %2 | 大小: %3</source>
        <translation>Folders: %1 | Files: %2 | Size: %3</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>请选择要删除的文件或文件夹</source>
        <translation>Please select files or folders to delete</translation>
    </message>
    <message>
        <source>确认删除</source>
        <translation>Confirm Delete</translation>
    </message>
    <message>
        <source>确定要删除选中的文件吗？此操作不可恢复。</source>
        <translation>Are you sure you want to delete selected files? This action cannot be undone.</translation>
    </message>
</context>
<context>
    <name>HelpText</name>
    <message>
        <source>压缩包</source>
        <translation>archive</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>path</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>项</source>
        <translation>entry</translation>
    </message>
    <message>
        <source>方式</source>
        <translation>mode</translation>
    </message>
    <message>
        <source>%1 — 在终端中压缩文件、解压压缩包（Kelvane 的命令行程序）</source>
        <translation>%1 — compress files and extract archives in a terminal (Kelvane&apos;s command-line program)</translation>
    </message>
    <message>
        <source>用法:</source>
        <translation>Usage:</translation>
    </message>
    <message>
        <source>命令:</source>
        <translation>Commands:</translation>
    </message>
    <message>
        <source>将文件和文件夹压缩为新的压缩包，格式由压缩包名称的扩展名决定。</source>
        <translation>Pack files and folders into a new archive; the ending of the archive&apos;s name decides the format.</translation>
    </message>
    <message>
        <source>解压压缩包的全部内容，或只解压列出的项（文件夹包括其中的一切）。默认解压到当前文件夹。</source>
        <translation>Extract the whole archive, or only the entries named (a folder takes in everything in it). Extracts into the current folder unless told otherwise.</translation>
    </message>
    <message>
        <source>列出压缩包中的项：大小、修改时间和名称。</source>
        <translation>List the archive&apos;s entries: size, modification time and name.</translation>
    </message>
    <message>
        <source>检查压缩包中的每个文件是否完好，不写入任何文件。</source>
        <translation>Check every file in the archive, writing nothing.</translation>
    </message>
    <message>
        <source>选项:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>（x）解压到此文件夹，不存在时会创建。</source>
        <translation>(x) Extract into this folder, creating it when missing.</translation>
    </message>
    <message>
        <source>（l）以一行 JSON 输出列表：archive、format 以及 entries，每项含 name、type（file、folder、link）、size、compressedSize、modified（UTC）、encrypted 和 linkTarget。</source>
        <translation>(l) Print the listing as one line of JSON: archive, format and entries, each with name, type (file, folder, link), size, compressedSize, modified (UTC), encrypted and linkTarget.</translation>
    </message>
    <message>
        <source>从标准输入读取一行作为密码（在终端上输入时不显示）。a 用它加密新的压缩包（仅限 ZIP 和 7z）。</source>
        <translation>Read the password as one line from standard input (not shown while typed on a terminal). With a, it encrypts the new archive (ZIP and 7z only).</translation>
    </message>
    <message>
        <source>（a、x）遇到已存在的项时：ask 询问（默认；仅当标准输入和标准错误都是终端时询问，否则不替换并报错）、replace 替换、skip 跳过、rename 以新名称保留两者。</source>
        <translation>(a, x) For an item that already exists: ask (the default; asks only when standard input and standard error are both terminals, otherwise replaces nothing and fails), replace, skip, or rename to keep both under a new name.</translation>
    </message>
    <message>
        <source>显示此帮助。</source>
        <translation>Show this help.</translation>
    </message>
    <message>
        <source>显示版本。</source>
        <translation>Show the version.</translation>
    </message>
    <message>
        <source>可创建: %1</source>
        <translation>Can create: %1</translation>
    </message>
    <message>
        <source>可读取: %1</source>
        <translation>Can read: %1</translation>
    </message>
    <message>
        <source>程序不接受以参数给出的密码，因为本机的其他用户可以在进程列表中看到它。压缩包需要密码而未给出 --password-stdin 时，若标准输入和标准错误都是终端，程序会询问密码。</source>
        <translation>Passwords are never taken as arguments, since other users of this computer can see them in the process list. When an archive needs a password and --password-stdin is not given, the program asks for it if standard input and standard error are both terminals.</translation>
    </message>
    <message>
        <source>标准错误是终端时显示进度条。按 Ctrl+C（或发送 SIGTERM）取消：不会留下不完整的压缩包或解压结果。</source>
        <translation>A progress bar is shown when standard error is a terminal. Ctrl+C (or SIGTERM) cancels: no incomplete archive or extraction is left behind.</translation>
    </message>
    <message>
        <source>以 -- 结束选项，之后的参数即使以 - 开头也作为名称。</source>
        <translation>-- ends the options: later arguments are names even when they begin with -.</translation>
    </message>
    <message>
        <source>退出状态:</source>
        <translation>Exit status:</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Success</translation>
    </message>
    <message>
        <source>失败：压缩包损坏或无法读取、输入无法读取、已存在的项未被替换、磁盘错误等</source>
        <translation>Failure: a damaged or unreadable archive, an unreadable input, an existing item not replaced, a disk error and the like</translation>
    </message>
    <message>
        <source>命令行有误，未执行任何操作</source>
        <translation>The command line is wrong; nothing was done</translation>
    </message>
    <message>
        <source>压缩包已加密，需要密码，或密码错误</source>
        <translation>The archive is encrypted and needs a password, or the password is wrong</translation>
    </message>
    <message>
        <source>已取消（Ctrl+C、SIGTERM 或在提问时取消），不留下任何不完整的结果</source>
        <translation>Cancelled (Ctrl+C, SIGTERM or an answer to a question); nothing partial is left behind</translation>
    </message>
    <message>
        <source>示例:</source>
        <translation>Examples:</translation>
    </message>
    <message>
        <source>运行 %1 --help 查看用法。</source>
        <translation>Run %1 --help for usage.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kelvane - 现代化压缩工具</source>
        <translation>Kelvane - Modern Compression Tool</translation>
    </message>
    <message>
        <source>路径...</source>
        <translation>Path...</translation>
    </message>
    <message>
        <source>设置加载成功</source>
        <translation>Settings loaded successfully</translation>
    </message>
    <message>
        <source>保存设置失败:</source>
        <translation>Failed to save settings:</translation>
    </message>
    <message>
        <source>设置保存成功</source>
        <translation>Settings saved successfully</translation>
    </message>
    <message>
        <source>重置确认</source>
        <translation>Reset Confirmation</translation>
    </message>
    <message>
        <source>确定要将所有设置重置为默认状态吗？此操作无法撤销。</source>
        <translation>Are you sure you want to reset all settings to default? This cannot be undone.</translation>
    </message>
    <message>
        <source>重置完成</source>
        <translation>Reset Completed</translation>
    </message>
    <message>
        <source>所有设置已重置为默认状态。程序将重新启动以应用更改。</source>
        <translation>All settings have been reset to default. The application will restart to apply changes.</translation>
    </message>
    <message>
        <source>重新启动程序失败</source>
        <translation>Failed to restart the application</translation>
    </message>
    <message>
        <source>翻译文件未找到:</source>
        <translation>Translation file not found:</translation>
    </message>
    <message>
        <source>加载翻译文件失败:</source>
        <translation>Failed to load translation file:</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>繁體中文</source>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>重置设置</source>
        <translation>Reset Settings</translation>
    </message>
    <message>
        <source>关于Kelvane</source>
        <translation>About Kelvane</translation>
    </message>
    <message>
        <source>Kelvane</source>
        <translation>Kelvane</translation>
    </message>
    <message>
        <source>压缩选中</source>
        <translation>Compress Selected</translation>
    </message>
    <message>
        <source>解压到</source>
        <translation>Extract To</translation>
    </message>
    <message>
        <source>一键解压</source>
        <translation>Quick Extract</translation>
    </message>
    <message>
        <source>删除选中</source>
        <translation>Delete Selected</translation>
    </message>
    <message>
        <source>向上</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>转到桌面</source>
        <translation>Go to Desktop</translation>
    </message>
    <message>
        <source>搜索文件...</source>
        <translation>Search files...</translation>
    </message>
    <message>
        <source>搜索文件</source>
        <translation>Search Files</translation>
    </message>
    <message>
        <source>刷新当前目录</source>
        <translation>Refresh Current Directory</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>选中: 0 个项目 | 大小: 0 B</source>
        <translation>Selected: 0 items | Size: 0 B</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>选择模型为空，连接失败</source>
        <translation>Selection model is empty, connection failed</translation>
    </message>
    <message>
        <source>确认退出</source>
        <translation>Confirm Exit</translation>
    </message>
    <message>
        <source>确定要退出 Kelvane 吗？</source>
        <translation>Are you sure you want to exit Kelvane?</translation>
    </message>
    <message>
        <source>压缩或解压操作仍在进行。要取消该操作并退出吗？</source>
        <translation>A compression or extraction is still in progress. Cancel it and exit?</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>Path does not exist</translation>
    </message>
    <message>
        <source>压缩文件中没有这个文件夹: %1</source>
        <translation>The archive has no such folder: %1</translation>
    </message>
    <message>
        <source>无法创建临时目录</source>
        <translation>Cannot create a temporary folder</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>解压到...</source>
        <translation>Extract To...</translation>
    </message>
    <message>
        <source>测试压缩文件</source>
        <translation>Test Archive</translation>
    </message>
    <message>
        <source>压缩选中...</source>
        <translation>Compress Selected...</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>另一个操作正在进行，请等它结束后再打开压缩文件</source>
        <translation>Another operation is running; open the archive once it has ended.</translation>
    </message>
</context>
<context>
    <name>MyFileSystemModel</name>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>修改日期</source>
        <translation>Date Modified</translation>
    </message>
    <message>
        <source>驱动器</source>
        <translation>Drive</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>Folder</translation>
    </message>
</context>
<context>
    <name>OperationProgressDialog</name>
    <message>
        <source>正在处理: %1</source>
        <translation>Processing: %1</translation>
    </message>
</context>
<context>
    <name>PasswordPrompt</name>
    <message>
        <source>输入密码</source>
        <translation>Enter Password</translation>
    </message>
    <message>
        <source>“%1”已加密，请输入密码:</source>
        <translation>“%1” is encrypted. Enter its password:</translation>
    </message>
    <message>
        <source>“%1”中的“%2”已加密，请输入密码:</source>
        <translation>“%2” in “%1” is encrypted. Enter the password:</translation>
    </message>
    <message>
        <source>密码错误，请重试。</source>
        <translation>The password was wrong. Please try again.</translation>
    </message>
</context>
<context>
    <name>ProgramStart</name>
    <message>
        <source>运行 kelvane --help 查看用法。</source>
        <translation>Run kelvane --help for the usage.</translation>
    </message>
    <message>
        <source>路径不存在: %1</source>
        <translation>The path does not exist: %1</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>ProgressDetails</name>
    <message>
        <source>已处理: %1 / %2</source>
        <translation>Processed: %1 of %2</translation>
    </message>
    <message>
        <source>已处理: %1 / %2 | 速度: %3/秒</source>
        <translation>Processed: %1 of %2 | Speed: %3/s</translation>
    </message>
    <message>
        <source>已用时间: %1</source>
        <translation>Elapsed: %1</translation>
    </message>
    <message>
        <source>已用时间: %1 | 剩余时间: 约 %2</source>
        <translation>Elapsed: %1 | Remaining: about %2</translation>
    </message>
</context>
<context>
    <name>ReplaceDialog</name>
    <message>
        <source>对其余冲突执行相同操作</source>
        <translation>Do the same for the remaining conflicts</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>保留两者</source>
        <translation>Keep Both</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确认替换</source>
        <translation>Confirm Replace</translation>
    </message>
    <message>
        <source>目标位置已有“%1”。</source>
        <translation>“%1” already exists in the destination.</translation>
    </message>
    <message>
        <source>现有项目: %1</source>
        <translation>Existing: %1</translation>
    </message>
    <message>
        <source>压缩包中的项目: %1</source>
        <translation>In the archive: %1</translation>
    </message>
    <message>
        <source>无法替换：现有文件夹中还有内容。</source>
        <translation>Cannot replace: the existing folder is not empty.</translation>
    </message>
    <message>
        <source>日期未知</source>
        <translation>date unknown</translation>
    </message>
    <message>
        <source>文件夹，修改于 %1</source>
        <translation>folder, modified %1</translation>
    </message>
    <message>
        <source>链接，修改于 %1</source>
        <translation>link, modified %1</translation>
    </message>
    <message>
        <source>%1，修改于 %2</source>
        <translation>%1, modified %2</translation>
    </message>
</context>
<context>
    <name>StartupArguments</name>
    <message>
        <source>Kelvane 压缩工具。
kelvane [路径]：打开主窗口；路径为文件夹时显示它，为压缩文件或其他文件时显示它所在的文件夹并选中它。
批处理命令只显示进度对话框和需要回答的问题（密码、替换），完成后退出。
退出状态：0 成功，1 失败，2 用法错误，3 缺少密码或密码错误，130 已取消。</source>
        <translation>Kelvane archive manager.
kelvane [path]: opens the main window; a folder is shown, an archive or other file is shown selected in its folder.
Batch commands show only the progress dialog and the questions that need an answer (password, replace), then exit.
Exit status: 0 success, 1 failure, 2 bad usage, 3 password missing or wrong, 130 cancelled.</translation>
    </message>
    <message>
        <source>将每个压缩文件解压到它旁边以它命名的新文件夹（名称已被占用时改用“名称 (2)”等）</source>
        <translation>Extract each archive into a new folder beside it, named after it (&quot;name (2)&quot; and so on when the name is taken)</translation>
    </message>
    <message>
        <source>将压缩文件解压到&lt;目录&gt;；&lt;目录&gt;为空字符串时用对话框选择</source>
        <translation>Extract the archives into &lt;folder&gt;; an empty &lt;folder&gt; is chosen in a dialog</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>将路径压缩为&lt;压缩文件&gt;，格式由文件名决定；&lt;压缩文件&gt;为空字符串时用对话框选择</source>
        <translation>Compress the paths into &lt;archive&gt;, its format taken from its name; an empty &lt;archive&gt; is chosen in a dialog</translation>
    </message>
    <message>
        <source>压缩文件</source>
        <translation>archive</translation>
    </message>
    <message>
        <source>测试每个压缩文件是否完好</source>
        <translation>Test whether each archive is intact</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>path</translation>
    </message>
    <message>
        <source>要打开的文件夹、压缩文件或文件；批处理命令的压缩文件或要压缩的路径</source>
        <translation>The folder, archive or file to open; the archives of a batch command, or the paths to compress</translation>
    </message>
    <message>
        <source>[路径...]</source>
        <translation>[path...]</translation>
    </message>
    <message>
        <source>--extract-here、--extract-to、--compress 和 --test 只能使用其中一个，且只能使用一次</source>
        <translation>Use only one of --extract-here, --extract-to, --compress and --test, and only once</translation>
    </message>
    <message>
        <source>路径不能为空</source>
        <translation>A path cannot be empty</translation>
    </message>
    <message>
        <source>--compress 需要至少一个要压缩的路径</source>
        <translation>--compress needs at least one path to compress</translation>
    </message>
    <message>
        <source>--%1 需要至少一个压缩文件</source>
        <translation>--%1 needs at least one archive</translation>
    </message>
</context>
<context>
    <name>TerminalInteraction</name>
    <message>
        <source>密码错误</source>
        <translation>Wrong password</translation>
    </message>
    <message>
        <source>%1 的密码: </source>
        <translation>Password for %1: </translation>
    </message>
    <message>
        <source>链接</source>
        <translation>link</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>folder</translation>
    </message>
    <message>
        <source>已存在: %1 (%2)</source>
        <translation>Exists: %1 (%2)</translation>
    </message>
    <message>
        <source>压缩包中的: %1 (%2)</source>
        <translation>In the archive: %1 (%2)</translation>
    </message>
    <message>
        <source>替换 r、跳过 s、保留两者 k、取消 c（大写 R、S、K 对之后的冲突也照此处理）: </source>
        <translation>Replace r, skip s, keep both k, cancel c (capital R, S, K: the same for every later clash): </translation>
    </message>
    <message>
        <source>文件夹不为空，不能替换。跳过 s、保留两者 k、取消 c（大写 S、K 对之后的冲突也照此处理）: </source>
        <translation>The folder is not empty and cannot be replaced. Skip s, keep both k, cancel c (capital S, K: the same for every later clash): </translation>
    </message>
    <message>
        <source>%1 已存在。替换它吗？[y/N] </source>
        <translation>%1 exists. Replace it? [y/N] </translation>
    </message>
</context>
<context>
    <name>TextListing</name>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>修改时间</source>
        <translation>Modified</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>%1 个文件，%2 个文件夹，共 %3 字节</source>
        <translation>Files: %1, folders: %2, bytes: %3</translation>
    </message>
</context>
</TS>
