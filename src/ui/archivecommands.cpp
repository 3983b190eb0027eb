#include "archivecommands.h"

#include "archivefilenames.h"
#include "archiveformat.h"
#include "resultmessage.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

#include <algorithm>

ArchiveCommands::ArchiveCommands(QWidget *dialogParent, QObject *parent)
    : QObject(parent), dialogParent(dialogParent)
{
}

void ArchiveCommands::setInterfaceLanguage(const QString &languageCode)
{
    nameLanguage = legacyNameLanguageFor(languageCode);
}

LegacyNameLanguage ArchiveCommands::legacyNameLanguageFor(const QString &languageCode)
{
    if (languageCode == QLatin1String("zh_CN"))
        return LegacyNameLanguage::SimplifiedChinese;
    if (languageCode == QLatin1String("zh_TW"))
        return LegacyNameLanguage::TraditionalChinese;
    return LegacyNameLanguage::Western;
}

bool ArchiveCommands::offersExtraction(const QStringList &names)
{
    return std::any_of(names.cbegin(), names.cend(),
                       [](const QString &name) { return FormatRegistry::canExtract(name); });
}

QStringList ArchiveCommands::saveFilters()
{
    return QStringList{tr("压缩文件 (*.zip *.7z *.tar *.gz *.bz2 *.xz)")} + ArchiveFileNames::formatFilters();
}

std::optional<PlannedOperation> ArchiveCommands::planCompression(const QStringList &inputs,
                                                                 const QString &folder)
{
    if (inputs.isEmpty()) {
        QMessageBox::warning(dialogParent, tr("警告"), tr("请选择要压缩的文件或文件夹"), QMessageBox::Ok);
        return std::nullopt;
    }
    QString chosenFilter;
    const QString typedPath = QFileDialog::getSaveFileName(
        dialogParent, tr("选择压缩文件保存位置"), folder + QStringLiteral("/archive.zip"),
        saveFilters().join(QStringLiteral(";;")), &chosenFilter);
    if (typedPath.isEmpty())
        return std::nullopt;
    const QString archivePath = ArchiveFileNames::completedPath(typedPath, chosenFilter);

    // Only a format that keeps a password is given one; the others are never offered the field.
    QString password;
    if (ArchiveFileNames::canHoldPassword(archivePath)) {
        bool accepted = false;
        password = QInputDialog::getText(dialogParent, tr("输入密码"), tr("请输入压缩密码（可选）:"),
                                         QLineEdit::Password, QString(), &accepted);
        // A cancelled prompt counts as no password.
        if (!accepted)
            password.clear();
    }

    OperationRequest request = OperationRequest::create(FormatRegistry::creationNameForFileName(archivePath),
                                                        inputs, archivePath, password);
    request.legacyNameLanguage = nameLanguage;
    return PlannedOperation{request, tr("压缩"), tr("正在压缩文件...")};
}

std::optional<PlannedOperation> ArchiveCommands::planExtractTo(const QString &archivePath,
                                                               const QString &folder)
{
    if (archivePath.isEmpty()) {
        QMessageBox::warning(dialogParent, tr("警告"), tr("请选择要解压的压缩文件"), QMessageBox::Ok);
        return std::nullopt;
    }
    const QString destination = QFileDialog::getExistingDirectory(dialogParent, tr("选择解压目标目录"),
                                                                  folder, QFileDialog::ShowDirsOnly);
    if (destination.isEmpty())
        return std::nullopt;
    return extraction(archivePath, destination);
}

std::optional<PlannedOperation> ArchiveCommands::planExtractHere(const QString &archivePath,
                                                                 const QString &folder)
{
    if (archivePath.isEmpty()) {
        QMessageBox::warning(dialogParent, tr("警告"), tr("请选择要解压的压缩文件"), QMessageBox::Ok);
        return std::nullopt;
    }
    return extraction(archivePath, folder);
}

