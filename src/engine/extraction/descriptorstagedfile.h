#pragma once

#include "extractiontarget.h"
#include "filedescriptor.h"

#include <QByteArray>
#include <QString>

// A staged file written through its own descriptor: the file was created with O_EXCL and O_NOFOLLOW,
// so every byte lands in the file the pipeline made. Destroyed unfinished, it removes itself.
class DescriptorStagedFile : public StagedFile
{
public:
    // folder: the staging folder holding the file (kept to remove it by name); path: for messages.
    DescriptorStagedFile(FileDescriptor file, FileDescriptor folder, const QByteArray &name,
                         const QString &path, const EntryMetadata &metadata);
    ~DescriptorStagedFile() override;

    OperationResult write(const char *data, qint64 size) override;
    OperationResult finish() override;
    void discard() override;

private:
    FileDescriptor file;
    FileDescriptor folder;
    QByteArray name;
    QString path;
    EntryMetadata metadata;
    bool done = false;
};
