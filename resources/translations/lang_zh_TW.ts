<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_TW" sourcelanguage="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>关于Kelvane</source>
        <translation>關於Kelvane</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Kelvane&lt;/h2&gt;</source>
        <translation>&lt;h2&gt;Kelvane&lt;/h2&gt;</translation>
    </message>
    <message>
        <source>高效压缩与解压工具。支持多种格式，快速处理大体积文件。界面清爽无广告，让文件管理轻松又顺畅！</source>
        <translation>高效壓縮與解壓工具。支援多種格式，快速處理大體積文件。界面清爽無廣告，讓檔案管理輕鬆又順暢！</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;https://kelvane.org/&quot;&gt;访问官方网站&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;https://kelvane.org/&quot;&gt;訪問官方網站&lt;/a&gt;</translation>
    </message>
    <message>
        <source>版权所有 © 2026 Kelvane 开发团队</source>
        <translation>版權所有 © 2026 Kelvane 開發團隊</translation>
    </message>
    <message>
        <source>版本: %1</source>
        <translation>版本: %1</translation>
    </message>
</context>
<context>
    <name>ArchiveCommands</name>
    <message>
        <source>压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</source>
        <translation>壓縮檔案 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>请选择要压缩的文件或文件夹</source>
        <translation>請選擇要壓縮的檔案或資料夾</translation>
    </message>
    <message>
        <source>选择压缩文件保存位置</source>
        <translation>選擇壓縮檔案儲存位置</translation>
    </message>
    <message>
        <source>输入密码</source>
        <translation>輸入密碼</translation>
    </message>
    <message>
        <source>请输入压缩密码（可选）:</source>
        <translation>請輸入壓縮密碼（可選）:</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>壓縮</translation>
    </message>
    <message>
        <source>正在压缩文件...</source>
        <translation>正在壓縮檔案...</translation>
    </message>
    <message>
        <source>请选择要解压的压缩文件</source>
        <translation>請選擇要解壓的壓縮檔案</translation>
    </message>
    <message>
        <source>选择解压目标目录</source>
        <translation>選擇解壓目標目錄</translation>
    </message>
    <message>
        <source>解压文件</source>
        <translation>解壓檔案</translation>
    </message>
    <message>
        <source>是否要解压 &apos;%1&apos; 到当前目录？</source>
        <translation>是否要解壓 &apos;%1&apos; 到目前目錄？</translation>
    </message>
    <message>
        <source>解压</source>
        <translation>解壓</translation>
    </message>
    <message>
        <source>正在解压文件...</source>
        <translation>正在解壓檔案...</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>操作完成成功</source>
        <translation>操作完成成功</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>已取消</translation>
    </message>
    <message>
        <source>操作已取消</source>
        <translation>操作已取消</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>操作失败: %1</source>
        <translation>操作失敗: %1</translation>
    </message>
    <message>
        <source>正在取出文件...</source>
        <translation>正在取出檔案...</translation>
    </message>
    <message>
        <source>打开压缩文件</source>
        <translation>開啟壓縮檔</translation>
    </message>
    <message>
        <source>正在读取压缩文件内容...</source>
        <translation>正在讀取壓縮檔內容...</translation>
    </message>
    <message>
        <source>测试压缩文件</source>
        <translation>測試壓縮檔</translation>
    </message>
    <message>
        <source>正在测试压缩文件...</source>
        <translation>正在測試壓縮檔...</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 完好，没有发现错误。</source>
        <translation>&apos;%1&apos; 完好，沒有發現錯誤。</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 已损坏。
第一个出错的文件: %2
原因: %3</source>
        <translation>&apos;%1&apos; 已損壞。
第一個出錯的檔案: %2
原因: %3</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 未通过测试: %2</source>
        <translation>&apos;%1&apos; 未通過測試: %2</translation>
    </message>
    <message>
        <source>无法打开压缩文件 &apos;%1&apos;: %2</source>
        <translation>無法開啟壓縮檔 &apos;%1&apos;: %2</translation>
    </message>
</context>
<context>
    <name>ArchiveOperationRunner</name>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>正在取消...</translation>
    </message>
</context>
<context>
    <name>BatchRunner</name>
    <message>
        <source>选择解压目标目录</source>
        <translation>選擇解壓目標目錄</translation>
    </message>
    <message>
        <source>无法从名称看出要创建的格式: %1
