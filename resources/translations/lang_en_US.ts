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
        <source>我的电脑</source>
        <translation>My Computer</translation>
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
        <source>文件系统模型为空</source>
        <translation>File system model is empty</translation>
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
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>Path does not exist</translation>
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
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
    <message>
        <source>压缩或解压操作仍在进行。要取消该操作并退出吗？</source>
        <translation>A compression or extraction is still in progress. Cancel it and exit?</translation>
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
        <source>操作失败: %1</source>
        <translation>Operation failed: %1</translation>
    </message>
    <message>
        <source>输入密码</source>
        <translation>Enter Password</translation>
    </message>
    <message>
        <source>请输入解压密码（如果没有密码请留空）:</source>
        <translation>Please enter extraction password (leave blank if no password):</translation>
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
        <source>请选择要压缩的文件或文件夹</source>
        <translation>Please select files or folders to compress</translation>
    </message>
    <message>
        <source>选择压缩文件保存位置</source>
        <translation>Select location to save compressed file</translation>
    </message>
    <message>
        <source>压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</source>
        <translation>Compressed Files (*.zip *.7z *.tar *.gz *.bz2 *.xz)</translation>
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
</TS>
