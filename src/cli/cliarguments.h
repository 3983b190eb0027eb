#pragma once

#include <QString>
#include <QStringList>

enum class CliCommand { Add, Extract, List, Test };

// What to do with an item that already exists where kelvane-cli would write.
enum class OverwriteMode {
    Ask, // ask on a terminal; elsewhere refuse and say so
    Replace,
    Skip,
    Rename, // keep both: the new item takes a free name such as "name (2).ext"
};

// One parsed command line of kelvane-cli. A plain value.
struct CliArguments {
    CliCommand command = CliCommand::List;
    QString archivePath;
    // a: the files and folders to pack; x: the entries to extract (empty: all).
    QStringList paths;
    // x: the folder to extract into; empty for the current folder.
    QString outputFolder;
    bool json = false;
    bool passwordFromStdin = false;
    OverwriteMode overwrite = OverwriteMode::Ask;
};