可创建: %2</source>
        <translation>無法從名稱看出要建立的格式: %1
可建立: %2</translation>
    </message>
    <message>
        <source>替换压缩文件</source>
        <translation>取代壓縮檔</translation>
    </message>
    <message>
        <source>“%1”已存在。要替换它吗？</source>
        <translation>「%1」已存在。要取代它嗎？</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>壓縮</translation>
    </message>
    <message>
        <source>正在压缩文件...</source>
        <translation>正在壓縮檔案...</translation>
    </message>
    <message>
        <source>测试</source>
        <translation>測試</translation>
    </message>
    <message>
        <source>正在测试压缩文件...</source>
        <translation>正在測試壓縮檔...</translation>
    </message>
    <message>
        <source>完好: %1
</source>
        <translation>完好: %1
</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>操作失败: %1</source>
        <translation>操作失敗: %1</translation>
    </message>
    <message>
        <source>操作已取消</source>
        <translation>操作已取消</translation>
    </message>
</context>
<context>
    <name>CliArgumentParser</name>
    <message>
        <source>不接受命令行中的密码（本机的其他用户可以看到它）；请使用 --password-stdin</source>
        <translation>不接受命令列中的密碼（本機的其他使用者可以看到它）；請使用 --password-stdin</translation>
    </message>
    <message>
        <source>未知选项: %1</source>
        <translation>未知選項: %1</translation>
    </message>
    <message>
        <source>缺少命令</source>
        <translation>缺少命令</translation>
    </message>
    <message>
        <source>未知命令: %1</source>
        <translation>未知命令: %1</translation>
    </message>
    <message>
        <source>缺少压缩包</source>
        <translation>缺少壓縮檔</translation>
    </message>
    <message>
        <source>选项 %1 不适用于命令 %2</source>
        <translation>選項 %1 不適用於命令 %2</translation>
    </message>
    <message>
        <source>缺少要压缩的文件或文件夹</source>
        <translation>缺少要壓縮的檔案或資料夾</translation>
    </message>
    <message>
        <source>要压缩的路径为空</source>
        <translation>要壓縮的路徑為空</translation>
    </message>
    <message>
        <source>多余的参数: %1</source>
        <translation>多餘的參數: %1</translation>
    </message>
    <message>
        <source>解压目标文件夹为空</source>
        <translation>解壓縮目標資料夾為空</translation>
    </message>
    <message>
        <source>--overwrite 的值无效: %1（可用: ask、replace、skip、rename）</source>
        <translation>--overwrite 的值無效: %1（可用: ask、replace、skip、rename）</translation>
    </message>
</context>
<context>
    <name>CliRunner</name>
    <message>
        <source>%1 格式的压缩包只能读取，不能创建</source>
        <translation>%1 格式的壓縮檔只能讀取，不能建立</translation>
    </message>
    <message>
        <source>无法从名称看出要创建的格式: %1</source>
        <translation>無法從名稱看出要建立的格式: %1</translation>
    </message>
    <message>
        <source>可创建: %1</source>
        <translation>可建立: %1</translation>
    </message>
    <message>
        <source>%1 格式的压缩包不能加密</source>
        <translation>%1 格式的壓縮檔不能加密</translation>
    </message>
    <message>
        <source>密码: </source>
        <translation>密碼: </translation>
    </message>
    <message>
        <source>标准输入中没有密码</source>
        <translation>標準輸入中沒有密碼</translation>
    </message>
    <message>
        <source>密码为空，未创建压缩包</source>
        <translation>密碼為空，未建立壓縮檔</translation>
    </message>
    <message>
        <source>再次输入密码: </source>
        <translation>再次輸入密碼: </translation>
    </message>
    <message>
        <source>两次输入的密码不一致，未创建压缩包</source>
        <translation>兩次輸入的密碼不一致，未建立壓縮檔</translation>
    </message>
    <message>
        <source>压缩包已存在，已跳过: %1</source>
        <translation>壓縮檔已存在，已略過: %1</translation>
    </message>
    <message>
        <source>压缩包已存在，改为写入: %1</source>
        <translation>壓縮檔已存在，改為寫入: %1</translation>
    </message>
    <message>
        <source>压缩包完好: %1</source>
        <translation>壓縮檔完好: %1</translation>
    </message>
    <message>
        <source>未询问，因为标准输入或标准错误不是终端；可用 --overwrite=replace、skip 或 rename 选择处理方式</source>
        <translation>未詢問，因為標準輸入或標準錯誤不是終端機；可用 --overwrite=replace、skip 或 rename 選擇處理方式</translation>
    </message>
    <message>
        <source>可用 --password-stdin 从标准输入提供密码</source>
        <translation>可用 --password-stdin 從標準輸入提供密碼</translation>
    </message>
