#include "resultmessage.h"

namespace {

// The first of the texts that is not empty: messages name the most specific thing they have.
QString firstOf(const QString &preferred, const QString &fallback)
{
    return preferred.isEmpty() ? fallback : preferred;
}

} // namespace

QString ResultMessage::text(const OperationResult &result)
{
    const bool zip = result.format == ArchiveFormat::Zip;
    switch (result.code) {
    case ResultCode::Success:
        return QString();
    case ResultCode::Cancelled:
        return tr("操作已取消");
    case ResultCode::NoInputs:
        return tr("未选择要压缩的文件");
    case ResultCode::UnsupportedFormat:
        return tr("压缩格式 %1 暂不支持").arg(result.detail);
    case ResultCode::ArchiveMissing:
        return tr("压缩文件不存在");
    case ResultCode::NoDestination:
        return tr("未指定解压目标目录");
    case ResultCode::InputUnreadable:
        return tr("为文件创建源失败: %1").arg(result.path);
    case ResultCode::DuplicateEntryName:
        return tr("添加文件到压缩包失败: %1").arg(result.path);
    case ResultCode::ArchiveNotCreated:
        if (zip)
            return tr("创建ZIP压缩包失败: %1").arg(firstOf(result.detail, result.path));
        return tr("创建文件失败: %1").arg(result.path);
    case ResultCode::ArchiveNotWritten:
        if (zip)
            return tr("关闭ZIP压缩包失败: %1").arg(firstOf(result.detail, result.path));
        return tr("写入文件失败: %1").arg(result.path);
    case ResultCode::NotAnArchive:
        if (zip)
            return tr("打开ZIP压缩包失败: %1").arg(firstOf(result.detail, result.path));
        return tr("无法识别压缩包，或压缩包已损坏: %1").arg(result.path);
    case ResultCode::EntryNameUnreadable:
        return tr("从压缩包获取文件名失败");
    case ResultCode::EntryUnreadable:
        return tr("打开压缩包中的文件失败: %1").arg(result.entry);
    case ResultCode::DamagedEntry:
        return tr("读取压缩包中的文件失败: %1").arg(result.entry);
    case ResultCode::UnsupportedMethod:
        return tr("压缩包中的文件使用了不支持的压缩方法: %1").arg(result.entry);
    case ResultCode::UnsafeEntry:
        return tr("压缩包中的路径不安全: %1").arg(result.entry);
    case ResultCode::PasswordNeeded:
        if (result.entry.isEmpty())
            return tr("压缩包已加密，需要密码");
        return tr("压缩包中的文件已加密，需要密码: %1").arg(result.entry);
    case ResultCode::WrongPassword:
        if (result.entry.isEmpty())
            return tr("密码错误");
        return tr("密码错误，无法解开: %1").arg(result.entry);
    case ResultCode::UnsupportedEncryption:
        return tr("压缩包使用了无法读取的加密方式: %1").arg(firstOf(result.entry, result.path));
    case ResultCode::EntryNotFound:
        return tr("压缩包中没有此项: %1").arg(result.entry);
    case ResultCode::DestinationExists:
        return tr("目标已存在，未替换: %1").arg(result.path);
    case ResultCode::CreateFailed:
        return tr("创建文件失败: %1").arg(result.path);
    case ResultCode::WriteFailed:
        return tr("写入文件失败: %1").arg(result.path);
    case ResultCode::DiskFull:
        return tr("磁盘空间不足，无法写入: %1").arg(result.path);
    case ResultCode::ReadFailed:
        return tr("读取压缩包失败: %1").arg(result.path);
    case ResultCode::TemporaryFileFailed:
        return tr("创建临时文件失败");
    case ResultCode::ToolMissing:
        return tr("启动 %1 进程失败。请确保已安装 %1 并在PATH环境变量中。").arg(result.path);
    case ResultCode::ToolNotStarted:
        if (result.detail.isEmpty())
            return tr("启动 %1 进程失败").arg(result.path);
        return tr("启动 %1 进程失败: %2").arg(result.path, result.detail);
    case ResultCode::ToolFailed:
        return tr("%1 进程失败: %2").arg(result.path, result.detail);
    }
    return QString();
}
