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
        <source>我的电脑</source>
        <translation>我的電腦</translation>
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
        <source>文件系统模型为空</source>
        <translation>檔案系統模型為空</translation>
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
    <message>
        <source>错误</source>
        <translation>錯誤</translation>
    </message>
    <message>
        <source>路径不存在</source>
        <translation>路徑不存在</translation>
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
        <source>取消</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>正在取消...</translation>
    </message>
    <message>
        <source>压缩或解压操作仍在进行。要取消该操作并退出吗？</source>
        <translation>壓縮或解壓操作仍在進行。要取消該操作並退出嗎？</translation>
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
        <source>操作失败: %1</source>
        <translation>操作失敗: %1</translation>
    </message>
    <message>
        <source>输入密码</source>
        <translation>輸入密碼</translation>
    </message>
    <message>
        <source>请输入解压密码（如果没有密码请留空）:</source>
        <translation>請輸入解壓密碼（如果沒有密碼請留空）:</translation>
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
        <source>请选择要压缩的文件或文件夹</source>
        <translation>請選擇要壓縮的檔案或資料夾</translation>
    </message>
    <message>
        <source>选择压缩文件保存位置</source>
        <translation>選擇壓縮檔案儲存位置</translation>
    </message>
    <message>
        <source>压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</source>
        <translation>壓縮檔案 (*.zip *.7z *.tar *.gz *.bz2 *.xz)</translation>
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
</TS>