</context>
<context>
    <name>CompressionHandler</name>
    <message>
        <source>操作已取消</source>
        <translation>操作已取消</translation>
    </message>
    <message>
        <source>未选择要压缩的文件</source>
        <translation>未選擇要壓縮的檔案</translation>
    </message>
    <message>
        <source>压缩格式 %1 暂不支持</source>
        <translation>壓縮格式 %1 暫不支援</translation>
    </message>
    <message>
        <source>压缩文件不存在</source>
        <translation>壓縮檔案不存在</translation>
    </message>
    <message>
        <source>未指定解压目标目录</source>
        <translation>未指定解壓目標目錄</translation>
    </message>
    <message>
        <source>创建ZIP压缩包失败: %1</source>
        <translation>建立ZIP壓縮檔失敗: %1</translation>
    </message>
    <message>
        <source>为文件创建源失败: %1</source>
        <translation>為檔案建立來源失敗: %1</translation>
    </message>
    <message>
        <source>添加文件到压缩包失败: %1</source>
        <translation>添加檔案到壓縮檔失敗: %1</translation>
    </message>
    <message>
        <source>关闭ZIP压缩包失败: %1</source>
        <translation>關閉ZIP壓縮檔失敗: %1</translation>
    </message>
    <message>
        <source>打开ZIP压缩包失败: %1</source>
        <translation>開啟ZIP壓縮檔失敗: %1</translation>
    </message>
    <message>
        <source>从压缩包获取文件名失败</source>
        <translation>從壓縮檔取得檔案名稱失敗</translation>
    </message>
    <message>
        <source>打开压缩包中的文件失败: %1</source>
        <translation>開啟壓縮檔中的檔案失敗: %1</translation>
    </message>
    <message>
        <source>读取压缩包中的文件失败: %1</source>
        <translation>讀取壓縮檔中的檔案失敗: %1</translation>
    </message>
    <message>
        <source>压缩包中的路径不安全: %1</source>
        <translation>壓縮檔中的路徑不安全: %1</translation>
    </message>
    <message>
        <source>创建文件失败: %1</source>
        <translation>建立檔案失敗: %1</translation>
    </message>
    <message>
        <source>写入文件失败: %1</source>
        <translation>寫入檔案失敗: %1</translation>
    </message>
    <message>
        <source>创建临时文件失败</source>
        <translation>建立暫存檔案失敗</translation>
    </message>
    <message>
        <source>读取压缩包失败: %1</source>
        <translation>讀取壓縮檔失敗: %1</translation>
    </message>
    <message>
        <source>启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。</source>
        <translation>啟動 %1 進程失敗。請確保已安裝 %1 並在PATH環境變數中。</translation>
    </message>
    <message>
        <source>%1 进程失败: %2</source>
        <translation>%1 進程失敗: %2</translation>
    </message>
    <message>
        <source>无法识别压缩包，或压缩包已损坏: %1</source>
        <translation>無法識別壓縮檔，或壓縮檔已損毀: %1</translation>
    </message>
    <message>
        <source>压缩包中的文件使用了不支持的压缩方法: %1</source>
        <translation>壓縮檔中的檔案使用了不支援的壓縮方法: %1</translation>
    </message>
    <message>
        <source>压缩包已加密，需要密码</source>
        <translation>壓縮檔已加密，需要密碼</translation>
    </message>
    <message>
        <source>压缩包中的文件已加密，需要密码: %1</source>
        <translation>壓縮檔中的檔案已加密，需要密碼: %1</translation>
    </message>
    <message>
        <source>密码错误</source>
        <translation>密碼錯誤</translation>
    </message>
    <message>
        <source>密码错误，无法解开: %1</source>
        <translation>密碼錯誤，無法解開: %1</translation>
    </message>
    <message>
        <source>压缩包使用了无法读取的加密方式: %1</source>
        <translation>壓縮檔使用了無法讀取的加密方式: %1</translation>
    </message>
    <message>
        <source>压缩包中没有此项: %1</source>
        <translation>壓縮檔中沒有此項目: %1</translation>
    </message>
    <message>
        <source>目标已存在，未替换: %1</source>
        <translation>目標已存在，未取代: %1</translation>
    </message>
    <message>
        <source>磁盘空间不足，无法写入: %1</source>
        <translation>磁碟空間不足，無法寫入: %1</translation>
    </message>
    <message>
        <source>启动 %1 进程失败</source>
        <translation>啟動 %1 進程失敗</translation>
    </message>
    <message>
        <source>启动 %1 进程失败: %2</source>
        <translation>啟動 %1 進程失敗: %2</translation>
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
        <translation>%1 位元組</translation>
    </message>