std::optional<PlannedOperation> ArchiveCommands::planOpen(const QString &archivePath, const QString &folder)
{
    const QMessageBox::StandardButton answer =
        QMessageBox::question(dialogParent, tr("解压文件"),
                              tr("是否要解压 '%1' 到当前目录？").arg(QFileInfo(archivePath).fileName()),
                              QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return std::nullopt;
    return extraction(archivePath, folder);
}

std::optional<PlannedOperation> ArchiveCommands::planExtractEntriesTo(const QString &archivePath,
                                                                      const QStringList &entryNames,
                                                                      const QString &folder,
                                                                      const QString &password)
{
    const QString destination = QFileDialog::getExistingDirectory(dialogParent, tr("选择解压目标目录"),
                                                                  folder, QFileDialog::ShowDirsOnly);
    if (destination.isEmpty())
        return std::nullopt;
    return extraction(archivePath, destination, entryNames, password);
}

PlannedOperation ArchiveCommands::planExtractEntriesHere(const QString &archivePath,
                                                         const QStringList &entryNames, const QString &folder,
                                                         const QString &password) const
{
    return extraction(archivePath, folder, entryNames, password);
}

PlannedOperation ArchiveCommands::planEntryPreview(const QString &archivePath, const QString &entryName,
                                                   const QString &folder, const QString &password) const
{
    PlannedOperation operation = extraction(archivePath, folder, {entryName}, password);
    operation.headline = tr("正在取出文件...");
    return operation;
}

PlannedOperation ArchiveCommands::planListing(const QString &archivePath, const QString &password) const
{
    OperationRequest request = OperationRequest::list(archivePath, password);
    request.legacyNameLanguage = nameLanguage;
    return PlannedOperation{request, tr("打开压缩文件"), tr("正在读取压缩文件内容...")};
}

PlannedOperation ArchiveCommands::planTest(const QString &archivePath, const QString &password) const
{
    OperationRequest request = OperationRequest::test(archivePath, password);
    request.legacyNameLanguage = nameLanguage;
    return PlannedOperation{request, tr("测试压缩文件"), tr("正在测试压缩文件...")};
}

PlannedOperation ArchiveCommands::extraction(const QString &archivePath, const QString &destination,
                                             const QStringList &entryNames, const QString &password) const
{
    // No password asked up front: the operation asks when the archive turns out to need one.
    OperationRequest request = OperationRequest::extract(archivePath, destination, password);
    request.entryNames = entryNames;
    request.replacePolicy = ReplacePolicy::Ask;
    request.legacyNameLanguage = nameLanguage;
    return PlannedOperation{request, tr("解压"), tr("正在解压文件...")};
}

void ArchiveCommands::reportOutcome(const OperationResult &result)
{
    if (result.succeeded())
        QMessageBox::information(dialogParent, tr("成功"), tr("操作完成成功"), QMessageBox::Ok);
    else if (result.cancelled())
        QMessageBox::information(dialogParent, tr("已取消"), tr("操作已取消"), QMessageBox::Ok);
    else
        QMessageBox::warning(dialogParent, tr("错误"), tr("操作失败: %1").arg(ResultMessage::text(result)),
                             QMessageBox::Ok);
}

void ArchiveCommands::reportTestOutcome(const OperationResult &result, const QString &archivePath)
{
    const QString name = QFileInfo(archivePath).fileName();
    if (result.succeeded()) {
        QMessageBox::information(dialogParent, tr("测试压缩文件"), tr("'%1' 完好，没有发现错误。").arg(name),
                                 QMessageBox::Ok);
    } else if (result.cancelled()) {
        QMessageBox::information(dialogParent, tr("已取消"), tr("操作已取消"), QMessageBox::Ok);
    } else if (result.code == ResultCode::DamagedEntry) {
        // The library's own words (a checksum, a truncated stream) say why, beside the sentence.
        QString reason = ResultMessage::text(result);
        if (!result.detail.isEmpty() && !reason.contains(result.detail))
            reason += QStringLiteral(" (%1)").arg(result.detail);
        QMessageBox::warning(
            dialogParent, tr("测试压缩文件"),
            tr("'%1' 已损坏。\n第一个出错的文件: %2\n原因: %3").arg(name, result.entry, reason),
            QMessageBox::Ok);
    } else {
        QMessageBox::warning(dialogParent, tr("测试压缩文件"),
                             tr("'%1' 未通过测试: %2").arg(name, ResultMessage::text(result)),
                             QMessageBox::Ok);
    }
}

void ArchiveCommands::reportListingFailure(const OperationResult &result, const QString &archivePath)
{
    if (result.cancelled())
        return;
    QMessageBox::warning(
        dialogParent, tr("错误"),
        tr("无法打开压缩文件 '%1': %2").arg(QFileInfo(archivePath).fileName(), ResultMessage::text(result)),
        QMessageBox::Ok);
}