</context>
<context>
    <name>FileBrowser</name>
    <message>
        <source>我的电脑</source>
        <translation>我的電腦</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>路徑不存在</translation>
    </message>
    <message>
        <source>选中: %1 个项目 | 大小: %2</source>
        <translation>選中: %1 個項目 | 大小: %2</translation>
    </message>
    <message>
        <source>我的电脑 - 选择驱动器</source>
        <translation>我的電腦 - 選擇磁碟機</translation>
    </message>
    <message>
        <source>文件夹: %1 | 文件: %2 | 大小: %3</source>
        <translation>資料夾: %1 | 檔案: %2 | 大小: %3</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>请选择要删除的文件或文件夹</source>
        <translation>請選擇要刪除的檔案或資料夾</translation>
    </message>
    <message>
        <source>确认删除</source>
        <translation>確認刪除</translation>
    </message>
    <message>
        <source>确定要删除选中的文件吗？此操作不可恢复。</source>
        <translation>確定要刪除選中的檔案嗎？此操作不可恢復。</translation>
    </message>
</context>
<context>
    <name>HelpText</name>
    <message>
        <source>压缩包</source>
        <translation>壓縮檔</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>路徑</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>資料夾</translation>
    </message>
    <message>
        <source>项</source>
        <translation>項目</translation>
    </message>
    <message>
        <source>方式</source>
        <translation>方式</translation>
    </message>
    <message>
        <source>%1 — 在终端中压缩文件、解压压缩包（Kelvane 的命令行程序）</source>
        <translation>%1 — 在終端機中壓縮檔案、解壓縮壓縮檔（Kelvane 的命令列程式）</translation>
    </message>
    <message>
        <source>用法:</source>
        <translation>用法:</translation>
    </message>
    <message>
        <source>命令:</source>
        <translation>命令:</translation>
    </message>
    <message>
        <source>将文件和文件夹压缩为新的压缩包，格式由压缩包名称的扩展名决定。</source>
        <translation>將檔案和資料夾壓縮為新的壓縮檔，格式由壓縮檔名稱的副檔名決定。</translation>
    </message>
    <message>
        <source>解压压缩包的全部内容，或只解压列出的项（文件夹包括其中的一切）。默认解压到当前文件夹。</source>
        <translation>解壓縮壓縮檔的全部內容，或只解壓縮列出的項目（資料夾包括其中的一切）。預設解壓縮到目前資料夾。</translation>
    </message>
    <message>
        <source>列出压缩包中的项：大小、修改时间和名称。</source>
        <translation>列出壓縮檔中的項目：大小、修改時間和名稱。</translation>
    </message>
    <message>
        <source>检查压缩包中的每个文件是否完好，不写入任何文件。</source>
        <translation>檢查壓縮檔中的每個檔案是否完好，不寫入任何檔案。</translation>
    </message>
    <message>
        <source>选项:</source>
        <translation>選項:</translation>
    </message>
    <message>
        <source>（x）解压到此文件夹，不存在时会创建。</source>
        <translation>（x）解壓縮到此資料夾，不存在時會建立。</translation>
    </message>
    <message>
        <source>（l）以一行 JSON 输出列表：archive、format 以及 entries，每项含 name、type（file、folder、link）、size、compressedSize、modified（UTC）、encrypted 和 linkTarget。</source>
        <translation>（l）以一行 JSON 輸出清單：archive、format 以及 entries，每項含 name、type（file、folder、link）、size、compressedSize、modified（UTC）、encrypted 和 linkTarget。</translation>
    </message>
    <message>
        <source>从标准输入读取一行作为密码（在终端上输入时不显示）。a 用它加密新的压缩包（仅限 ZIP 和 7z）。</source>
        <translation>從標準輸入讀取一行作為密碼（在終端機上輸入時不顯示）。a 用它加密新的壓縮檔（僅限 ZIP 和 7z）。</translation>
    </message>
    <message>
        <source>（a、x）遇到已存在的项时：ask 询问（默认；仅当标准输入和标准错误都是终端时询问，否则不替换并报错）、replace 替换、skip 跳过、rename 以新名称保留两者。</source>
        <translation>（a、x）遇到已存在的項目時：ask 詢問（預設；僅當標準輸入和標準錯誤都是終端機時詢問，否則不取代並報錯）、replace 取代、skip 略過、rename 以新名稱保留兩者。</translation>
    </message>
    <message>
        <source>显示此帮助。</source>
        <translation>顯示此說明。</translation>
    </message>
    <message>
        <source>显示版本。</source>
        <translation>顯示版本。</translation>
    </message>
    <message>
        <source>可创建: %1</source>
        <translation>可建立: %1</translation>
    </message>
    <message>
        <source>可读取: %1</source>
        <translation>可讀取: %1</translation>
    </message>
    <message>
        <source>程序不接受以参数给出的密码，因为本机的其他用户可以在进程列表中看到它。压缩包需要密码而未给出 --password-stdin 时，若标准输入和标准错误都是终端，程序会询问密码。</source>
        <translation>程式不接受以參數給出的密碼，因為本機的其他使用者可以在處理程序清單中看到它。壓縮檔需要密碼而未給出 --password-stdin 時，若標準輸入和標準錯誤都是終端機，程式會詢問密碼。</translation>
    </message>
    <message>
        <source>标准错误是终端时显示进度条。按 Ctrl+C（或发送 SIGTERM）取消：不会留下不完整的压缩包或解压结果。</source>
        <translation>標準錯誤是終端機時顯示進度列。按 Ctrl+C（或傳送 SIGTERM）取消：不會留下不完整的壓縮檔或解壓縮結果。</translation>
    </message>
    <message>
        <source>以 -- 结束选项，之后的参数即使以 - 开头也作为名称。</source>
        <translation>以 -- 結束選項，之後的參數即使以 - 開頭也作為名稱。</translation>
    </message>
    <message>
        <source>退出状态:</source>
        <translation>結束狀態:</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>失败：压缩包损坏或无法读取、输入无法读取、已存在的项未被替换、磁盘错误等</source>
        <translation>失敗：壓縮檔損壞或無法讀取、輸入無法讀取、已存在的項目未被取代、磁碟錯誤等</translation>
    </message>
    <message>
        <source>命令行有误，未执行任何操作</source>
        <translation>命令列有誤，未執行任何操作</translation>
    </message>
    <message>
        <source>压缩包已加密，需要密码，或密码错误</source>
        <translation>壓縮檔已加密，需要密碼，或密碼錯誤</translation>
    </message>
    <message>
        <source>已取消（Ctrl+C、SIGTERM 或在提问时取消），不留下任何不完整的结果</source>
        <translation>已取消（Ctrl+C、SIGTERM 或在提問時取消），不留下任何不完整的結果</translation>
    </message>
    <message>
        <source>示例:</source>
        <translation>範例:</translation>
    </message>
    <message>
        <source>运行 %1 --help 查看用法。</source>
        <translation>執行 %1 --help 查看用法。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Kelvane - 现代化压缩工具</source>
        <translation>Kelvane - 現代化壓縮工具</translation>
    </message>
    <message>
        <source>路径...</source>
        <translation>路徑...</translation>
    </message>
    <message>
        <source>设置加载成功</source>
        <translation>設定載入成功</translation>
    </message>
    <message>
        <source>保存设置失败:</source>
        <translation>儲存設定失敗:</translation>
    </message>
    <message>
        <source>设置保存成功</source>
        <translation>設定儲存成功</translation>
    </message>
    <message>
        <source>重置确认</source>
        <translation>重設確認</translation>
    </message>
    <message>
        <source>确定要将所有设置重置为默认状态吗？此操作无法撤销。</source>
        <translation>確定要將所有設定重設為預設狀態嗎？此操作無法撤銷。</translation>
    </message>
    <message>
        <source>重置完成</source>
        <translation>重設完成</translation>
    </message>
    <message>
        <source>所有设置已重置为默认状态。程序将重新启动以应用更改。</source>
        <translation>所有設定已重設為預設狀態。程式將重新啟動以應用變更。</translation>
    </message>
    <message>
        <source>重新启动程序失败</source>
        <translation>重新啟動程式失敗</translation>
    </message>
    <message>
        <source>翻译文件未找到:</source>
        <translation>翻譯檔案未找到:</translation>
    </message>
    <message>
        <source>加载翻译文件失败:</source>
        <translation>載入翻譯檔案失敗:</translation>
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
        <translation>重設設定</translation>
    </message>
    <message>
        <source>关于Kelvane</source>
        <translation>關於Kelvane</translation>
    </message>
    <message>
        <source>Kelvane</source>
        <translation>Kelvane</translation>
    </message>
    <message>
        <source>压缩选中</source>
        <translation>壓縮選中</translation>
    </message>
    <message>
        <source>解压到</source>
        <translation>解壓到</translation>
    </message>
    <message>
        <source>一键解压</source>
        <translation>一鍵解壓</translation>
    </message>
    <message>
        <source>删除选中</source>
        <translation>刪除選中</translation>
    </message>
    <message>
        <source>向上</source>
        <translation>向上</translation>
    </message>
    <message>
        <source>转到桌面</source>
        <translation>轉到桌面</translation>
    </message>
    <message>
        <source>搜索文件...</source>
        <translation>搜尋檔案...</translation>
    </message>
    <message>
        <source>搜索文件</source>
        <translation>搜尋檔案</translation>
    </message>
    <message>
        <source>刷新当前目录</source>
        <translation>重新整理目前目錄</translation>
    </message>
    <message>
        <source>刷新</source>
        <translation>重新整理</translation>
    </message>
    <message>
        <source>选中: 0 个项目 | 大小: 0 B</source>
        <translation>選中: 0 個項目 | 大小: 0 B</translation>
    </message>
    <message>
        <source>就绪</source>
        <translation>就緒</translation>
    </message>
    <message>
        <source>选择模型为空，连接失败</source>
        <translation>選擇模型為空，連接失敗</translation>
    </message>
    <message>
        <source>确认退出</source>
        <translation>確認退出</translation>
    </message>
    <message>
        <source>确定要退出 Kelvane 吗？</source>
        <translation>確定要退出 Kelvane 嗎？</translation>
    </message>
    <message>
        <source>压缩或解压操作仍在进行。要取消该操作并退出吗？</source>
        <translation>壓縮或解壓操作仍在進行。要取消該操作並退出嗎？</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>路徑不存在</translation>
    </message>
    <message>
        <source>压缩文件中没有这个文件夹: %1</source>
        <translation>壓縮檔中沒有這個資料夾: %1</translation>
    </message>
    <message>
        <source>无法创建临时目录</source>
        <translation>無法建立暫存目錄</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>開啟</translation>
    </message>
    <message>
        <source>解压到...</source>
        <translation>解壓到...</translation>
    </message>
    <message>
        <source>测试压缩文件</source>
        <translation>測試壓縮檔</translation>
    </message>
    <message>
        <source>压缩选中...</source>
        <translation>壓縮選中...</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>刪除</translation>
    </message>
    <message>
        <source>另一个操作正在进行，请等它结束后再打开压缩文件</source>
        <translation>另一個操作正在進行，請等它結束後再開啟壓縮檔</translation>
    </message>
</context>
<context>
    <name>MyFileSystemModel</name>
    <message>
        <source>名称</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>類型</translation>
    </message>
    <message>
        <source>修改日期</source>
        <translation>修改日期</translation>
    </message>
    <message>
        <source>驱动器</source>
        <translation>磁碟機</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>資料夾</translation>
    </message>
</context>
<context>
    <name>OperationProgressDialog</name>
    <message>
        <source>正在处理: %1</source>
        <translation>正在處理: %1</translation>
    </message>
</context>
<context>
    <name>PasswordPrompt</name>
    <message>
        <source>输入密码</source>
        <translation>輸入密碼</translation>
    </message>
    <message>
        <source>“%1”已加密，请输入密码:</source>
        <translation>「%1」已加密，請輸入密碼:</translation>
    </message>
    <message>
        <source>“%1”中的“%2”已加密，请输入密码:</source>
        <translation>「%1」中的「%2」已加密，請輸入密碼:</translation>
    </message>
    <message>
        <source>密码错误，请重试。</source>
        <translation>密碼錯誤，請再試一次。</translation>
    </message>
</context>
<context>
    <name>ProgramStart</name>
    <message>
        <source>运行 kelvane --help 查看用法。</source>
        <translation>執行 kelvane --help 檢視用法。</translation>
    </message>
    <message>
        <source>路径不存在: %1</source>
        <translation>路徑不存在: %1</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
</context>
<context>
    <name>ProgressDetails</name>
    <message>
        <source>已处理: %1 / %2</source>
        <translation>已處理: %1 / %2</translation>
    </message>
    <message>
        <source>已处理: %1 / %2 | 速度: %3/秒</source>
        <translation>已處理: %1 / %2 | 速度: %3/秒</translation>
    </message>
    <message>
        <source>已用时间: %1</source>
        <translation>已用時間: %1</translation>
    </message>
    <message>
        <source>已用时间: %1 | 剩余时间: 约 %2</source>
        <translation>已用時間: %1 | 剩餘時間: 約 %2</translation>
    </message>
</context>
<context>
    <name>ReplaceDialog</name>
    <message>
        <source>对其余冲突执行相同操作</source>
        <translation>對其餘衝突執行相同操作</translation>
    </message>
    <message>
        <source>替换</source>
        <translation>取代</translation>
    </message>
    <message>
        <source>跳过</source>
        <translation>略過</translation>
    </message>
    <message>
        <source>保留两者</source>
        <translation>保留兩者</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>确认替换</source>
        <translation>確認取代</translation>
    </message>
    <message>
        <source>目标位置已有“%1”。</source>
        <translation>目標位置已有「%1」。</translation>
    </message>
    <message>
        <source>现有项目: %1</source>
        <translation>現有項目: %1</translation>
    </message>
    <message>
        <source>压缩包中的项目: %1</source>
        <translation>壓縮檔中的項目: %1</translation>
    </message>
    <message>
        <source>无法替换：现有文件夹中还有内容。</source>
        <translation>無法取代：現有資料夾中還有內容。</translation>
    </message>
    <message>
        <source>日期未知</source>
        <translation>日期不明</translation>
    </message>
    <message>
        <source>文件夹，修改于 %1</source>
        <translation>資料夾，修改於 %1</translation>
    </message>
    <message>
        <source>链接，修改于 %1</source>
        <translation>連結，修改於 %1</translation>
    </message>
    <message>
        <source>%1，修改于 %2</source>
        <translation>%1，修改於 %2</translation>
    </message>
</context>
<context>
    <name>StartupArguments</name>
    <message>
        <source>Kelvane 压缩工具。
kelvane [路径]：打开主窗口；路径为文件夹时显示它，为压缩文件或其他文件时显示它所在的文件夹并选中它。
批处理命令只显示进度对话框和需要回答的问题（密码、替换），完成后退出。
退出状态：0 成功，1 失败，2 用法错误，3 缺少密码或密码错误，130 已取消。</source>
        <translation>Kelvane 壓縮工具。
kelvane [路徑]：開啟主視窗；路徑為資料夾時顯示它，為壓縮檔或其他檔案時顯示它所在的資料夾並選取它。
批次命令只顯示進度對話方塊和需要回答的問題（密碼、取代），完成後結束。
結束狀態：0 成功，1 失敗，2 用法錯誤，3 缺少密碼或密碼錯誤，130 已取消。</translation>
    </message>
    <message>
        <source>将每个压缩文件解压到它旁边以它命名的新文件夹（名称已被占用时改用“名称 (2)”等）</source>
        <translation>將每個壓縮檔解壓縮到它旁邊以它命名的新資料夾（名稱已被占用時改用「名稱 (2)」等）</translation>
    </message>
    <message>
        <source>将压缩文件解压到&lt;目录&gt;；&lt;目录&gt;为空字符串时用对话框选择</source>
        <translation>將壓縮檔解壓縮到&lt;資料夾&gt;；&lt;資料夾&gt;為空字串時用對話方塊選擇</translation>
    </message>
    <message>
        <source>目录</source>
        <translation>資料夾</translation>
    </message>
    <message>
        <source>将路径压缩为&lt;压缩文件&gt;，格式由文件名决定；&lt;压缩文件&gt;为空字符串时用对话框选择</source>
        <translation>將路徑壓縮為&lt;壓縮檔&gt;，格式由檔案名稱決定；&lt;壓縮檔&gt;為空字串時用對話方塊選擇</translation>
    </message>
    <message>
        <source>压缩文件</source>
        <translation>壓縮檔</translation>
    </message>
    <message>
        <source>测试每个压缩文件是否完好</source>
        <translation>測試每個壓縮檔是否完好</translation>
    </message>
    <message>
        <source>路径</source>
        <translation>路徑</translation>
    </message>
    <message>
        <source>要打开的文件夹、压缩文件或文件；批处理命令的压缩文件或要压缩的路径</source>
        <translation>要開啟的資料夾、壓縮檔或檔案；批次命令的壓縮檔或要壓縮的路徑</translation>
    </message>
    <message>
        <source>[路径...]</source>
        <translation>[路徑...]</translation>
    </message>
    <message>
        <source>--extract-here、--extract-to、--compress 和 --test 只能使用其中一个，且只能使用一次</source>
        <translation>--extract-here、--extract-to、--compress 和 --test 只能使用其中一個，且只能使用一次</translation>
    </message>
    <message>
        <source>路径不能为空</source>
        <translation>路徑不能為空</translation>
    </message>
    <message>
        <source>--compress 需要至少一个要压缩的路径</source>
        <translation>--compress 需要至少一個要壓縮的路徑</translation>
    </message>
    <message>
        <source>--%1 需要至少一个压缩文件</source>
        <translation>--%1 需要至少一個壓縮檔</translation>
    </message>
</context>
<context>
    <name>TerminalInteraction</name>
    <message>
        <source>密码错误</source>
        <translation>密碼錯誤</translation>
    </message>
    <message>
        <source>%1 的密码: </source>
        <translation>%1 的密碼: </translation>
    </message>
    <message>
        <source>链接</source>
        <translation>連結</translation>
    </message>
    <message>
        <source>文件夹</source>
        <translation>資料夾</translation>
    </message>
    <message>
        <source>已存在: %1 (%2)</source>
        <translation>已存在: %1 (%2)</translation>
    </message>
    <message>
        <source>压缩包中的: %1 (%2)</source>
        <translation>壓縮檔中的: %1 (%2)</translation>
    </message>
    <message>
        <source>替换 r、跳过 s、保留两者 k、取消 c（大写 R、S、K 对之后的冲突也照此处理）: </source>
        <translation>取代 r、略過 s、保留兩者 k、取消 c（大寫 R、S、K 對之後的衝突也照此處理）: </translation>
    </message>
    <message>
        <source>文件夹不为空，不能替换。跳过 s、保留两者 k、取消 c（大写 S、K 对之后的冲突也照此处理）: </source>
        <translation>資料夾不為空，不能取代。略過 s、保留兩者 k、取消 c（大寫 S、K 對之後的衝突也照此處理）: </translation>
    </message>
    <message>
        <source>%1 已存在。替换它吗？[y/N] </source>
        <translation>%1 已存在。取代它嗎？[y/N] </translation>
    </message>
</context>
<context>
    <name>TextListing</name>
    <message>
        <source>大小</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>修改时间</source>
        <translation>修改時間</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>名稱</translation>
    </message>
    <message>
        <source>%1 个文件，%2 个文件夹，共 %3 字节</source>
        <translation>%1 個檔案，%2 個資料夾，共 %3 位元組</translation>
    </message>
</context>
</TS>
